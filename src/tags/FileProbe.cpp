#include "tags/FileProbe.h"

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
// Far more tags in front than any program writes: a bound on the walk.
constexpr int kMostTagsInFront = 16;
// The longest frame is 2881 bytes; the next header of a free-format frame is looked for as
// far as this too.
constexpr std::size_t kLookahead = 4 * 1024;
constexpr std::uint64_t kBlock = 64 * 1024;

std::uint32_t LittleEndian32(const std::uint8_t* p) {
    return std::uint32_t{p[0]} | std::uint32_t{p[1]} << 8 | std::uint32_t{p[2]} << 16 |
           std::uint32_t{p[3]} << 24;
}

// Kilobits per second by [MPEG-1 or not][layer I, II, III][index 0..14]; 0 is free format.
constexpr int kBitrates[2][3][15] = {
    {{0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448},
     {0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384},
     {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320}},
    {{0, 32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256},
     {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160},
     {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160}}};
// Samples per second by version bits (MPEG-2.5, reserved, MPEG-2, MPEG-1) and index 0..2.
constexpr int kRates[4][3] = {
    {11025, 12000, 8000}, {0, 0, 0}, {22050, 24000, 16000}, {44100, 48000, 32000}};

bool At(std::span<const std::uint8_t> b, std::size_t offset, const char* mark) {
    const std::size_t n = std::strlen(mark);
    return b.size() >= offset + n && std::memcmp(b.data() + offset, mark, n) == 0;
}

// The kind a container's first bytes name; Unknown when they name none (`marked` tells
// whether they name a container we do not play). `head` holds the first bytes from where the
// container would begin.
FileKind KindByMark(std::span<const std::uint8_t> head, bool& marked) {
    marked = true;
    if (At(head, 0, "fLaC")) return FileKind::Flac;
    if (At(head, 0, "OggS")) {
        // The first packet names the codec.
        const std::size_t body = head.size() > 26 ? 27u + head[26] : head.size();
        if (At(head, body, "\x01vorbis")) return FileKind::OggVorbis;
        if (At(head, body, "OpusHead")) return FileKind::Opus;
        if (At(head, body,
               "\x7f"
               "FLAC"))
            return FileKind::OggFlac;
        return FileKind::Unknown; // a codec that does not play here
    }
    if ((At(head, 0, "RF64") || At(head, 0, "BW64")) && At(head, 8, "WAVE")) return FileKind::Rf64;
    if (At(head, 0, "RIFF") && At(head, 8, "WAVE")) return FileKind::Wav;
    if (At(head, 0, "RIFX") && At(head, 8, "WAVE")) return FileKind::Riff;
    if (At(head, 0, "FORM") && (At(head, 8, "AIFF") || At(head, 8, "AIFC"))) return FileKind::Aiff;
    if (At(head, 0, "FORM") && (At(head, 8, "8SVX") || At(head, 8, "16SV"))) return FileKind::Form;
    if (At(head, 4, "ftyp")) return FileKind::Mp4;
    // A damaged container is still no MP3: frame headers found in its samples would play as
    // noise.
    marked =
        At(head, 0, "RIFF") || At(head, 0, "RIFX") || At(head, 0, "RF64") || At(head, 0, "FORM");
    return FileKind::Unknown;
}

// The ID3v2 tags in front, one after another.
bool ReadTagsInFront(int fd, FileProbe& p) {
    std::vector<std::uint8_t> h;
    std::uint64_t at = 0;
    for (int n = 0; n < kMostTagsInFront && at + kId3v2HeaderBytes <= p.fileSize; ++n) {
        if (!ReadAt(fd, at, kId3v2HeaderBytes, h)) return false;
        const Id3v2Header tag = ParseId3v2Header(h);
        if (n == 0) {
            p.id3v2Unknown = At(h, 0, "ID3") && !tag.Known();
            if (tag.Known()) p.id3v2 = tag;
        }
        if (tag.major == 0) break;
        if (tag.size > p.fileSize - at) {
            // Its size is a lie: what follows its header may still be audio.
            at += kId3v2HeaderBytes;
            break;
        }
        if (n == 0 && tag.Known()) {
            p.id3v2Fits = true;
            p.audioStart = tag.size;
        }
        ++p.id3v2Tags;
        at += tag.size;
    }
    p.tagsEnd = at;
    return true;
}

