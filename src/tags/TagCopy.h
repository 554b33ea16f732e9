#pragma once
// The copy a tag write builds beside the file it replaces. It has no name while it is written
// (O_TMPFILE), so a kill leaves nothing behind; it gets a short name only for the rename that
// puts it in place. Where the file system has no anonymous files it is named from the start
// (".telbo-" and six letters or digits) and locked (flock) for its whole life, so that the
// next write into its folder can tell a killed writer's leftover from a live writer's copy.

#include <string>

namespace telbo::tags {

class TagCopy {
public:
    // A new, empty copy in `folder`, open for reading and writing; Fd() is -1 when none could
    // be made.
    explicit TagCopy(const std::string& folder);
    // Closes the copy; a named copy not put in place is removed.
    ~TagCopy();
    TagCopy(const TagCopy&) = delete;
    TagCopy& operator=(const TagCopy&) = delete;

    int Fd() const noexcept { return fd_; }
    bool Anonymous() const noexcept { return anonymous_; }

    // Renames the copy (flushed by the caller) over `target`, in the copy's folder. False when
    // the copy could not be put in place; the target is then as it was.
    bool Replace(const std::string& target);

    // Removes the named copies that killed writers left in `folder`: ours only (by the exact
    // name pattern), and only those no live writer holds. Returns how many.
    static int RemoveLeftovers(const std::string& folder) noexcept;

private:
    bool OpenNamed();
    void Close() noexcept;

    std::string folder_;
    std::string name_; // the copy's path while it has one and is not yet in place
    int fd_ = -1;
    bool anonymous_ = false;
};

} // namespace telbo::tags
