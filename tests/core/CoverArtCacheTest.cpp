// The cover files beside a track, and the cache of embedded pictures: named by their bytes,
// written once, trimmed oldest first.
#include "core/CoverArtCache.h"
#include "decoder/Records.h"

#include <gtest/gtest.h>

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

namespace telbo {
namespace {

const QByteArray kJpeg("\xFF\xD8\xFF\xE0jpeg", 8);

// Writes `name` into `dir`: an image header followed by `size` bytes in all, or `bytes`.
QString Put(const QTemporaryDir& dir, const QString& name, qint64 size,
            const QByteArray& head = kJpeg) {
    const QString path = dir.filePath(name);
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(head);
    f.resize(std::max<qint64>(size, head.size())); // a hole past the header: cheap when large
    return path;
}

CoverPicture Picture(const char* mime, const QByteArray& bytes) {
    return CoverPicture{mime, {bytes.begin(), bytes.end()}};
}

TEST(CoverArtCacheTest, FolderCoverIsTheLargestCoverNamedImageButNeverABackCover) {
    const QByteArray png("\x89PNG\r\n\x1A\n", 8);
    const QByteArray webp("RIFF\x10\0\0\0WEBP", 12);
    const struct {
        std::vector<std::tuple<const char*, qint64, QByteArray>> files;
        const char* want; // "" for none
    } cases[] = {
        {{{"cover.JPG", 100, kJpeg}, {"scan01.jpg", 900, kJpeg}, {"cover.txt", 900, kJpeg}},
         "cover.JPG"},
        {{{"Album Art.WEBP", 50, webp}}, "Album Art.WEBP"},
        {{{"back.jpg", 900, kJpeg}, {"cover-back.jpg", 900, kJpeg}}, ""},
        {{{"cover back.png", 900, png}, {"cover.png", 100, png}}, "cover.png"},
        {{{"cover.jpg", 100, kJpeg}, {"folder.jpg", 300, kJpeg}, {"front.png", 200, png}},
         "folder.jpg"},
        {{{"cover.jpg", 900, "<html>"}, {"folder.jpg", 10, kJpeg}}, "folder.jpg"},
        {{{"cover.jpg", (16 << 20) + 1, kJpeg}, {"album.jpg", 10, kJpeg}}, "album.jpg"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.want);
        QTemporaryDir dir;
        for (const auto& [name, size, head] : c.files)
            Put(dir, QString::fromUtf8(name), size, head);
        const QString got = CoverArtCache::FolderCover(dir.path());
        EXPECT_EQ(got, *c.want ? dir.filePath(QString::fromUtf8(c.want)) : QString());
    }
}

TEST(CoverArtCacheTest, APictureIsStoredOnceUnderItsHashWithItsExtension) {
    QTemporaryDir dir;
    CoverArtCache cache(dir.filePath("cache"));
    const QByteArray bytes = kJpeg + QByteArray(500, 'x');
    const QString path = cache.Store(Picture("image/jpeg", bytes));
    ASSERT_FALSE(path.isEmpty());
    EXPECT_TRUE(path.startsWith(dir.filePath("cache/")));
    EXPECT_TRUE(path.endsWith(".jpg"));
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), bytes);
    f.close();

    // The same picture again is the same file, not written again (a mark put in it stays).
    Put(dir, "cache/" + QFileInfo(path).fileName(), bytes.size(), "mark");
    EXPECT_EQ(cache.Store(Picture("image/jpeg", bytes)), path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_TRUE(f.readAll().startsWith("mark"));

    // Another picture is another file; the mime gives the extension.
    const QString png = cache.Store(Picture("image/png", QByteArray("\x89PNG\r\n\x1A\nabc", 11)));
    EXPECT_TRUE(png.endsWith(".png"));
    EXPECT_NE(png, path);
    EXPECT_TRUE(cache.Store(Picture("image/png", {})).isEmpty());
}

TEST(CoverArtCacheTest, TheFolderIsTrimmedOldestFirstPastItsLimit) {
    QTemporaryDir dir;
    const QString folder = dir.filePath("cache");
    CoverArtCache cache(folder, 2500);
    QStringList stored;
    for (char c : {'a', 'b', 'c'}) {
        stored << cache.Store(Picture("image/jpeg", kJpeg + QByteArray(1000, c)));
        // Ages apart without waiting: the oldest is the first stored.
        QFile f(stored.last());
        ASSERT_TRUE(f.open(QIODevice::ReadWrite));
        f.setFileTime(QDateTime::currentDateTimeUtc().addSecs(-100 + stored.size()),
                      QFileDevice::FileModificationTime);
    }
    EXPECT_FALSE(QFile::exists(stored[0]));
    EXPECT_TRUE(QFile::exists(stored[1]));
    EXPECT_TRUE(QFile::exists(stored[2]));

    // One picture larger than the whole limit is still kept: it is the one being shown.
    const QString big = cache.Store(Picture("image/jpeg", kJpeg + QByteArray(4000, 'd')));
    EXPECT_TRUE(QFile::exists(big));
    EXPECT_EQ(QDir(folder).entryList(QDir::Files), QStringList{QFileInfo(big).fileName()});
}

} // namespace
} // namespace telbo
