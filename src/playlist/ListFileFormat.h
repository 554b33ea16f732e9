#pragma once
// Playlist files (.m3u, .m3u8): one path per line, written as UTF-8.

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringList>

#include <limits>
#include <vector>

namespace telbo {

// How the bytes of a list file are turned into text. Detect: UTF-8 when every entry is valid
// UTF-8 (or the file starts with a UTF-8 BOM), otherwise Windows-1252, the code page of most
// lists written on Windows. Utf8: always UTF-8 (".m3u8"); invalid sequences become
// replacement characters.
enum class ListTextEncoding { Detect, Utf8 };

struct ListEntry {
    QString path; // as written; a relative entry joined to the list file's folder
    // The same entry read with "\" as folder separator (a list written on Windows), joined
    // the same way; empty when the entry holds no "\" or names a Windows drive or share.
    QString legacyPath;
};

// Entries of a list file, fed in pieces so that a huge file need not be in memory at once.
// CR LF, LF and CR each end a line; a last line without a line end counts too (other
// programs often leave it off). Lines starting with "#" are comments, empty lines are
// skipped, other lines are taken unchanged (blanks kept). A relative entry names a file
// beside the list file and is joined to `listFileFolder`; entries starting with "/", "\\"
// or a drive such as "C:\" stay as they are. A leading UTF-8 BOM is skipped.
class ListFileParser {
public:
    static constexpr qsizetype kUnlimited = std::numeric_limits<qsizetype>::max();

    // At most `maxEntries` entries are taken. A line longer than `maxLineBytes` cannot name
    // a file and is skipped without being kept in memory.
    ListFileParser(QString listFileFolder, ListTextEncoding encoding,
                   qsizetype maxEntries = kUnlimited, qsizetype maxLineBytes = kUnlimited);

    // Takes the next bytes. False once `maxEntries` entries are complete: the rest of the
    // file need not be read.
    bool Feed(QByteArrayView bytes);
    // Ends the text: the line in progress counts as the last one.
    std::vector<ListEntry> Finish();
    // Ends the text where it was cut off: the line in progress is dropped (half a line would
    // be a bogus entry).
    std::vector<ListEntry> FinishCut();

private:
    void EndLine();
    std::vector<ListEntry> Decode();

    QString folder_;
    ListTextEncoding encoding_;
    qsizetype maxEntries_;
    qsizetype maxLineBytes_;
    std::vector<QByteArray> lines_; // raw entry lines, decoded at the end
    QByteArray line_;               // the entry line in progress
    bool atStart_ = true;           // nothing fed yet: a BOM may come
    bool atLineStart_ = true;
    bool skipping_ = false;     // the rest of this line is a comment or too long
    bool afterCr_ = false;      // the last byte was a CR: an LF now completes that line end
    bool sawBom_ = false;
};

// A whole list file's bytes, parsed at once (see ListFileParser). Invalid UTF-8 in a Detect
// file means Windows-1252 for the whole file.
QStringList ParseListFile(const QByteArray& bytes, const QString& listFileFolder,
                          ListTextEncoding encoding = ListTextEncoding::Detect);

// Bytes in Windows-1252: Latin-1 with printable characters at 0x80..0x9F (the five codes
// Windows leaves undefined stay control characters).
QString FromWindows1252(QByteArrayView bytes);

// UTF-8, each path followed by CR LF. A path holding a line break cannot be stored in this
// format and is left out (written, it would come back as two bogus entries).
QByteArray WriteListFile(const QStringList& paths);

// Whether `entry` is used as it is rather than joined to the list file's folder.
bool IsAbsoluteListEntry(const QString& entry);

} // namespace telbo
