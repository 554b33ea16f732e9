#include "playlist/PathNames.h"

namespace telbo {

namespace {

constexpr int kMaxSeparatorSearches = 256;

qsizetype NextSeparator(const QString& path, qsizetype from) {
    for (qsizetype i = from; i < path.size(); ++i) {
        const QChar c = path.at(i);
        if (c == u'\\' || c == u'/') return i;
    }
    return -1;
}

// Start of the last component, or -1 when every one of the bounded searches found a
// separator (the name is then treated as unknown rather than scanned forever).
qsizetype LastComponentStart(const QString& path) {
    qsizetype pos = 0;
    for (int i = 0; i < kMaxSeparatorSearches; ++i) {
        const qsizetype sep = NextSeparator(path, pos);
        if (sep < 0) return pos;
        pos = sep + 1;
    }
    return -1;
}

} // namespace

QString DisplayName(const QString& path) {
    const qsizetype start = LastComponentStart(path);
    if (start < 0) return {};
    const QString name = path.mid(start);
    const qsizetype dot = name.indexOf(u'.');
    return dot < 0 ? name : name.left(dot);
}

QString FileNameOf(const QString& path) {
    const qsizetype start = LastComponentStart(path);
    if (start < 0) return {};
    return path.mid(start);
}

PathKind ClassifyPath(const QString& path) {
    const QString lower = path.toLower();
    if (lower.contains(QStringLiteral(".mp3"))) return PathKind::Track;
    if (lower.contains(QStringLiteral(".m3u"))) return PathKind::ListFile;
    return PathKind::Other;
}

} // namespace telbo
