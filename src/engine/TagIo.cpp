#include "engine/TagIo.h"

#include <taglib/apetag.h>
#include <taglib/id3v1genres.h>
#include <taglib/id3v1tag.h>
#include <taglib/id3v2header.h>
#include <taglib/id3v2tag.h>
#include <taglib/mpegfile.h>
#include <taglib/tstring.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <filesystem>
#include <string_view>
#include <vector>

namespace telbo::engine {

namespace {

constexpr int kLastClassicGenre = 147;

std::string Utf8(const TagLib::String& s) { return s.to8Bit(true); }
TagLib::String FromUtf8(const std::string& s) { return TagLib::String(s, TagLib::String::UTF8); }

// The player pads its fields with blanks, a C caller with NULs: neither belongs in the file.
std::string Trimmed(const std::string& raw) {
    std::string s = raw.substr(0, raw.find('\0'));
    while (!s.empty() && (s.back() == ' ' || s.back() == '\0')) s.pop_back();
    return s;
}

bool IsRegularFile(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

// The values the write puts into the file, decoded once from the record.
struct Fields {
    std::string title, artist, album, comment, genre;
    unsigned year = 0;
};

Fields FieldsOf(const TagRecord& tag) {
    Fields f;
    f.title = Trimmed(tag.Title.Raw());
    f.artist = Trimmed(tag.Artist.Raw());
    f.album = Trimmed(tag.Album.Raw());
    f.comment = Trimmed(tag.Comment.Raw());
    const std::string year = Trimmed(tag.Year.Raw());
    for (const char c : year) {
        if (c < '0' || c > '9') break;
        f.year = f.year * 10 + static_cast<unsigned>(c - '0');
    }
    if (tag.GenreNumber >= 0 && tag.GenreNumber <= kLastClassicGenre)
        f.genre = GenreName(tag.GenreNumber);
    else if (tag.GenreNumber != -1)
        f.genre = Trimmed(tag.GenreName.Raw());
    return f;
}

void Apply(TagLib::Tag& t, const Fields& f, bool latin1Only) {
    auto set = [&](const std::string& value, void (TagLib::Tag::*setter)(const TagLib::String&)) {
        const TagLib::String s = FromUtf8(value);
        // ID3v1 is Latin-1: a value it cannot hold keeps the old one rather than a mangled one.
        if (latin1Only && !s.isLatin1()) return;
        (t.*setter)(s);
    };
    set(f.title, &TagLib::Tag::setTitle);
    set(f.artist, &TagLib::Tag::setArtist);
    set(f.album, &TagLib::Tag::setAlbum);
    set(f.comment, &TagLib::Tag::setComment);
    set(f.genre, &TagLib::Tag::setGenre);
    t.setYear(f.year);
}

bool Matches(const TagLib::Tag& t, const Fields& f) {
    return Utf8(t.title()) == f.title && Utf8(t.artist()) == f.artist &&
           Utf8(t.album()) == f.album && Utf8(t.comment()) == f.comment &&
           Utf8(t.genre()) == f.genre && t.year() == f.year;
}

// A file descriptor that closes itself.
class Fd {
public:
    explicit Fd(int fd) noexcept : fd_(fd) {}
    ~Fd() {
        if (fd_ >= 0) ::close(fd_);
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int Get() const noexcept { return fd_; }
    bool Close() noexcept {
        const int fd = fd_;
        fd_ = -1;
        return fd < 0 || ::close(fd) == 0;
    }

private:
    int fd_;
};

// The temporary copy: removed unless it was renamed into place.
class TempFile {
public:
    explicit TempFile(std::string path) : path_(std::move(path)) {}
    ~TempFile() {
        if (!path_.empty()) ::unlink(path_.c_str());
    }
    TempFile(const TempFile&) = delete;
    TempFile& operator=(const TempFile&) = delete;
    const std::string& Path() const noexcept { return path_; }
    void Keep() noexcept { path_.clear(); }

private:
    std::string path_;
};

bool WriteAll(int fd, const char* data, std::size_t size) {
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

bool CopyFile(int from, int to) {
    std::vector<char> buf(1 << 16);
    for (;;) {
        const ssize_t n = ::read(from, buf.data(), buf.size());
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return false;
        if (n == 0) return true;
        if (!WriteAll(to, buf.data(), static_cast<std::size_t>(n))) return false;
    }
}

bool ReadRange(const std::string& path, long long offset, long long size, std::string& out) {
    Fd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (fd.Get() < 0 || offset < 0 || size < 0) return false;
    out.resize(static_cast<std::size_t>(size));
    std::size_t done = 0;
    while (done < out.size()) {
        const ssize_t n = ::pread(fd.Get(), out.data() + done, out.size() - done,
                                  static_cast<off_t>(offset + static_cast<long long>(done)));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

// The MPEG audio between the tags, which a tag write must leave exactly as it was.
bool AudioRange(const std::string& path, long long& offset, long long& size) {
    TagLib::MPEG::File f(path.c_str(), false);
    if (!f.isValid()) return false;
    offset = f.firstFrameOffset();
    const long long last = f.lastFrameOffset();
    if (offset < 0 || last < offset) {
        offset = size = 0; // no frames: nothing to compare
        return true;
    }
    size = last - offset + 4; // up to and including the last frame's header
    return true;
}

bool SyncFolder(const std::string& folder) {
    Fd fd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    return fd.Get() >= 0 && ::fsync(fd.Get()) == 0;
}

} // namespace

std::string GenreName(int number) {
    if (number < 0 || number > kLastClassicGenre) return {};
    return Utf8(TagLib::ID3v1::genre(number));
}

bool ReadTags(const std::string& path, TagRecord& tag) noexcept {
    try {
        tag = TagRecord{};
        if (!IsRegularFile(path)) return false;
        TagLib::MPEG::File f(path.c_str(), false);
        if (!f.isValid()) return false;
        TagRecord r;
        if (const TagLib::Tag* t = f.tag()) { // ID3v2, then APE, then ID3v1, field by field
            r.Title.Fill(Utf8(t->title()));
            r.Artist.Fill(Utf8(t->artist()));
            r.Album.Fill(Utf8(t->album()));
            r.Comment.Fill(Utf8(t->comment()));
            if (t->year()) r.Year.Fill(std::to_string(t->year()));
            const std::string genre = Utf8(t->genre());
            r.GenreName.Fill(genre);
            if (genre.empty()) {
                r.GenreNumber = -1;
            } else {
                const int n = TagLib::ID3v1::genreIndex(FromUtf8(genre));
                r.GenreNumber = n >= 0 && n <= kLastClassicGenre ? n : 255;
            }
        } else {
            r.GenreNumber = -1;
        }
        tag = std::move(r);
        return true;
    } catch (...) {
        tag = TagRecord{};
        return false;
    }
}

bool WriteTags(const std::string& path, const TagRecord& tag) noexcept {
    try {
        // Write where the data lives: renaming over a symbolic link would replace the link.
        char resolved[PATH_MAX];
        if (!::realpath(path.c_str(), resolved)) return false;
        const std::string target = resolved;
        struct stat st {};
        if (::stat(target.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
        // The rename below would get past a read-only file; refuse it as a write would.
        if ((st.st_mode & 0222) == 0 || ::access(target.c_str(), W_OK) != 0) return false;

        const std::filesystem::path p(target);
        const std::string folder = p.parent_path().string();
        // Appended piece by piece: GCC 12 at -O3 warns falsely (-Wrestrict) on "." + string.
        std::string hidden = ".";
        hidden += p.filename().string();
        hidden += ".telbo-XXXXXX";
        std::string tempName = (p.parent_path() / hidden).string();
        const int tfd = ::mkostemp(tempName.data(), O_CLOEXEC);
        if (tfd < 0) return false;
        TempFile temp(tempName);
        {
            Fd out(tfd);
            Fd in(::open(target.c_str(), O_RDONLY | O_CLOEXEC));
            if (in.Get() < 0 || !CopyFile(in.Get(), out.Get())) return false;
            if (::fchmod(out.Get(), st.st_mode & 07777) != 0) return false;
            if (::fchown(out.Get(), st.st_uid, st.st_gid) != 0) {
                // Not ours to give away: keep our ownership, as a plain save would.
            }
            if (!out.Close()) return false;
        }

        const Fields fields = FieldsOf(tag);
        {
            TagLib::MPEG::File f(temp.Path().c_str(), false);
            if (!f.isValid() || f.readOnly()) return false;
            const bool hadV1 = f.hasID3v1Tag();
            const bool hadApe = f.hasAPETag();
            // TagLib would upgrade v2.3 to v2.4; players that only know 2.3 then lose the tag.
            const auto version =
                f.hasID3v2Tag() && f.ID3v2Tag()->header()->majorVersion() == 3 ? TagLib::ID3v2::v3
                                                                               : TagLib::ID3v2::v4;
            Apply(*f.ID3v2Tag(true), fields, false);
            if (hadV1) Apply(*f.ID3v1Tag(), fields, true);
            const int which = TagLib::MPEG::File::ID3v2 | (hadV1 ? TagLib::MPEG::File::ID3v1 : 0) |
                              (hadApe ? TagLib::MPEG::File::APE : 0);
            if (!f.save(which, TagLib::File::StripNone, version, TagLib::File::DoNotDuplicate))
                return false;
        }
        {
            Fd fd(::open(temp.Path().c_str(), O_RDONLY | O_CLOEXEC));
            if (fd.Get() < 0 || ::fsync(fd.Get()) != 0) return false;
        }

        // TagLib reports success after a short write (a full disk): believe only what reads
        // back. The tag must hold what was written and the audio must be byte for byte the
        // original's.
        {
            TagLib::MPEG::File check(temp.Path().c_str(), false);
            if (!check.isValid() || !check.hasID3v2Tag() || !Matches(*check.ID3v2Tag(), fields))
                return false;
        }
        long long offOld = 0, sizeOld = 0, offNew = 0, sizeNew = 0;
        if (!AudioRange(target, offOld, sizeOld) || !AudioRange(temp.Path(), offNew, sizeNew) ||
            sizeOld != sizeNew)
            return false;
        std::string audioOld, audioNew;
        if (!ReadRange(target, offOld, sizeOld, audioOld) ||
            !ReadRange(temp.Path(), offNew, sizeNew, audioNew) || audioOld != audioNew)
            return false;

        if (::rename(temp.Path().c_str(), target.c_str()) != 0) return false;
        temp.Keep();
        SyncFolder(folder); // the rename is done; this only hurries it to the disk
        return true;
    } catch (...) {
        return false;
    }
}

} // namespace telbo::engine
