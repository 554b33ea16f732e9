#include "tags/TagWrite.h"
#include "tags/RecordTexts.h"
#include "tags/TagRead.h"
#include "tags/TagLibRawFile.h"

#include "tags/UserFields.h"
#include "tags/TagFormats.h"
#include "tags/Id3v2Frames.h"
#include "tags/FileProbe.h"
#include "files/ReplacementFile.h"

#include <taglib/apetag.h>
#include <taglib/commentsframe.h>
#include <taglib/id3v1genres.h>
#include <taglib/id3v1tag.h>
#include <taglib/id3v2tag.h>
#include <taglib/tbytevectorstream.h>
#include <taglib/tfile.h>
#include <taglib/tfilestream.h>
#include <taglib/tstring.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <optional>
#include <string_view>
#include <vector>

namespace telbo::tags {

using files::ReplacementFile;
using files::WriteAll;

namespace {

// The texts a write would put into the file for `tag`. A field that cannot be stored is
// named in `problem` and left out of `storable`.
Fields WantedFields(const TagRecord& tag, std::array<bool, kFields>& storable,
                    std::string& problem) {
    Fields f;
    storable.fill(true);
    f[kTitle] = Trimmed(tag.Title.Raw());
    f[kArtist] = Trimmed(tag.Artist.Raw());
    f[kAlbum] = Trimmed(tag.Album.Raw());
    f[kComment] = Trimmed(tag.Comment.Raw());
    const std::string name = Trimmed(tag.GenreName.Raw());
    if (tag.GenreNumber >= 0 && tag.GenreNumber <= kLastClassicGenre) {
        const std::string listed = GenreName(tag.GenreNumber);
        f[kGenre] = SameIgnoringCase(name, listed) ? name : listed; // the user's spelling
    } else if (tag.GenreNumber != -1) {
        f[kGenre] = name;
    }
    const std::string year = Trimmed(tag.Year.Raw());
    const bool digits = year.find_first_not_of("0123456789") == std::string::npos;
    if (digits && year.size() <= 4) {
        // ID3v2.3's TYER and ID3v2.4's timestamps have four digits; "99" is kept as the user
        // typed it, not guessed into a century.
        f[kYear] = year.empty() ? year : std::string(4 - year.size(), '0') + year;
    } else {
        storable[kYear] = false;
        problem = "year not stored";
    }
    return f;
}

bool Differs(int field, const std::string& shown, const std::string& wanted) {
    if (field == kYear) return YearNumber(shown) != YearNumber(wanted);
    return AsShown(shown) != wanted;
}

// The fields to write: those the file can store whose text differs from what it shows.
std::array<bool, kFields> Changes(const std::array<bool, kFields>& storable, const Fields& shown,
                                  const Fields& wanted) {
    std::array<bool, kFields> change{};
    for (int i = 0; i < kFields; ++i) {
        const auto k = static_cast<std::size_t>(i);
        change[k] = storable[k] && Differs(i, shown[k], wanted[k]);
    }
    return change;
}

// Changes the fields of a 128-byte ID3v1 tag; a text it cannot hold in Latin-1 keeps the old.
void EditId3v1(std::vector<std::uint8_t>& v1, const Fields& wanted,
               const std::array<bool, kFields>& change) {
    auto put = [&](std::size_t offset, std::size_t width, const std::string& text) {
        const TagLib::String s = FromUtf8(text);
        if (!s.isLatin1()) return;
        const TagLib::ByteVector bytes = s.data(TagLib::String::Latin1);
        for (std::size_t i = 0; i < width; ++i)
            v1[offset + i] = i < bytes.size() ? static_cast<std::uint8_t>(bytes[static_cast<unsigned>(i)]) : 0;
    };
    // ID3v1.1 keeps the track number in the comment's last two bytes.
    const bool hasTrack = v1[125] == 0 && v1[126] != 0;
    if (change[kTitle]) put(3, 30, wanted[kTitle]);
    if (change[kArtist]) put(33, 30, wanted[kArtist]);
    if (change[kAlbum]) put(63, 30, wanted[kAlbum]);
    if (change[kYear]) put(93, 4, wanted[kYear]);
    if (change[kComment]) put(97, hasTrack ? 28 : 30, wanted[kComment]);
    if (change[kGenre]) {
        const int n = wanted[kGenre].empty() ? -1 : GenreIndexIgnoringCase(wanted[kGenre], 256);
        v1[127] = n >= 0 ? static_cast<std::uint8_t>(n) : 0xFF;
    }
}

// The APE tag of `fd` with the fields marked in `change` set to `wanted`.
std::vector<std::uint8_t> EditedApe(int fd, const FileProbe& layout, const Fields& wanted,
                                    const std::array<bool, kFields>& change) {
    TagLib::FileStream stream(::dup(fd), true);
    if (!stream.isOpen()) return {};
    RawFile file(&stream);
    TagLib::APE::Tag ape(&file, static_cast<long>(layout.apeFooter));
    const char* keys[kFields] = {"TITLE", "ARTIST", "ALBUM", "YEAR", "GENRE", "COMMENT"};
    for (int i = 0; i < kFields; ++i) {
        if (!change[static_cast<std::size_t>(i)]) continue;
        const std::string& value = wanted[static_cast<std::size_t>(i)];
        if (value.empty()) ape.removeItem(keys[i]);
        else ape.addValue(keys[i], FromUtf8(value), true);
    }
    const TagLib::ByteVector bytes = ape.render();
    return {bytes.begin(), bytes.end()};
}

// Copies `size` bytes of `from` at `offset` to the end of `to`.
bool CopyRange(int from, std::uint64_t offset, std::uint64_t size, int to) {
    std::vector<std::uint8_t> buf;
    while (size > 0) {
        const std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(size, 1 << 16));
        if (!ReadAt(from, offset, n, buf) || !WriteAll(to, buf.data(), n)) return false;
        offset += n;
        size -= n;
    }
    return true;
}

// Whether `size` bytes at `offsetA` of `a` equal those at `offsetB` of `b`.
bool SameRange(int a, std::uint64_t offsetA, int b, std::uint64_t offsetB, std::uint64_t size) {
    std::vector<std::uint8_t> x, y;
    for (std::uint64_t done = 0; done < size;) {
        const std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(size - done, 1 << 16));
        if (!ReadAt(a, offsetA + done, n, x) || !ReadAt(b, offsetB + done, n, y) || x != y)
            return false;
        done += n;
    }
    return true;
}

