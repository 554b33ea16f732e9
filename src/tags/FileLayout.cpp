#include "tags/FileLayout.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace telbo::tags {

namespace {

constexpr std::size_t kId3v2HeaderBytes = 10;
constexpr std::size_t kId3v1Bytes = 128;
constexpr std::size_t kApeFooterBytes = 32;
constexpr std::uint32_t kApeHasHeader = 1u << 31;

std::uint32_t LittleEndian32(const std::uint8_t* p) {
    return std::uint32_t{p[0]} | std::uint32_t{p[1]} << 8 | std::uint32_t{p[2]} << 16 |
           std::uint32_t{p[3]} << 24;
}

// Kilobits per second by [MPEG-1 or not][layer I, II, III][index 1..14].
constexpr int kBitrates[2][3][15] = {
    {{0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448},
     {0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384},
     {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320}},
    {{0, 32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256},
     {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160},
     {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160}}};
// Samples per second by version bits (MPEG-2.5, reserved, MPEG-2, MPEG-1) and index 0..2.
constexpr int kRates[4][3] = {{11025, 12000, 8000}, {0, 0, 0}, {22050, 24000, 16000},
                              {44100, 48000, 32000}};

// WAV, AIFF, FLAC, Ogg and MP4 may carry MPEG audio inside, but a tag in front of them would
// spoil them for every other program.
bool OtherContainer(const std::vector<std::uint8_t>& head) {
    auto at = [&](std::size_t offset, const char* magic) {
        const std::size_t n = std::strlen(magic);
        return head.size() >= offset + n && std::memcmp(head.data() + offset, magic, n) == 0;
    };
    return at(0, "RIFF") || at(0, "FORM") || at(0, "fLaC") || at(0, "OggS") || at(4, "ftyp");
}

} // namespace

Id3v2Header ParseId3v2Header(std::span<const std::uint8_t> head) noexcept {
    Id3v2Header h;
    if (head.size() < kId3v2HeaderBytes || head[0] != 'I' || head[1] != 'D' || head[2] != '3')
        return h;
    const int major = head[3];
    if (major < 2 || major > 4 || head[4] == 0xFF) return h;
    std::uint64_t body = 0;
    for (int i = 6; i < 10; ++i) {
        if (head[static_cast<std::size_t>(i)] & 0x80) return h; // not a synchsafe size
        body = body << 7 | head[static_cast<std::size_t>(i)];
    }
    h.major = major;
    h.flags = head[5];
    const bool footer = major == 4 && (h.flags & 0x10);
    h.size = kId3v2HeaderBytes + body + (footer ? kId3v2HeaderBytes : 0);
    return h;
}

std::size_t MpegFrameLength(const std::uint8_t* p, std::uint32_t* kind) noexcept {
    const std::uint32_t h = std::uint32_t{p[0]} << 24 | std::uint32_t{p[1]} << 16 |
                            std::uint32_t{p[2]} << 8 | std::uint32_t{p[3]};
    if ((h & 0xFFE00000u) != 0xFFE00000u) return 0;
    const unsigned version = (h >> 19) & 3, layer = (h >> 17) & 3;
    const unsigned bitrateIndex = (h >> 12) & 15, rateIndex = (h >> 10) & 3;
    // Free-format streams (bitrate index 0) carry no length; like reserved values they count
    // as no frame here.
    if (version == 1 || layer == 0 || bitrateIndex == 0 || bitrateIndex == 15 || rateIndex == 3 ||
        (h & 3) == 2)
        return 0;
    const bool mpeg1 = version == 3;
    const int layerNumber = 4 - static_cast<int>(layer); // 1, 2 or 3
    const long bitrate = kBitrates[mpeg1 ? 0 : 1][layerNumber - 1][bitrateIndex] * 1000L;
    const long rate = kRates[version][rateIndex];
    const long padding = (h >> 9) & 1;
    long length = 0;
    if (layerNumber == 1) length = (12 * bitrate / rate + padding) * 4;
    else if (layerNumber == 3 && !mpeg1) length = 72 * bitrate / rate + padding;
    else length = 144 * bitrate / rate + padding;
    if (kind) *kind = h & 0xFFFE0C00u; // version, layer and sample rate
    return length >= 4 ? static_cast<std::size_t>(length) : 0;
}