// The tags at the end, where TagLib looks for them: ID3v1 last, APE just before it.
bool ReadTrailers(int fd, FileProbe& p) {
    std::vector<std::uint8_t> b;
    std::uint64_t end = p.fileSize;
    if (end - p.tagsEnd >= kId3v1Bytes) {
        if (!ReadAt(fd, end - kId3v1Bytes, 3, b)) return false;
        if (At(b, 0, "TAG")) {
            p.hasId3v1 = true;
            end -= kId3v1Bytes;
        }
    }
    if (end - p.tagsEnd >= kApeFooterBytes) {
        if (!ReadAt(fd, end - kApeFooterBytes, kApeFooterBytes, b)) return false;
        if (At(b, 0, "APETAGEX")) {
            const std::uint64_t tagSize = LittleEndian32(&b[12]);
            const std::uint64_t whole =
                tagSize + (LittleEndian32(&b[20]) & kApeHasHeader ? kApeFooterBytes : 0);
            if (tagSize >= kApeFooterBytes && whole <= end - p.tagsEnd) {
                p.hasApe = true;
                p.apeFooter = end - kApeFooterBytes;
                p.apeStart = end - whole;
                end = p.apeStart;
            }
        }
    }
    p.trailerStart = end;
    return true;
}

// The first MPEG frame within the window after the tags in front, a block at a time: most
// streams start right there.
bool FindStream(int fd, FileProbe& p) {
    const std::uint64_t end = p.trailerStart;
    const std::uint64_t stop = std::min(end, p.tagsEnd + kStreamSearchBytes);
    std::vector<std::uint8_t> b;
    for (std::uint64_t at = p.tagsEnd; at < stop; at += kBlock) {
        const std::uint64_t readEnd = std::min(end, at + kBlock + kLookahead);
        if (!ReadAt(fd, at, static_cast<std::size_t>(readEnd - at), b)) return false;
        const auto searchEnd = static_cast<std::size_t>(std::min(kBlock, stop - at));
        const std::size_t i = FindMpegStream(b, searchEnd);
        if (i != static_cast<std::size_t>(-1)) {
            const auto frame = ParseMpegFrame(&b[i]);
            p.mpeg = true;
            p.streamStart = at + i;
            p.rate = frame->rate;
            p.channels = frame->channels;
            return true;
        }
    }
    return true;
}

} // namespace

std::uint32_t Synchsafe(const std::uint8_t* p) noexcept {
    return std::uint32_t{p[0]} << 21 | std::uint32_t{p[1]} << 14 | std::uint32_t{p[2]} << 7 | p[3];
}

Id3v2Header ParseId3v2Header(std::span<const std::uint8_t> head) noexcept {
    Id3v2Header h;
    if (head.size() < kId3v2HeaderBytes || !At(head, 0, "ID3") || head[3] == 0xFF ||
        head[4] == 0xFF || ((head[6] | head[7] | head[8] | head[9]) & 0x80))
        return h;
    h.major = head[3];
    h.flags = head[5];
    const bool footer = h.major >= 4 && (h.flags & 0x10);
    h.size = kId3v2HeaderBytes + Synchsafe(&head[6]) + (footer ? kId3v2HeaderBytes : 0);
    return h;
}