TagWriteResult Failed(std::string problem) { return TagWriteResult{false, std::move(problem)}; }

constexpr const char* kCannotWrite = "cannot write the file";

// The file a write replaces: found through symbolic links (renaming over a link would replace
// the link), a regular file with a write permission, open for reading and probed.
struct WriteTarget {
    std::string path;
    struct stat st {};
    std::optional<Fd> in;
    FileProbe probe;
};

// Why `path` cannot be written, or nothing when `target` now holds it.
std::optional<std::string> OpenTarget(const std::string& path, WriteTarget& target) {
    char resolved[PATH_MAX];
    if (!::realpath(path.c_str(), resolved)) return "file not found";
    target.path = resolved;
    if (::stat(target.path.c_str(), &target.st) != 0 || !S_ISREG(target.st.st_mode))
        return "file not found";
    // The rename would get past a read-only file; refuse it as a write would.
    if ((target.st.st_mode & 0222) == 0 || ::access(target.path.c_str(), W_OK) != 0)
        return "file is read-only";
    target.in.emplace(::open(target.path.c_str(), O_RDONLY | O_CLOEXEC));
    if (target.in->Get() < 0 || !ProbeFile(target.in->Get(), target.probe)) return kCannotWrite;
    return std::nullopt;
}

// Why the ID3v2 path cannot write the file `probe` describes (no format of TagFormats takes
// it); nothing when it can. What plays is audio: it is refused for what it is, never as none.
std::optional<std::string> NotWritable(const FileProbe& probe) {
    switch (probe.kind) {
    case FileKind::Mp3:
        break;
    case FileKind::Unknown:
        return "not an audio file";
    case FileKind::Mp4:
        // A tag in front would spoil it for every other program.
        if (!probe.mpeg) return "not an audio file";
        [[fallthrough]];
    case FileKind::Rf64:
    case FileKind::OggFlac:
    case FileKind::Riff:
    case FileKind::Form:
        return std::string(FileKindName(probe.kind)) + " files cannot be tagged";
    case FileKind::Flac:
    case FileKind::OggVorbis:
    case FileKind::Opus:
    case FileKind::Wav:
    case FileKind::Aiff:
        return std::string(FileKindName(probe.kind)) +
               " files behind an ID3v2 tag cannot be tagged";
    }
    if ((probe.id3v2.major != 0 && !probe.id3v2Fits) || probe.id3v2Unknown)
        return "damaged ID3v2 tag";
    if (probe.id3v2.size > kMaxId3v2Bytes) return "ID3v2 tag too large";
    return std::nullopt;
}

