// Tags come from any file: reading must never crash; writing back what was read must leave
// the file byte for byte; a refused write must leave it byte for byte; a write that succeeds
// must read back; no temporary file may stay behind.
#include "tags/TagRead.h"
#include "tags/TagWrite.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace {

namespace fs = std::filesystem;

void Check(bool ok) {
    if (!ok) std::abort();
}

// A folder of our own on a memory file system when there is one (the writes sync), removed
// when the run ends.
class Workspace {
public:
    Workspace() {
        const fs::path base = fs::exists("/dev/shm") ? fs::path("/dev/shm") : fs::temp_directory_path();
        std::string pattern = (base / "telbo-fuzz-tag-XXXXXX").string();
        Check(::mkdtemp(pattern.data()) != nullptr);
        path_ = pattern;
    }
    ~Workspace() {
        std::error_code ec;
        fs::remove_all(path_, ec);
    }
    const fs::path& Path() const { return path_; }

private:
    fs::path path_;
};

const fs::path& Folder() {
    static const Workspace workspace;
    return workspace.Path();
}

std::string Contents(const fs::path& file) {
    std::ifstream f(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>()};
}

std::size_t FilesIn(const fs::path& folder) {
    return static_cast<std::size_t>(
        std::distance(fs::directory_iterator(folder), fs::directory_iterator()));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using telbo::TagRecord;
    using telbo::TagWriteResult;
    namespace tags = telbo::tags;
    const fs::path file = Folder() / "f.mp3";
    const std::string input(reinterpret_cast<const char*>(data), size);
    std::ofstream(file, std::ios::binary | std::ios::trunc).write(input.data(), static_cast<std::streamsize>(size));

    TagRecord shown;
    tags::ReadTags(file.string(), shown);
    TagWriteResult r = tags::WriteTags(file.string(), shown);
    Check(Contents(file) == input);

    TagRecord changed = shown;
    changed.Title.Store("Fuzzed \xe2\x98\x83");
    changed.Comment.Store(size % 3 ? "" : "note");
    changed.Year.Store(size % 2 ? "99" : "2001");
    changed.GenreNumber = static_cast<int>(size % 150) - 1;
    changed.GenreName.Store(size % 5 ? "Shoegaze" : "rock");
    r = tags::WriteTags(file.string(), changed);
    if (!r.written) {
        Check(Contents(file) == input);
    } else {
        TagRecord read;
        Check(tags::ReadTags(file.string(), read));
        Check(read.Title.Shown() == "Fuzzed \xe2\x98\x83");
        Check(read.Year.Shown() == (size % 2 ? "99" : "2001"));
        // And what now reads back is what a second write finds already there.
        const std::string written = Contents(file);
        Check(tags::WriteTags(file.string(), read).written);
        Check(Contents(file) == written);
    }
    Check(FilesIn(Folder()) == 1);
    return 0;
}
