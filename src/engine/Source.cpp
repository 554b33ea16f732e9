#include "engine/Source.h"

#include "engine/Mpg123Source.h"
#include "engine/ReducedSource.h"
#include "engine/SndfileSource.h"

#include <fcntl.h>
#include <unistd.h>

#include <array>
#include <cmath>
#include <cstring>

namespace telbo::engine {

namespace {

// Bytes `at` of the file; fewer at its end.
std::size_t ReadAt(int fd, std::int64_t at, unsigned char* into, std::size_t size) {
    const ssize_t n = ::pread(fd, into, size, static_cast<off_t>(at));
    return n > 0 ? static_cast<std::size_t>(n) : 0;
}

// Whether the file is one of libsndfile's formats, by its first bytes (past an ID3v2 tag,
// which some programs put in front of FLAC). MP3 has no such mark: it is whatever is left.
// A container's mark alone decides: a damaged WAV read as MP3 would find frame headers in
// its samples and play noise.
bool ForSndfile(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return false;
    std::array<unsigned char, 12> head{};
    std::size_t n = ReadAt(fd, 0, head.data(), head.size());
    if (n >= 10 && std::memcmp(head.data(), "ID3", 3) == 0) {
        const std::int64_t size = (std::int64_t{head[6] & 0x7f} << 21) | ((head[7] & 0x7f) << 14) |
                                  ((head[8] & 0x7f) << 7) | (head[9] & 0x7f);
        const std::int64_t after = 10 + size + ((head[5] & 0x10) ? 10 : 0);
        n = ReadAt(fd, after, head.data(), head.size());
        if (n < 4 || std::memcmp(head.data(), "fLaC", 4) != 0) n = 0;
    }
    ::close(fd);
    if (n < 4) return false;
    auto at = [&](std::size_t offset, const char* mark) {
        return n >= offset + 4 && std::memcmp(head.data() + offset, mark, 4) == 0;
    };
    return at(0, "fLaC") || at(0, "OggS") || at(0, "RIFF") || at(0, "RIFX") || at(0, "RF64") ||
           at(0, "FORM");
}

} // namespace

int Source::TotalSeconds() const noexcept {
    const int rate = Rate();
    return rate > 0 ? static_cast<int>(std::llround(static_cast<double>(LengthFrames()) / rate))
                    : 0;
}

std::unique_ptr<Source> OpenSource(const std::string& path, const DecodeOptions& options) noexcept {
    try {
        if (ForSndfile(path))
            return ReducedSource::Wrap(SndfileSource::Open(path), static_cast<int>(options.SamplingRate),
                                       options.StereoConf == DecodeChannels::Mono);
        return Mpg123Source::Open(path, options);
    } catch (...) {
        return nullptr;
    }
}

} // namespace telbo::engine
