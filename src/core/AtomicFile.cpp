#include "core/AtomicFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace telbo::AtomicFile {
namespace {

bool Allowed(const FaultHook& fault, Step step) { return !fault || fault(step); }

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

// Opens a fresh temporary next to `target`; O_EXCL so a stale or hostile file is never
// reused. Returns -1 when none can be created.
int CreateTemporary(const QString& target, QByteArray& tempPath) {
    for (int attempt = 0; attempt < 16; ++attempt) {
        const QString candidate = target + QStringLiteral(".tmp-%1")
                                               .arg(QRandomGenerator::global()->generate(), 8, 16,
                                                    QChar(u'0'));
        tempPath = QFile::encodeName(candidate);
        int fd;
        do {
            fd = ::open(tempPath.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        } while (fd < 0 && errno == EINTR);
        if (fd >= 0) return fd;
        if (errno != EEXIST) return -1;
    }
    return -1;
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

    if (!Allowed(fault, Step::Create)) return false;
    QByteArray tempPath;
    const int fd = CreateTemporary(target, tempPath);
    if (fd < 0) return false;

    const auto fail = [&](bool opened) {
        if (opened) ::close(fd);
        ::unlink(tempPath.constData());
        return false;
    };

    if (replacing) ::fchmod(fd, old.st_mode & 07777); // best effort: keep the old permissions
    const qint64 half = data.size() / 2;
    if (!WriteAll(fd, data.constData(), half)) return fail(true);
    if (!Allowed(fault, Step::WriteHalf)) return fail(true);
    if (!WriteAll(fd, data.constData() + half, data.size() - half)) return fail(true);
    if (!Allowed(fault, Step::Sync) || ::fsync(fd) != 0) return fail(true);
    if (::close(fd) != 0) return fail(false);
    if (!Allowed(fault, Step::Rename) ||
        ::rename(tempPath.constData(), QFile::encodeName(target).constData()) != 0)
        return fail(false);
    SyncFolder(folder);
    return true;
}

} // namespace telbo::AtomicFile
