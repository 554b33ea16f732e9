#pragma once
// Where the parts of an MP3 file lie: the ID3v2 tag in front, the MPEG audio stream, the APE
// and ID3v1 tags at the end. Pure functions on bytes and a bounded reader of a file; no TagLib.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace telbo::tags {

// The ID3v2 tag a file begins with, as its header declares it.
struct Id3v2Header {
    int major = 0; // 2, 3 or 4; 0 when the file does not begin with a tag
    std::uint8_t flags = 0;
    std::uint64_t size = 0; // the whole tag: header, body and footer
};

// Reads the header from the first 10 bytes of `head`.
Id3v2Header ParseId3v2Header(std::span<const std::uint8_t> head) noexcept;

// Length of the MPEG audio frame whose header begins at `p` (4 bytes readable), 0 when these
// bytes are no frame header. `kind` receives what consecutive frames of a stream share.
std::size_t MpegFrameLength(const std::uint8_t* p, std::uint32_t* kind = nullptr) noexcept;

// Offset in `data` of the first MPEG audio stream: a frame header followed by at least two
// more of the same kind at the lengths they declare, or (when `dataEndsStream`) a chain of
// frames ending exactly at the end of `data`. npos when there is none.
std::size_t FindMpegStream(std::span<const std::uint8_t> data, bool dataEndsStream) noexcept;

// The layout of a file, found by reading only its first few MiB and its last bytes.
struct FileLayout {
    std::uint64_t fileSize = 0;
    Id3v2Header id3v2;      // major 0: none
    bool id3v2Fits = false; // the declared tag ends inside the file
    bool id3v2Unknown = false; // "ID3" with a header of no version we know
    std::uint64_t audioStart = 0; // end of the ID3v2 tag, or 0
    std::uint64_t apeStart = 0, apeFooter = 0; // when hasApe: the tag and its 32-byte footer
    bool hasApe = false;
    bool hasId3v1 = false;             // the last 128 bytes
    std::uint64_t trailerStart = 0;    // where the APE or ID3v1 tag begins, else the file size
    bool mp3 = false; // an MPEG audio stream starts within the first few MiB after the tag
    std::uint64_t streamStart = 0; // where, when mp3
};

// How far after the ID3v2 tag the audio stream is looked for.
constexpr std::uint64_t kStreamSearchBytes = 4u << 20;

// Reads the layout of the open file `fd`. False when it cannot be read.
bool ReadLayout(int fd, FileLayout& layout);

// Reads `size` bytes at `offset` of `fd` into `out`. False on a short read.
bool ReadAt(int fd, std::uint64_t offset, std::size_t size, std::vector<std::uint8_t>& out);

// Removes the 0x00 that unsynchronisation puts after each 0xFF.
std::vector<std::uint8_t> Resynchronised(std::span<const std::uint8_t> data);
// Puts a 0x00 after each 0xFF that is followed by 0x00 or by 0xE0 and above, and after a
// final 0xFF.
std::vector<std::uint8_t> Unsynchronised(std::span<const std::uint8_t> data);

} // namespace telbo::tags
