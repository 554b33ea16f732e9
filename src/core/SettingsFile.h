#pragma once
// config.ini: the player's settings and its two collections, as UTF-8 text with CR LF line
// ends. Everything here is a pure function over text except the two *File functions at the
// end (which go through AtomicFile).
//
// Layout written:
//   [player] / Telbo Ver.1.00 / 2000/10/15 / (empty) / [Setting] / 24 "Key= value" lines /
//   (empty) / [List] / "[000] path"... / (empty) / [Title] / "[000] path"...
//
// Reading is forgiving by design: a hand-edited, truncated or damaged file never fails and
// never yields a value outside its range; anything missing or unusable takes its default.

#include <QByteArray>
#include <QString>
#include <QStringView>

#include <array>
#include <cstdint>
#include <optional>

#include "core/PlayerState.h"

namespace telbo {

inline constexpr std::int16_t kDefaultFormSmallWidth = 5475; // twips

// Everything the writer needs. Positions and the width are twips.
struct SettingsSnapshot {
    const PlayerState* state = nullptr; // null writes the values of a fresh PlayerState
    double formX = 0;
    double formY = 0;
    double formWidth = 0; // the window's current width, stored as "FormSmallWidth="
    QString titleTemplate;
};

// The exact file bytes. Counts are written clamped to 0..101 and the width to at most 32767,
// so the file always agrees with itself; CR and LF inside texts (paths, template) become blanks, since a line end there
// would split the line and let the text pose as other keys or entries.
QByteArray WriteSettingsText(const SettingsSnapshot& snapshot);

// What a file held, every value converted, range-checked and defaulted.
struct StoredSettings {
    double FormX = 0;
    double FormY = 0;
    bool hasFormX = false; // false: the position was missing or unusable (FormX/FormY are 0)
    bool hasFormY = false;
    bool LockFlag = false;
    bool MinFlag = false;
    std::int16_t FormSmallWidth = kDefaultFormSmallWidth; // 1..32767
    bool ConfigSave = false;
    std::int16_t PlayTypeFlag = 0; // 0..4
    std::int16_t NextTypeFlag = 0; // 0..3
    std::int16_t TagShowFlag = 0;  // 0..2
    bool ScrollFlag = false;
    bool AutoPlay = false;
    bool DownListFlag = false;
    bool DownConfigFlag = false;
    std::int16_t Volume = 100;      // 0..100
    std::int16_t ScrollSpeed = -100; // -300..300
    std::int16_t PlaySpeed = 100;   // 20..300
    std::int16_t SamplingRate = 0;  // 0..2
    std::int16_t StereoConf = 0;    // 0..1
    QString ScrollTitle = QStringLiteral("%0");
    QString LastDir; // lastDirDefault when missing
    std::int16_t KO = 0;        // 0..101
    std::int16_t ListKO = 0;    // 0..101
    std::int16_t PlayPoint = 0; // 0..KO-1, or 0
    std::int16_t ListPoint = 0; // 0..ListKO-1, or 0
    std::array<QString, kSlots> ListFiles{};  // slots >= ListKO are empty
    std::array<QString, kSlots> TitleFiles{}; // slots >= KO are empty
};

// Raw value of `key` (the name with its "=", e.g. "KO="), case-sensitive, found only at the
// start of a line, the first such line winning. The value starts at the second character
// after "=" (the writer's blank is skipped unread, whatever it is) and runs to the line end
// (CR or LF) or the end of the text; it may be empty. nullopt when no line starts with key.
std::optional<QString> SettingsValue(QStringView text, QStringView key);

// Entries 0..count-1 of the section whose header line starts with `header` (e.g. "[List]").
// The section runs from the line after the header to the first line after it starting with
// `endHeader` (or to the end of the text when endHeader is empty or absent). Entry i is the
// text after the first line "[iii] " (three-digit slot, one blank skipped unread) found
// after the previous entry's line; a missing marker gives an empty entry and does not move
// the search point. count is clamped to 0..101; a missing header gives all entries empty.
std::array<QString, kSlots> SectionPaths(QStringView text, QStringView header,
                                         QStringView endHeader, int count);

// Parses file bytes (UTF-8; invalid sequences become U+FFFD, NULs are kept as characters).
StoredSettings ReadSettingsText(const QByteArray& fileBytes, const QString& lastDirDefault);

// Writes the settings atomically (see AtomicFile::Write): true only when the new content is
// in place; on false the previous file is untouched.
bool WriteSettingsFile(const QString& path, const SettingsSnapshot& snapshot);

// nullopt when the file does not exist or cannot be opened. Only the first 16 MiB are read:
// a real file is a few kilobytes, and a runaway one must not exhaust memory.
std::optional<StoredSettings> ReadSettingsFile(const QString& path, const QString& lastDirDefault);

inline constexpr qint64 kMaxSettingsFileBytes = 16 * 1024 * 1024;

} // namespace telbo
