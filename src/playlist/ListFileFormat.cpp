#include "playlist/ListFileFormat.h"

namespace telbo {

namespace {

bool IsAsciiLetter(QChar c) {
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
}

void AddEntry(QStringList& entries, QStringView line, const QString& folder) {
    if (line.isEmpty() || line.startsWith(u'#')) return;
    const QString entry = line.toString();
    if (IsAbsoluteListEntry(entry) || folder.isEmpty()) {
        entries.append(entry);
    } else if (folder.endsWith(u'/')) {
        entries.append(folder + entry);
    } else {
        entries.append(folder + u'/' + entry);
    }
}

} // namespace

bool IsAbsoluteListEntry(const QString& entry) {
    if (entry.startsWith(u'/') || entry.startsWith(QStringLiteral("\\\\"))) return true;
    return entry.size() >= 3 && IsAsciiLetter(entry.at(0)) && entry.at(1) == u':' &&
           (entry.at(2) == u'\\' || entry.at(2) == u'/');
}

QStringList ParseListFile(const QByteArray& bytes, const QString& listFileFolder) {
    QByteArrayView data(bytes);
    if (data.startsWith("\xEF\xBB\xBF")) data = data.sliced(3);
    const QString text = QString::fromUtf8(data);

    QStringList entries;
    const QStringView all(text);
    qsizetype lineStart = 0;
    qsizetype i = 0;
    while (i < all.size()) {
        const QChar c = all.at(i);
        if (c != u'\r' && c != u'\n') {
            ++i;
            continue;
        }
        AddEntry(entries, all.mid(lineStart, i - lineStart), listFileFolder);
        // CR LF is one line end; CR or LF alone is one as well.
        i += (c == u'\r' && i + 1 < all.size() && all.at(i + 1) == u'\n') ? 2 : 1;
        lineStart = i;
    }
    AddEntry(entries, all.mid(lineStart), listFileFolder);
    return entries;
}

QByteArray WriteListFile(const QStringList& paths) {
    QByteArray bytes;
    for (const QString& path : paths) {
        if (path.contains(u'\r') || path.contains(u'\n')) continue;
        bytes += path.toUtf8();
        bytes += "\r\n";
    }
    return bytes;
}

} // namespace telbo