// Gives the copy the original's permissions and owner, and makes it durable.
bool Finish(int fd, const struct stat& st) {
    if (::fchmod(fd, st.st_mode & 07777) != 0) return false;
    if (::fchown(fd, st.st_uid, st.st_gid) != 0) {
        // Not ours to give away: keep our ownership, as a plain save would.
    }
    return ::fsync(fd) == 0;
}

// An ID3v1 tag at the end of a FLAC file (TagLib reads it, after the comment) takes the
// record as in an MP3 file.
bool EditFlacId3v1(int fd, const Fields& wanted, const std::array<bool, kFields>& change) {
    struct stat st {};
    std::vector<std::uint8_t> v1;
    if (::fstat(fd, &st) != 0) return false;
    const auto size = static_cast<std::uint64_t>(st.st_size);
    if (size < 128 || !ReadAt(fd, size - 128, 128, v1) || std::memcmp(v1.data(), "TAG", 3) != 0)
        return true;
    EditId3v1(v1, wanted, change);
    return ::pwrite(fd, v1.data(), v1.size(), static_cast<off_t>(size - 128)) == 128;
}

// FLAC, Ogg and WAV files: TagLib edits a whole copy in place; the copy must then show the
// record and hold the original's audio byte for byte.
TagWriteResult WriteFormatFile(int in, const std::string& target, const struct stat& st,
                               const TagRecord& tag, TagFormat format) {
    const std::string damaged = std::string("damaged ") + TagFormatName(format) + " file";
    TagWriteResult result{true, {}};
    std::array<bool, kFields> storable{};
    const Fields wanted = WantedFields(tag, storable, result.problem);
    Fields shown;
    const auto audio = AudioRanges(in, format);
    if (!audio || !ReadFormatTags(in, format, shown)) return Failed(damaged);
    const std::array<bool, kFields> change = Changes(storable, shown, wanted);
    if (change == std::array<bool, kFields>{}) return result;

    const std::string folder = std::filesystem::path(target).parent_path().string();
    ReplacementFile::RemoveLeftovers(folder);
    ReplacementFile copy(folder);
    const int out = copy.Fd();
    if (out < 0) return Failed(kCannotWrite);
    // A FLAC file is written whole from the original; TagLib edits a copy of the others.
    std::string damage;
    if ((format != TagFormat::Flac &&
         !CopyRange(in, 0, static_cast<std::uint64_t>(st.st_size), out)) ||
        !WriteFormatTags(in, out, format, wanted, change, damage) ||
        (format == TagFormat::Flac && !EditFlacId3v1(out, wanted, change)) || !Finish(out, st))
        return Failed(damage.empty() ? kCannotWrite : damage);

    Fields written;
    const auto now = AudioRanges(out, format);
    if (TagFormatOf(out) != format || !now || !SameBytes(in, *audio, out, *now) ||
        !ReadFormatTags(out, format, written))
        return Failed(kCannotWrite);
    for (int i = 0; i < kFields; ++i) {
        const auto k = static_cast<std::size_t>(i);
        const std::string& meant = change[k] ? wanted[k] : shown[k];
        if (Differs(i, written[k], i == kYear ? meant : AsShown(meant)))
            return Failed(std::string(kFieldNames[i]) + " could not be stored");
    }
    if (!copy.Replace(target)) return Failed(kCannotWrite);
    return result;
}

} // namespace

