#pragma once
// Where a track's cover image is, as a local file the desktop and a tooltip can show: the
// picture stored in the track (written once into the cache folder, named by its bytes' hash),
// else a cover image beside the track. Answers are kept per track, so asking again for the
// same unchanged file reads nothing.

#include <QDateTime>
#include <QHash>
#include <QString>

namespace telbo {

class TagStore;
struct CoverPicture;

class CoverArtCache final {
public:
    // The cache folder holds at most this many bytes of pictures; the oldest go first.
    static constexpr qint64 kDefaultLimitBytes = 50LL << 20;

    // An empty `folder` is $XDG_CACHE_HOME/telbo, looked up when a picture is first stored.
    explicit CoverArtCache(QString folder = {}, qint64 limitBytes = kDefaultLimitBytes);

    // The cover image of the track at `trackPath`: its own picture (through
    // `TagStore::ReadCoverArt`), else the largest of the folder's cover files (FolderCover).
    // "" when there is none or the picture cannot be stored. GUI thread; reads the track's
    // tags once per track and modification time.
    QString CoverFor(TagStore& tags, const QString& trackPath);

    // Of the images in `folder` named cover, folder, front or album (followed by anything but
    // "back"), .jpg/.jpeg/.png/.webp in any case, that are images by their first bytes and at
    // most 16 MiB: the largest. "" when none.
    static QString FolderCover(const QString& folder);

    // Writes `picture` into the cache folder unless a file of its name is there already, then
    // trims the folder to the limit (never removing this picture). Its path, "" on failure.
    QString Store(const CoverPicture& picture);

    const QString& folder() const { return folder_; }

private:
    struct Known {
        QDateTime modified;
        qint64 size = -1;
        QString cover;
    };
    // Removes the oldest pictures until the folder holds at most the limit, `keep` aside.
    void Trim(const QString& keep);

    QString folder_;
    qint64 limitBytes_;
    QHash<QString, Known> known_;
};

} // namespace telbo
