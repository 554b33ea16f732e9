#include "core/AtomicFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QRegularExpression>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace telbo::AtomicFile {
namespace {

bool Allowed(const FaultHook& fault, Step step) { return !fault || fault(step); }

// Short whatever the target's name: a target already at the file system's 255-byte limit
// could take no suffix.
const QString kTempPrefix = QStringLiteral(".telbo-");
const QString kTempSuffix = QStringLiteral(".tmp");

bool WriteAll(int fd, const char* data, qint64 size) {
    while (size > 0) {
        const ssize_t n = ::write(fd, data, static_cast<size_t>(size));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false; // error (full disk, quota...) or no progress
        data += n;
        size -= n;
    }
    return true;
}

QByteArray TempName(const QString& folder) {
    const QString name = kTempPrefix +
                         QStringLiteral("%1").arg(QRandomGenerator::global()->generate(), 8, 16,
                                                  QChar(u'0')) +
                         kTempSuffix;
    return QFile::encodeName(QDir(folder).filePath(name));
}

// Opens a fresh named temporary in `folder`; O_EXCL so a stale or hostile file is never
// reused. Returns -1 when none can be created.
int CreateNamedTemporary(const QString& folder, QByteArray& tempPath) {
    for (int attempt = 0; attempt < 16; ++attempt) {
        tempPath = TempName(folder);
        int fd;
        do {
            fd = ::open(tempPath.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        } while (fd < 0 && errno == EINTR);
        if (fd >= 0) return fd;
        if (errno != EEXIST) return -1;
    }
    return -1;
}

// A file without a name in `folder`: a crash or a kill cannot leave it behind. -1 where the
// file system cannot make one.
int CreateAnonymousTemporary(const QString& folder) {
    int fd;
    do {
        fd = ::open(QFile::encodeName(folder).constData(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
    } while (fd < 0 && errno == EINTR);
    return fd;
}

// Gives the anonymous file a name, for the rename that puts it in place.
bool LinkAnonymous(int fd, const QString& folder, QByteArray& tempPath) {
    const QByteArray procPath = "/proc/self/fd/" + QByteArray::number(fd);
    for (int attempt = 0; attempt < 16; ++attempt) {
        tempPath = TempName(folder);
        if (::linkat(AT_FDCWD, procPath.constData(), AT_FDCWD, tempPath.constData(),
                     AT_SYMLINK_FOLLOW) == 0)
            return true;
        if (errno != EEXIST) return false;
    }
    return false;
}

// The data, then flushed to the disk.
bool Fill(int fd, const QByteArray& data, const FaultHook& fault) {
    const qint64 half = data.size() / 2;
    if (!WriteAll(fd, data.constData(), half)) return false;
    if (!Allowed(fault, Step::WriteHalf)) return false;
    if (!WriteAll(fd, data.constData() + half, data.size() - half)) return false;
    return Allowed(fault, Step::Sync) && ::fsync(fd) == 0;
}

// The directory entry of the rename reaches the disk only once the folder is synced.
void SyncFolder(const QString& folder) {
    const int dfd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dfd < 0) return;
    ::fsync(dfd);
    ::close(dfd);
}

} // namespace

bool Write(const QString& path, const QByteArray& data, const FaultHook& fault) {
    if (path.isEmpty()) return false;
    QString target = path;
    const QFileInfo info(path);
    if (info.isSymLink()) {
        const QString resolved = info.symLinkTarget();
        if (!resolved.isEmpty()) target = resolved;
    }
    const QString folder = QFileInfo(target).absolutePath();

    struct stat old {};
    const bool replacing = ::stat(QFile::encodeName(target).constData(), &old) == 0;
    if (replacing && S_ISDIR(old.st_mode)) return false;
    if (!replacing && !QFileInfo(folder).isDir()) return false;

    if (!Allowed(fault, Step::Create)) return false;
    QByteArray tempPath;
    int fd = Allowed(fault, Step::Anonymous) ? CreateAnonymousTemporary(folder) : -1;
    const bool anonymous = fd >= 0;
    if (!anonymous) fd = CreateNamedTemporary(folder, tempPath);
    if (fd < 0) return false;

    const auto fail = [&](bool opened) {
        if (opened) ::close(fd);
        if (!tempPath.isEmpty()) ::unlink(tempPath.constData());
        return false;
    };

    if (replacing) ::fchmod(fd, old.st_mode & 07777); // best effort: keep the old permissions
    if (!Fill(fd, data, fault)) return fail(true);
    if (anonymous && !LinkAnonymous(fd, folder, tempPath)) {
        // No /proc to link through: the same again under a name.
        tempPath.clear();
        ::close(fd);
        fd = CreateNamedTemporary(folder, tempPath);
        if (fd < 0) return false;
        if (replacing) ::fchmod(fd, old.st_mode & 07777);
        if (!Fill(fd, data, fault)) return fail(true);
    }
    if (::close(fd) != 0) return fail(false);
    if (!Allowed(fault, Step::Rename) ||
        ::rename(tempPath.constData(), QFile::encodeName(target).constData()) != 0)
        return fail(false);
    SyncFolder(folder);
    return true;
}

int RemoveLeftovers(const QString& folder) {
    // Ours only: ".telbo-" + 8 hex digits + ".tmp", and the settings file's temporaries of
    // earlier versions, "config.ini.tmp-" + 8 hex digits.
    static const QRegularExpression kOurs(
        QStringLiteral("^(\\.telbo-[0-9a-f]{8}\\.tmp|config\\.ini\\.tmp-[0-9a-f]{8})$"));
    int removed = 0;
    const QDir dir(folder);
    const QStringList names =
        dir.entryList({QStringLiteral(".telbo-*"), QStringLiteral("config.ini.tmp-*")},
                      QDir::Files | QDir::Hidden | QDir::NoSymLinks);
    for (const QString& name : names)
        if (kOurs.match(name).hasMatch() && QFile::remove(dir.filePath(name))) ++removed;
    return removed;
}

} // namespace telbo::AtomicFile