TagWriteResult WriteTags(const std::string& path, const TagRecord& tag) noexcept {
    try {
        WriteTarget file;
        if (auto why = OpenTarget(path, file)) return Failed(std::move(*why));
        const std::string& target = file.path;
        const struct stat& st = file.st;
        Fd& in = *file.in;
        const FileProbe& old = file.probe;
        if (const TagFormat format = TagFormatOf(old); format != TagFormat::None)
            return WriteFormatFile(in.Get(), target, st, tag, format);
        if (auto why = NotWritable(old)) return Failed(std::move(*why));

        TagWriteResult result{true, {}};
        std::array<bool, kFields> storable{};
        const Fields wanted = WantedFields(tag, storable, result.problem);
        const Fields shown = ReadMp3Fields(in.Get(), old);
        const std::array<bool, kFields> change = Changes(storable, shown, wanted);
        // The file already shows the record: leave it as it is.
        if (change == std::array<bool, kFields>{}) return result;

        std::vector<std::uint8_t> id3v2;
        if (old.id3v2.major != 0) {
            std::vector<std::uint8_t> bytes;
            if (!ReadAt(in.Get(), 0, static_cast<std::size_t>(old.id3v2.size), bytes))
                return Failed(kCannotWrite);
            std::string why;
            std::optional<Id3v2Frames> frames = Id3v2Frames::Parse(bytes, why);
            if (!frames) return Failed(why);
            SetFields(*frames, wanted, change);
            id3v2 = frames->Render(frames->BodySize());
        } else {
            Id3v2Frames frames(4);
            SetFields(frames, wanted, change);
            if (!frames.Frames().empty()) id3v2 = frames.Render(0); // no empty tag for a clear
        }
        std::vector<std::uint8_t> ape, id3v1;
        if (old.hasApe) {
            ape = EditedApe(in.Get(), old, wanted, change);
            if (ape.empty()) return Failed(kCannotWrite);
        }
        if (old.hasId3v1) {
            if (!ReadAt(in.Get(), old.fileSize - 128, 128, id3v1)) return Failed(kCannotWrite);
            EditId3v1(id3v1, wanted, change);
        }

        const std::string folder = std::filesystem::path(target).parent_path().string();
        ReplacementFile::RemoveLeftovers(folder);
        ReplacementFile copy(folder);
        const int out = copy.Fd();
        const std::uint64_t middle = old.trailerStart - old.audioStart;
        if (out < 0 || !WriteAll(out, id3v2.data(), id3v2.size()) ||
            !CopyRange(in.Get(), old.audioStart, middle, out) ||
            !WriteAll(out, ape.data(), ape.size()) || !WriteAll(out, id3v1.data(), id3v1.size()) ||
            !Finish(out, st))
            return Failed(kCannotWrite);

        // Believe only what reads back: every field as meant, the tags the file had, and the
        // bytes between the tags (the audio) exactly the original's.
        FileProbe now;
        if (!ProbeFile(out, now) || !now.IsMp3() ||
            (id3v2.empty() ? now.id3v2.major != 0 : !now.id3v2Fits) ||
            now.hasApe != old.hasApe || now.hasId3v1 != old.hasId3v1 ||
            now.trailerStart - now.audioStart != middle ||
            !SameRange(in.Get(), old.audioStart, out, now.audioStart, middle))
            return Failed(kCannotWrite);
        const Fields written = ReadMp3Fields(out, now);
        for (int i = 0; i < kFields; ++i) {
            const auto k = static_cast<std::size_t>(i);
            const std::string& meant = change[k] ? wanted[k] : shown[k];
            if (Differs(i, written[k], i == kYear ? meant : AsShown(meant)))
                return Failed(std::string(kFieldNames[i]) + " could not be stored");
        }
        if (!copy.Replace(target)) return Failed(kCannotWrite);
        return result;
    } catch (...) {
        return Failed("cannot write the file");
    }
}

} // namespace telbo::tags

