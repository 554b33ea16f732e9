#pragma once
// What a file is and where its parts lie, for playback and tags alike: the ID3v2 tags in
// front, the container its first bytes name (or the MPEG audio stream of an MP3 file: where it
// starts, its rate and channels), the APE and ID3v1 tags at the end. Pure functions on bytes
// and one bounded reader of a file; no TagLib. Whatever the engine plays, the tag writer takes
// for audio: both ask here.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace telbo::tags {

// An ID3v2 tag's header, as it declares itself.
struct Id3v2Header {
    int major = 0; // 2, 3, 4 (or a newer version); 0 when the bytes are no ID3v2 header
    std::uint8_t flags = 0;
    std::uint64_t size = 0; // the whole tag: header, body and footer
    // A version whose frames we know how to read and write.
    bool Known() const noexcept { return major >= 2 && major <= 4; }
};

// Reads the header from the first 10 bytes of `head`: "ID3", a version, flags, and a body size
// in four synchsafe bytes.
Id3v2Header ParseId3v2Header(std::span<const std::uint8_t> head) noexcept;

// Four bytes of seven bits each, most significant first (ID3v2's synchsafe sizes). Where a
// top bit is set the bytes are no such size; callers that care check that first.
std::uint32_t Synchsafe(const std::uint8_t* p) noexcept;

// An MPEG audio frame header (layer I, II or III; MPEG-1, 2 or 2.5).
struct MpegFrame {
    int rate = 0;           // samples per second
    int channels = 0;       // 1 or 2
    int layer = 0;          // 1..3
    std::size_t length = 0; // bytes, header included; 0 for a free-format frame
    std::uint32_t kind = 0; // what all frames of one stream share: version, layer, rate
};

// The frame header at `p` (4 bytes readable), or nothing when these bytes are none.
std::optional<MpegFrame> ParseMpegFrame(const std::uint8_t* p) noexcept;

// Offset in `data` of the first MPEG frame header that starts before `searchEnd` and is
// confirmed, as the decoder confirms it: the header of the next frame (at its declared length,
// or for a free-format frame anywhere in the next few KiB) is of the same stream. A single
// frame is no stream. npos when there is none.
std::size_t FindMpegStream(std::span<const std::uint8_t> data, std::size_t searchEnd) noexcept;

// What a file's first bytes (past its ID3v2 tags) say it is.
enum class FileKind {
    Unknown,   // no mark and no MPEG stream
    Mp3,       // no mark, an MPEG audio stream
    Flac,      // may follow ID3v2 tags
    OggVorbis, // the rest only at the very start
    Opus,
    OggFlac,
    Wav,
    Rf64, // RF64 or BW64
    Riff, // RIFX, or RIFF of another form
    Aiff, // AIFF or AIFC
    Form, // FORM of another kind
    Mp4,  // "ftyp": MPEG audio found inside plays, but is no file to put a tag in front of
};

// "MP3", "FLAC", "Ogg Vorbis", ... for messages.
const char* FileKindName(FileKind kind) noexcept;

// How far past the ID3v2 tags the audio of an MP3 file may begin, and so the most junk the
// decoder skips anywhere in it.
inline constexpr std::uint64_t kStreamSearchBytes = std::uint64_t{4} << 20;
// Larger ID3v2 tags are not read or rewritten: no real tag comes near, and reading one would
// hold the window.
inline constexpr std::uint64_t kMaxId3v2Bytes = std::uint64_t{64} << 20;

// The layout of a file, found by reading only its first few MiB and its last bytes.
struct FileProbe {
    std::uint64_t fileSize = 0;
    FileKind kind = FileKind::Unknown;
    Id3v2Header id3v2;            // the first tag; major 0: none
    bool id3v2Fits = false;       // it ends inside the file
    bool id3v2Unknown = false;    // "ID3" with a header of no version we know
    int id3v2Tags = 0;            // the tags one after another in front that fit in the file
    std::uint64_t audioStart = 0; // end of the first ID3v2 tag when it fits, else 0
    // Past all the tags in front; right behind the header of a tag that claims more than the
    // file holds (its size is a lie, the audio may well follow).
    std::uint64_t tagsEnd = 0;
    std::uint64_t apeStart = 0, apeFooter = 0; // when hasApe: the tag and its 32-byte footer
    bool hasApe = false;
    bool hasId3v1 = false;          // the last 128 bytes
    std::uint64_t trailerStart = 0; // where the APE or ID3v1 tag begins, else the file size
    // Where there is an MPEG audio stream (kind Mp3 or Mp4), within kStreamSearchBytes of
    // tagsEnd and before trailerStart.
    bool mpeg = false;
    std::uint64_t streamStart = 0;
    int rate = 0, channels = 0; // of its first frame

    bool IsMp3() const noexcept { return kind == FileKind::Mp3; }
};

// Reads the layout of the open file `fd` (the file position is left alone). False when it is
// no regular file or cannot be read. Without `findStream` only the marks are read: a file
// without one is then Unknown, whatever its frames.
bool ProbeFile(int fd, FileProbe& probe, bool findStream = true);

// Reads `size` bytes at `offset` of `fd` into `out`. False on a short read.
bool ReadAt(int fd, std::uint64_t offset, std::size_t size, std::vector<std::uint8_t>& out);

} // namespace telbo::tags
