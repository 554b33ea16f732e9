#include "core/CoverArtCache.h"
#include "core/AtomicFile.h"
#include "decoder/TagStore.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <algorithm>

namespace telbo {

namespace {

constexpr qint64 kMaxImageBytes = 16LL << 20;
// A folder of many albums' tracks is listed once per track: remembering more buys little.
constexpr qsizetype kKnownTracks = 512;

QString Extension(const std::string& mime) {
    if (mime == "image/png") return QStringLiteral("png");
    if (mime == "image/webp") return QStringLiteral("webp");
    if (mime == "image/gif") return QStringLiteral("gif");
    return QStringLiteral("jpg");
}

// The first bytes of a JPEG, PNG or WebP file: a cut or renamed file is not a cover.
bool LooksLikeImage(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return false;
    const QByteArray head = f.read(12);
    return head.startsWith("\xFF\xD8\xFF") || head.startsWith("\x89PNG\r\n\x1A\n") ||
           (head.startsWith("RIFF") && head.mid(8, 4) == "WEBP");
}

bool CoverName(const QFileInfo& file) {
    const QString base = file.completeBaseName().toLower();
    if (base.contains(u"back")) return false;
    for (const char* word : {"cover", "folder", "front", "album"})
        if (base.startsWith(QLatin1String(word))) return true;
    return false;
}

} // namespace

CoverArtCache::CoverArtCache(QString folder, qint64 limitBytes)
    : folder_(std::move(folder)), limitBytes_(limitBytes) {}

QString CoverArtCache::FolderCover(const QString& folder) {
    const QStringList patterns = {QStringLiteral("*.jpg"), QStringLiteral("*.jpeg"),
                                  QStringLiteral("*.png"), QStringLiteral("*.webp")};
    // Name filters match regardless of case unless told otherwise: COVER.JPG counts.
    const QFileInfoList files =
        QDir(folder).entryInfoList(patterns, QDir::Files | QDir::Readable, QDir::Size);
    for (const QFileInfo& file : files) { // largest first
        if (file.size() > kMaxImageBytes || !CoverName(file)) continue;
        if (LooksLikeImage(file.filePath())) return file.absoluteFilePath();
    }
    return {};
}

QString CoverArtCache::CoverFor(TagStore& tags, const QString& trackPath) {
    if (trackPath.isEmpty()) return {};
    const QFileInfo track(trackPath);
    const QDateTime modified = track.lastModified();
    const auto it = known_.constFind(trackPath);
    if (it != known_.cend() && it->modified == modified && it->size == track.size() &&
        (it->cover.isEmpty() || QFileInfo::exists(it->cover)))
        return it->cover;

    QString cover;
    if (const auto picture = tags.ReadCoverArt(trackPath.toStdString())) cover = Store(*picture);
    if (cover.isEmpty()) cover = FolderCover(track.absolutePath());
    if (known_.size() >= kKnownTracks) known_.clear();
    known_.insert(trackPath, Known{modified, track.size(), cover});
    return cover;
}

QString CoverArtCache::Store(const CoverPicture& picture) {
    if (picture.bytes.empty()) return {};
    if (folder_.isEmpty()) {
        const QString base = QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation);
        if (base.isEmpty()) return {};
        folder_ = base + QStringLiteral("/telbo");
    }
    const QByteArray bytes(reinterpret_cast<const char*>(picture.bytes.data()),
                           static_cast<qsizetype>(picture.bytes.size()));
    const QString name =
        QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Sha1).toHex()) +
        u'.' + Extension(picture.mime);
    const QString path = folder_ + u'/' + name;
    const QFileInfo existing(path);
    if (existing.exists() && existing.size() == bytes.size()) {
        // Used again: it is among the newest now, so the trim keeps it longest.
        QFile f(path);
        if (f.open(QIODevice::ReadWrite))
            f.setFileTime(QDateTime::currentDateTimeUtc(), QFileDevice::FileModificationTime);
        return path;
    }
    if (!QDir().mkpath(folder_) || !AtomicFile::Write(path, bytes)) return {};
    Trim(path);
    return path;
}

void CoverArtCache::Trim(const QString& keep) {
    QFileInfoList files = QDir(folder_).entryInfoList(QDir::Files, QDir::Time | QDir::Reversed);
    qint64 total = 0;
    for (const QFileInfo& f : files)
        total += f.size();
    for (const QFileInfo& f : files) { // oldest first
        if (total <= limitBytes_) break;
        if (f.absoluteFilePath() == QFileInfo(keep).absoluteFilePath()) continue;
        if (QFile::remove(f.absoluteFilePath())) total -= f.size();
    }
}

} // namespace telbo