namespace telbo::tags {

namespace {

// Whether the file holds every field as meant.
bool HoldsFields(int fd, TagFormat format, const FileProbe* layout, const TagFields& fields) {
    for (const auto& [name, value] : fields) {
        const auto held = ReadUserField(fd, format, layout, name);
        if (!held || *held != value) return false;
    }
    return true;
}

TagWriteResult WriteFormatFields(int in, const std::string& target, const struct stat& st,
                                 const TagFields& fields, TagFormat format) {
    const auto audio = AudioRanges(in, format);
    if (!audio) return Failed(std::string("damaged ") + TagFormatName(format) + " file");
    if (HoldsFields(in, format, nullptr, fields)) return TagWriteResult{true, {}};

    const std::string folder = std::filesystem::path(target).parent_path().string();
    ReplacementFile::RemoveLeftovers(folder);
    ReplacementFile copy(folder);
    const int out = copy.Fd();
    if (out < 0 || !CopyRange(in, 0, static_cast<std::uint64_t>(st.st_size), out) ||
        !WriteUserFields(out, format, fields) || !Finish(out, st))
        return Failed(kCannotWrite);
    const auto now = AudioRanges(out, format);
    if (TagFormatOf(out) != format || !now || !SameBytes(in, *audio, out, *now) ||
        !HoldsFields(out, format, nullptr, fields))
        return Failed(kCannotWrite);
    if (!copy.Replace(target)) return Failed(kCannotWrite);
    return TagWriteResult{true, {}};
}

} // namespace

TagWriteResult WriteFields(const std::string& path, const TagFields& fields) noexcept {
    try {
        WriteTarget file;
        if (auto why = OpenTarget(path, file)) return Failed(std::move(*why));
        const std::string& target = file.path;
        const struct stat& st = file.st;
        Fd& in = *file.in;
        const FileProbe& old = file.probe;
        if (const TagFormat format = TagFormatOf(old); format != TagFormat::None)
            return WriteFormatFields(in.Get(), target, st, fields, format);
        if (auto why = NotWritable(old)) return Failed(std::move(*why));
        if (HoldsFields(in.Get(), TagFormat::None, &old, fields)) return TagWriteResult{true, {}};

        std::optional<Id3v2Frames> frames;
        std::uint64_t body = 0;
        if (old.id3v2.major != 0) {
            std::vector<std::uint8_t> bytes;
            if (!ReadAt(in.Get(), 0, static_cast<std::size_t>(old.id3v2.size), bytes))
                return Failed(kCannotWrite);
            std::string why;
            frames = Id3v2Frames::Parse(bytes, why);
            if (!frames) return Failed(why);
            body = frames->BodySize();
        } else {
            frames.emplace(4);
        }
        SetUserTextFrames(*frames, fields);
        const std::vector<std::uint8_t> id3v2 = frames->Render(body);

        // Everything after the ID3v2 tag (the audio, APE and ID3v1 tags) is copied as it is.
        const std::string folder = std::filesystem::path(target).parent_path().string();
        ReplacementFile::RemoveLeftovers(folder);
        ReplacementFile copy(folder);
        const int out = copy.Fd();
        const std::uint64_t rest = old.fileSize - old.audioStart;
        if (out < 0 || !WriteAll(out, id3v2.data(), id3v2.size()) ||
            !CopyRange(in.Get(), old.audioStart, rest, out) || !Finish(out, st))
            return Failed(kCannotWrite);
        FileProbe now;
        if (!ProbeFile(out, now) || !now.IsMp3() || !now.id3v2Fits ||
            now.fileSize - now.audioStart != rest ||
            !SameRange(in.Get(), old.audioStart, out, now.audioStart, rest) ||
            !HoldsFields(out, TagFormat::None, &now, fields))
            return Failed(kCannotWrite);
        if (!copy.Replace(target)) return Failed(kCannotWrite);
        return TagWriteResult{true, {}};
    } catch (...) {
        return Failed("cannot write the file");
    }
}

} // namespace telbo::tags
