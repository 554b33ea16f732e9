#pragma once
// Where the MPEG audio of a file begins: past any ID3v2 tags, the first frame header that the
// next frame's header confirms. Bounded: a file whose first few MiB hold no such pair is not
// an MP3 stream, whatever its size (a pre-allocated, never-written download is all zeros).

#include <cstdint>
#include <optional>

namespace telbo::engine {

struct FirstFrame {
    std::int64_t offset = 0; // of its header, from the start of the file
    int rate = 0;            // the stream's own sample rate, Hz
    int channels = 0;        // 1 or 2
};

// How far past the tags the audio may begin.
inline constexpr std::int64_t kFrameSearchWindow = std::int64_t{4} << 20;

// Reads the file `fd` (of `size` bytes) with pread; the file position is left alone.
std::optional<FirstFrame> FindFirstFrame(int fd, std::int64_t size) noexcept;

} // namespace telbo::engine
