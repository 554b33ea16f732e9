#include "files/ReplacementFile.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <random>
#include <vector>

namespace telbo::files {

namespace {

constexpr char kPrefix[] = ".telbo-";
constexpr std::size_t kPrefixBytes = sizeof kPrefix - 1;
constexpr std::size_t kRandomBytes = 6; // as mkostemp's XXXXXX
constexpr int kAttempts = 64;

std::string RandomName(const std::string& folder) {
    static constexpr char kChars[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    thread_local std::mt19937 random{std::random_device{}()};
    std::string name = folder + "/" + kPrefix;
    for (std::size_t i = 0; i < kRandomBytes; ++i)
        name += kChars[std::uniform_int_distribution<std::size_t>(0, sizeof kChars - 2)(random)];
    return name;
}

void SyncFolder(const std::string& folder) {
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

bool SameFile(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

bool Lock(int fd) {
    int r;
    do {
        r = ::flock(fd, LOCK_EX | LOCK_NB);
    } while (r != 0 && errno == EINTR);
    return r == 0;
}

} // namespace

bool ReplacementFile::IsOurName(const char* name) noexcept {
    const std::size_t n = std::strlen(name);
    if (n != kPrefixBytes + kRandomBytes || std::strncmp(name, kPrefix, kPrefixBytes) != 0)
        return false;
    for (std::size_t i = kPrefixBytes; i < n; ++i) {
        const char c = name[i];
        if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')))
            return false;
    }
    return true;
}

ReplacementFile::ReplacementFile(const std::string& folder, mode_t mode, bool anonymous)
    : folder_(folder), mode_(mode) {
    // Held from the start: the name it may get for the rename must not look abandoned.
    if (anonymous) {
        do {
            fd_ = ::open(folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, mode_);
        } while (fd_ < 0 && errno == EINTR);
        if (fd_ >= 0 && Lock(fd_)) {
            anonymous_ = true;
            return;
        }
        Close();
    }
    OpenNamed();
}

ReplacementFile::~ReplacementFile() {
    Close();
}

void ReplacementFile::Close() noexcept {
    if (!name_.empty()) ::unlink(name_.c_str());
    name_.clear();
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
}

// A named copy, locked before anyone may take it for a leftover: a cleaner that removed the
// name between its creation and our lock is noticed, and another name taken.
bool ReplacementFile::OpenNamed() {
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        std::string name = RandomName(folder_);
        const int fd = ::open(name.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, mode_);
        if (fd < 0) {
            if (errno == EEXIST || errno == EINTR) continue;
            return false;
        }
        struct stat own {
        }, named{};
        if (Lock(fd) && ::fstat(fd, &own) == 0 && ::lstat(name.c_str(), &named) == 0 &&
            SameFile(own, named)) {
            fd_ = fd;
            name_ = std::move(name);
            return true;
        }
        ::close(fd);
    }
    return false;
}

bool ReplacementFile::Replace(const std::string& target) {
    if (fd_ < 0) return false;
    if (anonymous_) {
        // A name, only for the rename; the lock keeps it ours meanwhile.
        const std::string self = "/proc/self/fd/" + std::to_string(fd_);
        for (int attempt = 0; attempt < kAttempts && name_.empty(); ++attempt) {
            std::string name = RandomName(folder_);
            if (::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW) == 0)
                name_ = std::move(name);
            else if (errno != EEXIST)
                break;
        }
        if (name_.empty()) {
            // No /proc to link through: the same bytes again, into a named copy.
            const int anonymousFd = fd_;
            fd_ = -1;
            struct stat st {};
            const bool named = ::fstat(anonymousFd, &st) == 0 && OpenNamed();
            bool copied = named && ::fchmod(fd_, st.st_mode & 07777) == 0;
            if (::fchown(fd_, st.st_uid, st.st_gid) != 0) {
                // Not ours to give away, as with the first copy.
            }
            std::vector<char> buf(1 << 16);
            for (off_t at = 0; copied;) {
                const ssize_t n = ::pread(anonymousFd, buf.data(), buf.size(), at);
                if (n < 0 && errno == EINTR) continue;
                if (n <= 0) {
                    copied = n == 0 && at == st.st_size;
                    break;
                }
                copied = WriteAll(fd_, buf.data(), static_cast<std::size_t>(n));
                at += n;
            }
            ::close(anonymousFd);
            anonymous_ = false;
            if (!copied || ::fsync(fd_) != 0) return false;
        }
    }
    if (::rename(name_.c_str(), target.c_str()) != 0) return false;
    name_.clear();
    SyncFolder(folder_); // only hurries the new name to the disk
    return true;
}

int ReplacementFile::RemoveLeftovers(const std::string& folder,
                                     bool (*ours)(const char* name)) noexcept {
    DIR* dir = ::opendir(folder.c_str());
    if (!dir) return 0;
    int removed = 0;
    const int dfd = ::dirfd(dir);
    while (const dirent* e = ::readdir(dir)) {
        if (!ours(e->d_name)) continue;
        const int fd = ::openat(dfd, e->d_name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0) continue;
        struct stat held {
        }, named{};
        // A live writer holds its copy's lock until the copy is in place.
        if (::fstat(fd, &held) == 0 && S_ISREG(held.st_mode) && Lock(fd) &&
            ::fstatat(dfd, e->d_name, &named, AT_SYMLINK_NOFOLLOW) == 0 && SameFile(held, named) &&
            ::unlinkat(dfd, e->d_name, 0) == 0)
            ++removed;
        ::close(fd);
    }
    ::closedir(dir);
    return removed;
}

bool WriteAll(int fd, const void* data, std::size_t size) {
    const auto* at = static_cast<const char*>(data);
    while (size > 0) {
        const ssize_t n = ::write(fd, at, size);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false; // an error, or no progress
        at += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

} // namespace telbo::files
