#include "core/PathNames.h"

namespace telbo {

namespace {

constexpr int kMaxSeparatorSearches = 256;

bool IsAsciiLetter(QChar c) { return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z'); }

qsizetype NextSeparator(const QString& path, qsizetype from, bool backslashSeparates) {
    for (qsizetype i = from; i < path.size(); ++i) {
        const QChar c = path.at(i);
        if (c == u'/' || (backslashSeparates && c == u'\\')) return i;
    }
    return -1;
}

// Start of the last component, or -1 when every one of the bounded searches found a
// separator (the name is then treated as unknown rather than scanned forever).
qsizetype LastComponentStart(const QString& path) {
    const bool windows = IsWindowsPath(path);
    qsizetype pos = 0;
    for (int i = 0; i < kMaxSeparatorSearches; ++i) {
        const qsizetype sep = NextSeparator(path, pos, windows);
        if (sep < 0) return pos;
        pos = sep + 1;
    }
    return -1;
}

} // namespace

bool IsWindowsPath(const QString& path) {
    if (path.startsWith(QStringLiteral("\\\\"))) return true;
    return path.size() >= 3 && IsAsciiLetter(path.at(0)) && path.at(1) == u':' &&
           (path.at(2) == u'\\' || path.at(2) == u'/');
}

QString DisplayName(const QString& path) {
    const qsizetype start = LastComponentStart(path);
    if (start < 0) return {};
    const QString name = path.mid(start);
    const qsizetype dot = name.lastIndexOf(u'.');
    return dot <= 0 ? name : name.left(dot);
}

QString FileNameOf(const QString& path) {
    const qsizetype start = LastComponentStart(path);
    if (start < 0) return {};
    return path.mid(start);
}

const QStringList& TrackExtensions() {
    // Ogg Vorbis also comes as ".oga"; AIFF as ".aif" and, compressed or not, ".aifc".
    static const QStringList extensions = {
        QStringLiteral("mp3"), QStringLiteral("flac"), QStringLiteral("ogg"),
        QStringLiteral("oga"), QStringLiteral("opus"), QStringLiteral("wav"),
        QStringLiteral("aiff"), QStringLiteral("aif"), QStringLiteral("aifc")};
    return extensions;
}

QStringList TrackPatterns() {
    QStringList patterns;
    for (const QString& e : TrackExtensions()) patterns << QStringLiteral("*.") + e;
    return patterns;
}

PathKind ClassifyPath(const QString& path) {
    const qsizetype dot = path.lastIndexOf(u'.');
    if (dot >= 0) {
        const QStringView ext = QStringView(path).mid(dot + 1);
        for (const QString& e : TrackExtensions())
            if (ext.compare(e, Qt::CaseInsensitive) == 0) return PathKind::Track;
    }
    if (path.endsWith(QStringLiteral(".m3u"), Qt::CaseInsensitive) || IsUtf8ListFile(path))
        return PathKind::ListFile;
    return PathKind::Other;
}

bool IsUtf8ListFile(const QString& path) {
    return path.endsWith(QStringLiteral(".m3u8"), Qt::CaseInsensitive);
}

} // namespace telbo
