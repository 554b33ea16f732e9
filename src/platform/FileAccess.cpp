#include "platform/FileAccess.h"

#include <QFile>
#include <QFileInfo>

#include <sys/stat.h>
#include <unistd.h>

namespace telbo::fileaccess {

bool IsRegularFile(const QString& path) {
    if (path.isEmpty()) return false;
    const QFileInfo info(path);
    return info.exists() && info.isFile();
}

bool IsReadOnly(const QString& path) {
    const QByteArray native = QFile::encodeName(path);
    struct stat st {};
    if (::stat(native.constData(), &st) != 0) return false; // a missing file is not read-only
    return ::access(native.constData(), W_OK) != 0;
}

bool MakeWritable(const QString& path) {
    const QByteArray native = QFile::encodeName(path);
    struct stat st {};
    if (::stat(native.constData(), &st) != 0) return false;
    if (::chmod(native.constData(), (st.st_mode & 07777) | S_IWUSR) != 0) return false;
    return ::access(native.constData(), W_OK) == 0;
}

} // namespace telbo::fileaccess
