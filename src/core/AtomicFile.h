#pragma once
// Whole-file replacement that never leaves a half-written file behind: the data goes to a
// temporary file in the target's folder (files/ReplacementFile, as tag writes use), is
// flushed to disk, then renamed over the target. Used for every "Save" (settings, lists).

#include <QByteArray>
#include <QFile>
#include <QString>

#include <algorithm>
#include <functional>

namespace telbo::AtomicFile {

// The steps of Write, in order, for fault injection.
enum class Step {
    Create,    // creating the temporary file
    Anonymous, // making it anonymous; refused, a named temporary is used instead
    WriteHalf, // after the first half of the data is on disk, before the rest
    Sync,      // flushing the temporary file to disk
    Rename,    // renaming it over the target
};

// Test seam: called before each step; returning false makes that step fail as a real I/O
// error would. Production code passes nothing.
using FaultHook = std::function<bool(Step)>;

// Replaces the file at `path` with `data`. True only when the new content is in place under
// `path`. On false the previous file (if any) is byte-identical and no temporary is left.
// A symbolic link at `path` is followed, so the link stays and its target is replaced. A
// new file gets the default permissions (umask); a replaced one keeps its permission bits.
// POSIX only (open/fsync/rename).
bool Write(const QString& path, const QByteArray& data, const FaultHook& fault = {});

// Removes from `folder` the named temporaries that a killed Write left there (ours only, by
// their exact pattern, older versions' settings temporaries included, none a live writer
// holds). Returns how many.
int RemoveLeftovers(const QString& folder);

} // namespace telbo::AtomicFile

namespace telbo {

// What to ask of QFile::read for a file read whole, up to `limit` bytes: QFile::read
// reserves all it is asked for, so ask for the file's size (a regular file's size of 0, as
// in /proc, may still hide content: then the limit).
inline qint64 ReadLimit(const QFile& file, qint64 limit) {
    const qint64 size = file.size();
    return size > 0 ? std::min(size, limit) : limit;
}

} // namespace telbo
