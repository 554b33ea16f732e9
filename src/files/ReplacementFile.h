#pragma once
// The file every save builds beside the one it replaces (settings, lists, tagged audio). It
// has no name while it is written (O_TMPFILE), so a kill leaves nothing behind; it gets a short
// name only for the rename that puts it in place, which works whatever the target's name.
// Where the file system has no anonymous files it is named from the start (".telbo-" and six
// letters or digits) and locked (flock) for its whole life, so that the next save into its
// folder can tell a killed writer's leftover from a live writer's copy. POSIX only, no Qt.

#include <sys/types.h>

#include <cstddef>
#include <string>

namespace telbo::files {

class ReplacementFile {
public:
    // A new, empty file in `folder`, open for reading and writing, created with `mode` (less
    // the umask); named from the start when `anonymous` is false. Fd() is -1 when none could
    // be made.
    explicit ReplacementFile(const std::string& folder, mode_t mode = 0600, bool anonymous = true);
    // Closes the file; a named one not put in place is removed.
    ~ReplacementFile();
    ReplacementFile(const ReplacementFile&) = delete;
    ReplacementFile& operator=(const ReplacementFile&) = delete;

    int Fd() const noexcept { return fd_; }
    bool Anonymous() const noexcept { return anonymous_; }

    // Renames the file (flushed by the caller) over `target`, in the file's folder, and syncs
    // the folder so the rename is durable too. False when the file could not be put in place;
    // the target is then as it was.
    bool Replace(const std::string& target);

    // True for the names this class gives its files.
    static bool IsOurName(const char* name) noexcept;
    // Removes the named files that killed writers left in `folder`: those whose name `ours`
    // accepts (by default IsOurName), and only those no live writer holds. Returns how many.
    static int RemoveLeftovers(const std::string& folder,
                               bool (*ours)(const char* name) = &IsOurName) noexcept;

private:
    bool OpenNamed();
    void Close() noexcept;

    std::string folder_;
    mode_t mode_;
    std::string name_; // the copy's path while it has one and is not yet in place
    int fd_ = -1;
    bool anonymous_ = false;
};

} // namespace telbo::files

namespace telbo::files {

// Writes `size` bytes of `data` at the file position of `fd`. False when not all were written
// (a full disk, a quota).
bool WriteAll(int fd, const void* data, std::size_t size);

} // namespace telbo::files
