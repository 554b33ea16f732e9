#pragma once
// Playlist files (.m3u): UTF-8 text, one path per line.

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace telbo {

// Entries of a list file. CR LF, LF and CR each end a line; a last line without a line end
// counts too (other programs often leave it off). Lines starting with "#" are comments, empty
// lines are skipped, other lines are taken unchanged (blanks kept). A relative entry names a
// file beside the list file and is joined to `listFileFolder`; entries starting with "/",
// "\\" or a drive such as "C:\" stay as they are. A leading UTF-8 BOM is skipped; invalid
// UTF-8 becomes replacement characters.
QStringList ParseListFile(const QByteArray& bytes, const QString& listFileFolder);

// UTF-8, each path followed by CR LF. A path holding a line break cannot be stored in this
// format and is left out (written, it would come back as two bogus entries).
QByteArray WriteListFile(const QStringList& paths);

// Whether `entry` is used as it is rather than joined to the list file's folder.
bool IsAbsoluteListEntry(const QString& entry);

} // namespace telbo
