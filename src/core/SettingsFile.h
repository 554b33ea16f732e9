#pragma once
// config.ini: the player's settings and its two collections, as UTF-8 text with CR LF line
// ends. Everything here is a pure function over text except the two *File functions at the
// end (which go through AtomicFile).
//
// Layout written:
//   [player] / Telbo Ver.1.00 / 2000/10/15 / (empty) / [Setting] / one "Key= value" line per
//   row of the settings table / (empty) / [List] / "[000] path"... / (empty) / [Title] /
//   "[000] path"...
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
#include "core/SettingsTable.h"

namespace telbo {

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

// What a file held, every value converted, range-checked and defaulted: the PlayerState
// fields the settings table names (the others as in a fresh PlayerState), and the values the
// window keeps itself.
struct StoredSettings : PlayerState {
    double FormX = 0;
    double FormY = 0;
    bool hasFormX = false; // false: the position was missing or unusable (FormX/FormY are 0)
    bool hasFormY = false;
    QString ScrollTitle;
};

// Every key at its default, as a file without any of them reads; `lastDir` is LastDir's.
StoredSettings DefaultSettings(const QString& lastDir);

// Copies what the table's keys and sections fill from `stored` into `state`, leaving every
// other field of `state` alone.
void AdoptSettings(const StoredSettings& stored, PlayerState& state);

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
