#include "core/AtomicFile.h"

#include "files/ReplacementFile.h"

#include <QFile>
#include <QFileInfo>

#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace telbo::AtomicFile {
namespace {

bool Allowed(const FaultHook& fault, Step step) {
    return !fault || fault(step);
}

// The data, then flushed to the disk.
bool Fill(int fd, const QByteArray& data, const FaultHook& fault) {
    const std::size_t size = static_cast<std::size_t>(data.size());
    const std::size_t half = size / 2;
    if (!files::WriteAll(fd, data.constData(), half)) return false;
    if (!Allowed(fault, Step::WriteHalf)) return false;
    if (!files::WriteAll(fd, data.constData() + half, size - half)) return false;
    return Allowed(fault, Step::Sync) && ::fsync(fd) == 0;
}

bool IsHexDigits(const char* text, std::size_t n) {
    for (std::size_t i = 0; i < n; ++i)
        if (!((text[i] >= '0' && text[i] <= '9') || (text[i] >= 'a' && text[i] <= 'f')))
            return false;
    return text[n] == '\0';
}

// Ours, and the temporaries of earlier versions: ".telbo-" + 8 hex digits + ".tmp", and the
// settings file's "config.ini.tmp-" + 8 hex digits.
bool IsOursOrEarlier(const char* name) {
    if (files::ReplacementFile::IsOurName(name)) return true;
    static constexpr char kEarlier[] = ".telbo-", kSettings[] = "config.ini.tmp-";
    const std::size_t n = std::strlen(name);
    if (n == 19 && std::strncmp(name, kEarlier, 7) == 0 && std::strcmp(name + 15, ".tmp") == 0) {
        char digits[9] = {};
        std::memcpy(digits, name + 7, 8);
        return IsHexDigits(digits, 8);
    }
    return n == 23 && std::strncmp(name, kSettings, 15) == 0 && IsHexDigits(name + 15, 8);
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
    files::ReplacementFile file(QFile::encodeName(folder).toStdString(), 0666,
                                Allowed(fault, Step::Anonymous));
    const int fd = file.Fd();
    if (fd < 0) return false;
    if (replacing) ::fchmod(fd, old.st_mode & 07777); // best effort: keep the old permissions
    return Fill(fd, data, fault) && Allowed(fault, Step::Rename) &&
           file.Replace(QFile::encodeName(target).toStdString());
}

int RemoveLeftovers(const QString& folder) {
    return files::ReplacementFile::RemoveLeftovers(QFile::encodeName(folder).toStdString(),
                                                   &IsOursOrEarlier);
}

} // namespace telbo::AtomicFile