std::size_t FindMpegStream(std::span<const std::uint8_t> data, bool dataEndsStream) noexcept {
    constexpr int kFramesNeeded = 3;
    const std::size_t n = data.size();
    for (std::size_t i = 0; i + 4 <= n; ++i) {
        if (data[i] != 0xFF) continue;
        std::uint32_t kind = 0;
        std::size_t length = MpegFrameLength(&data[i], &kind);
        if (length == 0) continue;
        int frames = 1;
        std::size_t at = i + length;
        while (frames < kFramesNeeded && at + 4 <= n) {
            std::uint32_t next = 0;
            length = MpegFrameLength(&data[at], &next);
            if (length == 0 || next != kind) break;
            ++frames;
            at += length;
        }
        if (frames >= kFramesNeeded || (dataEndsStream && at == n)) return i;
    }
    return static_cast<std::size_t>(-1);
}

bool ReadAt(int fd, std::uint64_t offset, std::size_t size, std::vector<std::uint8_t>& out) {
    out.resize(size);
    std::size_t done = 0;
    while (done < size) {
        const ssize_t n = ::pread(fd, out.data() + done, size - done,
                                  static_cast<off_t>(offset + done));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

bool ReadLayout(int fd, FileLayout& layout) {
    layout = FileLayout{};
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) return false;
    const std::uint64_t size = static_cast<std::uint64_t>(st.st_size);
    layout.fileSize = size;

    std::vector<std::uint8_t> bytes;
    if (size >= kId3v2HeaderBytes) {
        if (!ReadAt(fd, 0, kId3v2HeaderBytes, bytes)) return false;
        layout.id3v2 = ParseId3v2Header(bytes);
        layout.id3v2Fits = layout.id3v2.major != 0 && layout.id3v2.size <= size;
        layout.id3v2Unknown = layout.id3v2.major == 0 && std::memcmp(bytes.data(), "ID3", 3) == 0;
        if (layout.id3v2Fits) layout.audioStart = layout.id3v2.size;
    }

    // The tags at the end, where TagLib looks for them: ID3v1 last, APE just before it.
    std::uint64_t end = size;
    if (size - layout.audioStart >= kId3v1Bytes) {
        if (!ReadAt(fd, size - kId3v1Bytes, 3, bytes)) return false;
        if (std::memcmp(bytes.data(), "TAG", 3) == 0) {
            layout.hasId3v1 = true;
            end -= kId3v1Bytes;
        }
    }
    if (end - layout.audioStart >= kApeFooterBytes) {
        if (!ReadAt(fd, end - kApeFooterBytes, kApeFooterBytes, bytes)) return false;
        if (std::memcmp(bytes.data(), "APETAGEX", 8) == 0) {
            const std::uint64_t tagSize = LittleEndian32(&bytes[12]);
            const std::uint64_t whole =
                tagSize + (LittleEndian32(&bytes[20]) & kApeHasHeader ? kApeFooterBytes : 0);
            if (tagSize >= kApeFooterBytes && whole <= end - layout.audioStart) {
                layout.hasApe = true;
                layout.apeFooter = end - kApeFooterBytes;
                layout.apeStart = end - whole;
                end = layout.apeStart;
            }
        }
    }
    layout.trailerStart = end;

    // Most streams start right after the tag: a first small read finds them.
    for (const std::uint64_t window : {std::uint64_t{64} << 10, kStreamSearchBytes}) {
        const std::uint64_t searchEnd = std::min(end, layout.audioStart + window);
        if (searchEnd <= layout.audioStart) break;
        if (!ReadAt(fd, layout.audioStart, static_cast<std::size_t>(searchEnd - layout.audioStart),
                    bytes))
            return false;
        const std::size_t at = FindMpegStream(bytes, searchEnd == end);
        if (at != static_cast<std::size_t>(-1)) {
            layout.mp3 = !OtherContainer(bytes);
            layout.streamStart = layout.audioStart + at;
            break;
        }
        if (searchEnd == end) break;
    }
    return true;
}

std::vector<std::uint8_t> Resynchronised(std::span<const std::uint8_t> data) {
    std::vector<std::uint8_t> out;
    out.reserve(data.size());
    for (std::size_t i = 0; i < data.size(); ++i) {
        out.push_back(data[i]);
        if (data[i] == 0xFF && i + 1 < data.size() && data[i + 1] == 0x00) ++i;
    }
    return out;
}

std::vector<std::uint8_t> Unsynchronised(std::span<const std::uint8_t> data) {
    std::vector<std::uint8_t> out;
    out.reserve(data.size() + data.size() / 64);
    for (std::size_t i = 0; i < data.size(); ++i) {
        out.push_back(data[i]);
        if (data[i] == 0xFF && (i + 1 == data.size() || data[i + 1] == 0x00 || data[i + 1] >= 0xE0))
            out.push_back(0x00);
    }
    return out;
}

} // namespace telbo::tags
