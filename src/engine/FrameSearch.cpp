#include "engine/FrameSearch.h"

#include <unistd.h>

#include <algorithm>
#include <array>
#include <vector>

namespace telbo::engine {

namespace {

struct Header {
    int version = 0; // 3 MPEG-1, 2 MPEG-2, 0 MPEG-2.5 (the header's own code)
    int layer = 0;   // 1..3
    int rate = 0;
    int channels = 0;
    int length = 0; // bytes, 0 for free format
};

constexpr std::array<std::array<int, 16>, 5> kKbps = {{
    {0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448, 0}, // 1, I
    {0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384, 0},    // 1, II
    {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 0},     // 1, III
    {0, 32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256, 0},    // 2, I
    {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, 0},         // 2, II and III
}};

std::optional<Header> Parse(const unsigned char* p) noexcept {
    const std::uint32_t h = (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) |
                            (std::uint32_t{p[2]} << 8) | p[3];
    if ((h & 0xFFE00000u) != 0xFFE00000u) return std::nullopt;
    Header r;
    r.version = static_cast<int>((h >> 19) & 3);
    const int layerCode = static_cast<int>((h >> 17) & 3);
    const int bitrateIndex = static_cast<int>((h >> 12) & 15);
    const int rateIndex = static_cast<int>((h >> 10) & 3);
    if (r.version == 1 || layerCode == 0 || bitrateIndex == 15 || rateIndex == 3)
        return std::nullopt;
    r.layer = 4 - layerCode;
    static constexpr int kRates[3] = {44100, 48000, 32000};
    r.rate = kRates[rateIndex] >> (r.version == 3 ? 0 : r.version == 2 ? 1 : 2);
    r.channels = ((h >> 6) & 3) == 3 ? 1 : 2;
    const bool mpeg1 = r.version == 3;
    const int table = mpeg1 ? r.layer - 1 : (r.layer == 1 ? 3 : 4);
    const auto& kbps = kKbps[static_cast<std::size_t>(table)];
    const long bps = kbps[static_cast<std::size_t>(bitrateIndex)] * 1000L;
    const int pad = static_cast<int>((h >> 9) & 1);
    if (bps == 0) r.length = 0;
    else if (r.layer == 1) r.length = static_cast<int>((12 * bps / r.rate + pad) * 4);
    else if (r.layer == 3 && !mpeg1) r.length = static_cast<int>(72 * bps / r.rate + pad);
    else r.length = static_cast<int>(144 * bps / r.rate + pad);
    return r;
}

bool SameStream(const Header& a, const Header& b) noexcept {
    return a.version == b.version && a.layer == b.layer && a.rate == b.rate;
}

bool ReadAt(int fd, std::int64_t at, unsigned char* buf, std::size_t n) noexcept {
    std::size_t done = 0;
    while (done < n) {
        const auto from = static_cast<off_t>(at + static_cast<std::int64_t>(done));
        const ssize_t r = pread(fd, buf + done, n - done, from);
        if (r <= 0) return false;
        done += static_cast<std::size_t>(r);
    }
    return true;
}

// Past the ID3v2 tags at the start. A tag that claims more than the file holds is not trusted:
// the search starts right behind its header.
std::int64_t AudioStart(int fd, std::int64_t size) noexcept {
    std::int64_t at = 0;
    for (int tags = 0; tags < 16; ++tags) {
        unsigned char h[10];
        if (at + 10 > size || !ReadAt(fd, at, h, sizeof h)) break;
        if (h[0] != 'I' || h[1] != 'D' || h[2] != '3' || h[3] == 0xFF || h[4] == 0xFF ||
            ((h[6] | h[7] | h[8] | h[9]) & 0x80))
            break;
        const std::int64_t body = (std::int64_t{h[6]} << 21) | (std::int64_t{h[7]} << 14) |
                                  (std::int64_t{h[8]} << 7) | h[9];
        const std::int64_t end = at + 10 + body + ((h[5] & 0x10) ? 10 : 0);
        if (end > size) return at + 10;
        at = end;
    }
    return at;
}

} // namespace

std::optional<FirstFrame> FindFirstFrame(int fd, std::int64_t size) noexcept {
    try {
        const std::int64_t start = AudioStart(fd, size);
        const std::int64_t stop = std::min(size, start + kFrameSearchWindow);
        // Each block is read with enough behind it to hold the next header of any frame
        // that starts in it (the longest frame is 2881 bytes; free format is searched for
        // as far as that too).
        constexpr std::int64_t kBlock = 64 * 1024;
        constexpr std::int64_t kAhead = 4 * 1024;
        std::vector<unsigned char> buf(static_cast<std::size_t>(kBlock + kAhead));
        for (std::int64_t at = start; at < stop; at += kBlock) {
            const std::int64_t have = std::min(kBlock + kAhead, size - at);
            if (have < 4 || !ReadAt(fd, at, buf.data(), static_cast<std::size_t>(have))) break;
            const std::int64_t scanEnd = std::min({kBlock, have - 3, stop - at});
            for (std::int64_t i = 0; i < scanEnd; ++i) {
                if (buf[static_cast<std::size_t>(i)] != 0xFF) continue;
                const auto h = Parse(&buf[static_cast<std::size_t>(i)]);
                if (!h) continue;
                bool confirmed = false;
                if (h->length > 0) {
                    const std::int64_t next = i + h->length;
                    if (at + next == size) {
                        confirmed = true; // a stream of one frame
                    } else if (next + 4 <= have) {
                        const auto n = Parse(&buf[static_cast<std::size_t>(next)]);
                        confirmed = n && SameStream(*h, *n);
                    }
                } else {
                    const std::int64_t end = std::min(have - 4, i + kAhead - 1);
                    for (std::int64_t j = i + 4; j <= end && !confirmed; ++j) {
                        const auto n = Parse(&buf[static_cast<std::size_t>(j)]);
                        confirmed = n && SameStream(*h, *n);
                    }
                }
                if (confirmed) return FirstFrame{at + i, h->rate, h->channels};
            }
        }
    } catch (...) {
    }
    return std::nullopt;
}

} // namespace telbo::engine