std::optional<MpegFrame> ParseMpegFrame(const std::uint8_t* p) noexcept {
    const std::uint32_t h = std::uint32_t{p[0]} << 24 | std::uint32_t{p[1]} << 16 |
                            std::uint32_t{p[2]} << 8 | std::uint32_t{p[3]};
    if ((h & 0xFFE00000u) != 0xFFE00000u) return std::nullopt;
    const unsigned version = (h >> 19) & 3, layerBits = (h >> 17) & 3;
    const unsigned bitrateIndex = (h >> 12) & 15, rateIndex = (h >> 10) & 3;
    // The values the standard reserves; the decoder refuses just these.
    if (version == 1 || layerBits == 0 || bitrateIndex == 15 || rateIndex == 3) return std::nullopt;
    MpegFrame f;
    const bool mpeg1 = version == 3;
    f.layer = 4 - static_cast<int>(layerBits);
    f.rate = kRates[version][rateIndex];
    f.channels = ((h >> 6) & 3) == 3 ? 1 : 2;
    f.kind = h & 0xFFFE0C00u;
    const long bitrate = kBitrates[mpeg1 ? 0 : 1][f.layer - 1][bitrateIndex] * 1000L;
    const long padding = (h >> 9) & 1;
    long length = 0;
    if (bitrate == 0)
        length = 0; // free format: the next header tells
    else if (f.layer == 1)
        length = (12 * bitrate / f.rate + padding) * 4;
    else if (f.layer == 3 && !mpeg1)
        length = 72 * bitrate / f.rate + padding;
    else
        length = 144 * bitrate / f.rate + padding;
    f.length = static_cast<std::size_t>(length);
    return f;
}

std::size_t FindMpegStream(std::span<const std::uint8_t> data, std::size_t searchEnd) noexcept {
    const std::size_t n = data.size();
    if (n < 4) return static_cast<std::size_t>(-1);
    const auto sameStream = [&](std::size_t at, std::uint32_t kind) {
        const auto next = ParseMpegFrame(&data[at]);
        return next && next->kind == kind;
    };
    for (std::size_t i = 0; i < std::min(searchEnd, n - 3); ++i) {
        if (data[i] != 0xFF) continue;
        const auto f = ParseMpegFrame(&data[i]);
        if (!f) continue;
        bool confirmed = false;
        if (f->length > 0) {
            const std::size_t next = i + f->length;
            confirmed = next + 4 <= n && sameStream(next, f->kind);
        } else {
            const std::size_t last = std::min(n - 4, i + kLookahead - 1);
            for (std::size_t j = i + 4; j <= last && !confirmed; ++j)
                confirmed = data[j] == 0xFF && sameStream(j, f->kind);
        }
        if (confirmed) return i;
    }
    return static_cast<std::size_t>(-1);
}

const char* FileKindName(FileKind kind) noexcept {
    switch (kind) {
    case FileKind::Mp3:
        return "MP3";
    case FileKind::Flac:
        return "FLAC";
    case FileKind::OggVorbis:
        return "Ogg Vorbis";
    case FileKind::Opus:
        return "Opus";
    case FileKind::OggFlac:
        return "Ogg FLAC";
    case FileKind::Wav:
        return "WAV";
    case FileKind::Rf64:
        return "RF64";
    case FileKind::Riff:
        return "big-endian WAV";
    case FileKind::Aiff:
        return "AIFF";
    case FileKind::Form:
        return "IFF";
    case FileKind::Mp4:
        return "MP4";
    case FileKind::Unknown:
        break;
    }
    return "audio";
}

bool ReadAt(int fd, std::uint64_t offset, std::size_t size, std::vector<std::uint8_t>& out) {
    out.resize(size);
    std::size_t done = 0;
    while (done < size) {
        const ssize_t n =
            ::pread(fd, out.data() + done, size - done, static_cast<off_t>(offset + done));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

bool ProbeFile(int fd, FileProbe& probe, bool findStream) {
    probe = FileProbe{};
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) return false;
    probe.fileSize = static_cast<std::uint64_t>(st.st_size);
    if (!ReadTagsInFront(fd, probe)) return false;

    std::vector<std::uint8_t> head;
    // Enough for an Ogg page header with all its lacing values and the packet's first bytes.
    const std::uint64_t headBytes = std::min<std::uint64_t>(320, probe.fileSize - probe.tagsEnd);
    if (!ReadAt(fd, probe.tagsEnd, static_cast<std::size_t>(headBytes), head)) return false;
    bool marked = false;
    probe.kind = KindByMark(head, marked);
    if (!ReadTrailers(fd, probe)) return false;
    if (!findStream || (marked && probe.kind != FileKind::Mp4)) return true;
    if (!FindStream(fd, probe)) return false;
    if (probe.kind == FileKind::Unknown && probe.mpeg) probe.kind = FileKind::Mp3;
    return true;
}

} // namespace telbo::tags
