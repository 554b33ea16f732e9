#include "engine/SndfileSource.h"

#include <fcntl.h>
#include <sndfile.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <optional>
#include <vector>

namespace telbo::engine {

using Clock = std::chrono::steady_clock;

// The file as libsndfile sees it: read with pread, ending where its data ends.
struct SndfileSource::Handle {
    int fd = -1;
    sf_count_t size = 0;
    sf_count_t at = 0;
    // A data chunk size that reads as "unknown" (a recording cut off, or a stream), put right
    // for libsndfile as the bytes to the end of the file: where its four bytes are, or -1.
    sf_count_t sizeAt = -1;
    std::uint32_t sizeFixed = 0;
    // Reads after this fail: what keeps opening a hostile file short.
    Clock::time_point deadline = Clock::time_point::max();
    SNDFILE* file = nullptr;
    ~Handle() {
        if (file) sf_close(file);
        if (fd >= 0) ::close(fd);
    }
};

namespace {

using Handle = SndfileSource::Handle;

// Opening reads the header and, for Ogg, looks for the last page backwards from the end: over
// hundreds of MiB of zeros that takes seconds. Beyond this the file is taken as damaged.
constexpr auto kOpenBudget = std::chrono::milliseconds(300);

// Where the written data of a file ends: a download that was allocated whole and never
// finished has a hole for a tail, and what never arrived is not part of the track.
sf_count_t DataEnd(int fd, sf_count_t size) {
    sf_count_t end = 0;
    off_t pos = 0;
    for (int extents = 0; extents < 4096 && pos < size; ++extents) {
        const off_t data = ::lseek(fd, pos, SEEK_DATA);
        if (data < 0) break;
        const off_t hole = ::lseek(fd, data, SEEK_HOLE);
        if (hole <= data) return size; // no answer: the whole file
        end = hole;
        pos = hole;
    }
    return std::min(end, size);
}

sf_count_t VirtualLength(void* user) {
    return static_cast<Handle*>(user)->size;
}

sf_count_t VirtualSeek(sf_count_t offset, int whence, void* user) {
    auto* h = static_cast<Handle*>(user);
    const sf_count_t base = whence == SEEK_CUR ? h->at : whence == SEEK_END ? h->size : 0;
    // Offsets come from the file's own sizes: one no file can reach is damage.
    sf_count_t to = 0;
    if (__builtin_add_overflow(base, offset, &to)) return -1;
    h->at = std::max<sf_count_t>(0, to);
    return h->at;
}

sf_count_t VirtualRead(void* ptr, sf_count_t count, void* user) {
    auto* h = static_cast<Handle*>(user);
    if (h->deadline != Clock::time_point::max() && Clock::now() > h->deadline) return 0;
    const sf_count_t n = std::clamp<sf_count_t>(h->size - h->at, 0, count);
    const ssize_t got = n > 0 ? ::pread(h->fd, ptr, static_cast<std::size_t>(n), h->at) : 0;
    if (got <= 0) return 0;
    if (h->sizeAt >= 0 && h->sizeAt < h->at + got && h->at < h->sizeAt + 4) {
        for (sf_count_t i = 0; i < 4; ++i) {
            const sf_count_t at = h->sizeAt + i - h->at;
            if (at >= 0 && at < got)
                static_cast<unsigned char*>(ptr)[at] =
                    static_cast<unsigned char>(h->sizeFixed >> (8 * i));
        }
    }
    h->at += got;
    return got;
}

sf_count_t VirtualWrite(const void*, sf_count_t, void*) {
    return 0;
}

sf_count_t VirtualTell(void* user) {
    return static_cast<Handle*>(user)->at;
}

// A WAV whose data chunk says 0 or 0xFFFFFFFF bytes (what a recorder writes before it knows,
// and leaves when it is cut off) holds the rest of the file: where to tell libsndfile so.
void FindOpenEndedData(Handle& h) {
    unsigned char head[12] = {};
    if (::pread(h.fd, head, sizeof head, 0) != static_cast<ssize_t>(sizeof head) ||
        std::memcmp(head, "RIFF", 4) != 0 || std::memcmp(head + 8, "WAVE", 4) != 0)
        return;
    auto le32 = [](const unsigned char* p) {
        return std::uint32_t{p[0]} | std::uint32_t{p[1]} << 8 | std::uint32_t{p[2]} << 16 |
               std::uint32_t{p[3]} << 24;
    };
    sf_count_t at = 12;
    for (int chunks = 0; chunks < 64 && at + 8 <= h.size; ++chunks) {
        unsigned char chunk[16] = {};
        const ssize_t got = ::pread(h.fd, chunk, sizeof chunk, at);
        if (got < 8) return;
        const std::uint32_t size = le32(chunk + 4);
        if (std::memcmp(chunk, "data", 4) == 0) {
            const sf_count_t rest = h.size - (at + 8);
            // An empty data chunk with another chunk right behind it is just empty.
            const bool nextIsChunk =
                got == 16 && std::all_of(chunk + 8, chunk + 12,
                                         [](unsigned char c) { return c >= 0x20 && c < 0x7f; });
            if ((size == 0 && !nextIsChunk && rest > 0) || size == 0xFFFFFFFFu) {
                h.sizeAt = at + 4;
                h.sizeFixed = static_cast<std::uint32_t>(std::min<sf_count_t>(rest, 0xFFFFFFF0) &
                                                         ~sf_count_t{1});
            }
            return;
        }
        at += 8 + sf_count_t{size} + (size & 1);
    }
}

// The most frames `bytes` of a file of `format` can hold, each coded as compactly as its
// format allows: a FLAC frame of 10 bytes or more holds at most 65535, an Ogg packet of one
// byte and its lacing at most 4096; nothing else packs more than an 8 kbit/s MPEG frame
// (288 a byte). A header that claims more is damaged.
sf_count_t MostFrames(int format, sf_count_t bytes) {
    const int type = format & SF_FORMAT_TYPEMASK;
    const sf_count_t perByte = type == SF_FORMAT_FLAC ? 6554 : type == SF_FORMAT_OGG ? 4096 : 288;
    sf_count_t most = 0;
    if (__builtin_mul_overflow(bytes + 1, perByte, &most)) return SF_COUNT_MAX - 1;
    return most;
}

// A FLAC frame as its header gives it: where it starts (a sample number, or with a fixed block
// size the frame's number) and how many samples it holds.
struct FlacFrame {
    bool variable = false;
    std::uint64_t number = 0;
    std::uint32_t samples = 0;
    std::size_t at = 0; // in the bytes searched
};

std::uint8_t Crc8(const unsigned char* p, std::size_t n) {
    std::uint8_t crc = 0;
    for (std::size_t i = 0; i < n; ++i) {
        crc ^= p[i];
        for (int b = 0; b < 8; ++b)
            crc = static_cast<std::uint8_t>((crc & 0x80) ? (crc << 1) ^ 0x07 : crc << 1);
    }
    return crc;
}

// The FLAC frame header at p[0] of `n` bytes, if its fields and its CRC hold.
std::optional<FlacFrame> ParseFlacFrame(const unsigned char* p, std::size_t n) {
    if (n < 6 || p[0] != 0xFF || (p[1] & 0xFE) != 0xF8) return std::nullopt;
    const int sizeCode = p[2] >> 4, rateCode = p[2] & 0x0F;
    if (sizeCode == 0 || rateCode == 0x0F || (p[3] >> 4) >= 11 || ((p[3] >> 1) & 7) == 3 ||
        (p[3] & 1) != 0)
        return std::nullopt;
    // The number, coded as UTF-8 codes a character (up to 36 bits).
    std::size_t at = 4;
    int ones = 0;
    while (ones < 8 && (p[at] & (0x80 >> ones)))
        ++ones;
    if (ones == 1 || ones > 7) return std::nullopt;
    const int extra = ones ? ones - 1 : 0;
    std::uint64_t number = p[at] & (0x7Fu >> ones);
    for (int i = 1; i <= extra; ++i) {
        if (at + static_cast<std::size_t>(i) >= n || (p[at + i] & 0xC0) != 0x80)
            return std::nullopt;
        number = (number << 6) | (p[at + i] & 0x3Fu);
    }
    at += 1 + static_cast<std::size_t>(extra);
    std::uint32_t samples = sizeCode == 1   ? 192
                            : sizeCode <= 5 ? 576u << (sizeCode - 2)
                            : sizeCode >= 8 ? 256u << (sizeCode - 8)
                                            : 0;
    const std::size_t sizeBytes = sizeCode == 6 ? 1 : sizeCode == 7 ? 2 : 0;
    const std::size_t rateBytes = rateCode == 12 ? 1 : (rateCode == 13 || rateCode == 14) ? 2 : 0;
    if (at + sizeBytes + rateBytes >= n) return std::nullopt;
    if (sizeBytes == 1) samples = p[at] + 1u;
    if (sizeBytes == 2) samples = ((std::uint32_t{p[at]} << 8) | p[at + 1]) + 1u;
    at += sizeBytes + rateBytes;
    if (Crc8(p, at) != p[at]) return std::nullopt;
    return FlacFrame{(p[1] & 1) != 0, number, samples, 0};
}

// Whether `next` is the frame right after `f`.
bool FollowsOn(const FlacFrame& f, const FlacFrame& next) {
    if (f.variable != next.variable || f.at >= next.at) return false;
    return f.variable ? f.number + f.samples == next.number : f.number + 1 == next.number;
}

// The length of a FLAC stream by the frames at its end, for a header that claims more: the
// last frames whose headers follow on from one another (a header's pattern can also turn up
// inside audio data, never a run of them). 0 when the tail shows no such run.
sf_count_t FlacLength(const Handle& h) {
    constexpr sf_count_t kTail = 256 * 1024;
    const sf_count_t from = std::max<sf_count_t>(0, h.size - kTail);
    std::vector<unsigned char> tail(static_cast<std::size_t>(h.size - from));
    if (::pread(h.fd, tail.data(), tail.size(), from) != static_cast<ssize_t>(tail.size()))
        return 0;
    std::vector<FlacFrame> later; // headers found so far, last in the file first
    for (std::size_t at = tail.size(); at-- > 0 && later.size() < 64;) {
        std::optional<FlacFrame> f = ParseFlacFrame(tail.data() + at, tail.size() - at);
        if (!f) continue;
        f->at = at;
        for (std::size_t i = later.size(); i-- > 0;) {
            if (!FollowsOn(*f, later[i])) continue;
            // A true frame: follow the run to its last frame.
            FlacFrame last = later[i];
            std::uint32_t blockSize = f->samples;
            for (std::size_t j = i; j-- > 0;) {
                if (FollowsOn(last, later[j])) {
                    blockSize = last.samples;
                    last = later[j];
                }
            }
            const std::uint64_t start = last.variable ? last.number : last.number * blockSize;
            return static_cast<sf_count_t>(
                std::min<std::uint64_t>(start + last.samples, SF_COUNT_MAX - 1));
        }
        later.push_back(*f);
    }
    return 0;
}

constexpr sf_count_t kBlockFrames = 1024;
constexpr float kHalf = 0.70710678f; // -3 dB: a centre or surround channel shared out

// Left and right gains of one channel in the stereo mix-down.
std::pair<float, float> WeightsOf(int position) {
    switch (position) {
    case SF_CHANNEL_MAP_MONO:
    case SF_CHANNEL_MAP_CENTER:
    case SF_CHANNEL_MAP_FRONT_CENTER:
    case SF_CHANNEL_MAP_TOP_CENTER:
    case SF_CHANNEL_MAP_TOP_FRONT_CENTER:
        return {kHalf, kHalf};
    case SF_CHANNEL_MAP_LEFT:
    case SF_CHANNEL_MAP_FRONT_LEFT:
    case SF_CHANNEL_MAP_FRONT_LEFT_OF_CENTER:
    case SF_CHANNEL_MAP_TOP_FRONT_LEFT:
        return {1.0f, 0.0f};
    case SF_CHANNEL_MAP_RIGHT:
    case SF_CHANNEL_MAP_FRONT_RIGHT:
    case SF_CHANNEL_MAP_FRONT_RIGHT_OF_CENTER:
    case SF_CHANNEL_MAP_TOP_FRONT_RIGHT:
        return {0.0f, 1.0f};
    case SF_CHANNEL_MAP_REAR_LEFT:
    case SF_CHANNEL_MAP_SIDE_LEFT:
    case SF_CHANNEL_MAP_TOP_REAR_LEFT:
        return {kHalf, 0.0f};
    case SF_CHANNEL_MAP_REAR_RIGHT:
    case SF_CHANNEL_MAP_SIDE_RIGHT:
    case SF_CHANNEL_MAP_TOP_REAR_RIGHT:
        return {0.0f, kHalf};
    case SF_CHANNEL_MAP_LFE:
        return {0.0f, 0.0f}; // small speakers cannot play it anyway
    default:
        return {0.5f, 0.5f};
    }
}

// Where each channel sits: the file's own map, else the order its format implies.
std::vector<int> ChannelPositions(SNDFILE* file, const SF_INFO& info) {
    std::vector<int> map(static_cast<std::size_t>(info.channels), SF_CHANNEL_MAP_INVALID);
    if (sf_command(file, SFC_GET_CHANNEL_MAP_INFO, map.data(),
                   static_cast<int>(map.size() * sizeof(int))) == SF_TRUE &&
        std::none_of(map.begin(), map.end(), [](int p) { return p == SF_CHANNEL_MAP_INVALID; }))
        return map;
    const bool ogg = (info.format & SF_FORMAT_TYPEMASK) == SF_FORMAT_OGG;
    constexpr int L = SF_CHANNEL_MAP_FRONT_LEFT, R = SF_CHANNEL_MAP_FRONT_RIGHT,
                  C = SF_CHANNEL_MAP_FRONT_CENTER, LFE = SF_CHANNEL_MAP_LFE,
                  BL = SF_CHANNEL_MAP_REAR_LEFT, BR = SF_CHANNEL_MAP_REAR_RIGHT,
                  BC = SF_CHANNEL_MAP_REAR_CENTER, SL = SF_CHANNEL_MAP_SIDE_LEFT,
                  SR = SF_CHANNEL_MAP_SIDE_RIGHT;
    std::vector<int> order;
    if (ogg) {
        // The Vorbis (and Opus) channel order.
        switch (info.channels) {
        case 3:
            order = {L, C, R};
            break;
        case 4:
            order = {L, R, BL, BR};
            break;
        case 5:
            order = {L, C, R, BL, BR};
            break;
        case 6:
            order = {L, C, R, BL, BR, LFE};
            break;
        case 7:
            order = {L, C, R, SL, SR, BC, LFE};
            break;
        case 8:
            order = {L, C, R, SL, SR, BL, BR, LFE};
            break;
        default:
            break;
        }
    } else {
        // WAV's speaker order (also that of FLAC and AIFF's usual layouts).
        order = {L,
                 R,
                 C,
                 LFE,
                 BL,
                 BR,
                 SF_CHANNEL_MAP_FRONT_LEFT_OF_CENTER,
                 SF_CHANNEL_MAP_FRONT_RIGHT_OF_CENTER,
                 BC,
                 SL,
                 SR};
        if (info.channels == 4) order = {L, R, BL, BR};
    }
    for (std::size_t i = 0; i < map.size(); ++i)
        map[i] = i < order.size() ? order[i] : SF_CHANNEL_MAP_INVALID;
    return map;
}

// The length of an Ogg stream that libsndfile cannot find (a download cut short ends in half
// a page): the granule position of the last whole page, less Opus's pre-skip, at `rate`.
sf_count_t OggLength(const Handle& h, const SF_INFO& info) {
    constexpr sf_count_t kTail = 256 * 1024; // several of the largest pages
    const sf_count_t from = std::max<sf_count_t>(0, h.size - kTail);
    std::vector<unsigned char> tail(static_cast<std::size_t>(h.size - from));
    if (::pread(h.fd, tail.data(), tail.size(), from) != static_cast<ssize_t>(tail.size()))
        return 0;
    auto le = [](const unsigned char* p, int bytes) {
        std::uint64_t v = 0;
        for (int i = bytes; i-- > 0;)
            v = (v << 8) | p[i];
        return v;
    };
    std::int64_t granule = -1;
    for (std::size_t at = 0; at + 27 <= tail.size(); ++at) {
        const unsigned char* p = tail.data() + at;
        if (std::memcmp(p, "OggS", 4) != 0 || at + 27 + p[26] > tail.size()) continue;
        std::size_t body = 0;
        for (int i = 0; i < p[26]; ++i)
            body += p[27 + i];
        const auto g = static_cast<std::int64_t>(le(p + 6, 8));
        if (at + 27 + p[26] + body <= tail.size() && g > 0) granule = g;
    }
    if (granule <= 0 || granule > MostFrames(info.format, h.size)) return 0;
    if ((info.format & SF_FORMAT_SUBMASK) != SF_FORMAT_OPUS) return granule;
    // Opus counts at 48 kHz from before its pre-skip (in the first packet, "OpusHead").
    unsigned char head[64] = {};
    if (::pread(h.fd, head, sizeof head, 0) != static_cast<ssize_t>(sizeof head)) return 0;
    const std::size_t packet = 27 + head[26];
    if (packet + 12 > sizeof head || std::memcmp(head + packet, "OpusHead", 8) != 0) return 0;
    const auto preSkip = static_cast<std::int64_t>(le(head + packet + 10, 2));
    std::int64_t scaled = 0;
    if (__builtin_mul_overflow(granule - preSkip, std::int64_t{info.samplerate}, &scaled)) return 0;
    return std::max<std::int64_t>(0, scaled / 48000);
}

} // namespace

SndfileSource::SndfileSource(std::unique_ptr<Handle> handle) noexcept
    : handle_(std::move(handle)) {}

SndfileSource::~SndfileSource() = default;

std::unique_ptr<SndfileSource> SndfileSource::Open(const std::string& path) noexcept {
    try {
        auto h = std::make_unique<Handle>();
        // Non-blocking, so that a FIFO cannot hold the open; only regular files are tracks.
        h->fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
        struct stat st {};
        if (h->fd < 0 || ::fstat(h->fd, &st) != 0 || !S_ISREG(st.st_mode)) return nullptr;
        h->size = DataEnd(h->fd, st.st_size);
        const sf_count_t bytes = h->size;
        FindOpenEndedData(*h);
        SF_VIRTUAL_IO io{&VirtualLength, &VirtualSeek, &VirtualRead, &VirtualWrite, &VirtualTell};
        SF_INFO info{};
        h->deadline = Clock::now() + kOpenBudget;
        h->file = sf_open_virtual(&io, SFM_READ, &info, h.get());
        if (h->file && info.frames == SF_COUNT_MAX &&
            (info.format & SF_FORMAT_TYPEMASK) == SF_FORMAT_OGG)
            info.frames = OggLength(*h, info);
        if (h->file && info.frames != SF_COUNT_MAX)
            info.frames = std::min(info.frames, MostFrames(info.format, bytes));
        if (h->file && (info.format & SF_FORMAT_TYPEMASK) == SF_FORMAT_FLAC) {
            const sf_count_t found = FlacLength(*h);
            if (found > 0) info.frames = std::min(info.frames, found);
        }
        // Any other unknown length is a stream, which a track list cannot seek.
        if (!h->file || info.samplerate < 1000 || info.samplerate > 768000 || info.channels < 1 ||
            info.channels > 64 || info.frames <= 0 || info.frames == SF_COUNT_MAX || !info.seekable)
            return nullptr;

        std::unique_ptr<SndfileSource> src(new SndfileSource(std::move(h)));
        src->rate_ = info.samplerate;
        src->fileChannels_ = info.channels;
        src->length_ = info.frames;
        const double seconds = static_cast<double>(info.frames) / info.samplerate;
        src->bitrate_ =
            static_cast<int>(std::lround(static_cast<double>(bytes) * 8 / seconds / 1000));
        src->raw_.resize(static_cast<std::size_t>(kBlockFrames * info.channels));
        if (info.channels > 2) {
            src->stereo_.resize(static_cast<std::size_t>(kBlockFrames) * 2);
            const std::vector<int> map = ChannelPositions(src->handle_->file, info);
            float sumL = 0, sumR = 0;
            for (const int position : map) {
                const auto [l, r] = WeightsOf(position);
                src->weights_.push_back(l);
                src->weights_.push_back(r);
                sumL += l;
                sumR += r;
            }
            // Loud in every channel at once still fits.
            const float scale = 1.0f / std::max({sumL, sumR, 1.0f});
            for (float& w : src->weights_)
                w *= scale;
        }
        // The header alone proves little: the first block must decode.
        const float* first = nullptr;
        if (src->Next(first) == 0 || src->Seek(0) != 0) return nullptr;
        src->handle_->deadline = Clock::time_point::max();
        return src;
    } catch (...) {
        return nullptr;
    }
}

std::size_t SndfileSource::Next(const float*& samples) noexcept {
    if (ended_) return 0;
    const sf_count_t want = std::min<sf_count_t>(kBlockFrames, length_ - position_);
    const sf_count_t got = want > 0 ? sf_readf_float(handle_->file, raw_.data(), want) : 0;
    if (got <= 0) {
        ended_ = true;
        return 0;
    }
    const auto n = static_cast<std::size_t>(got);
    position_ += got;
    if (fileChannels_ <= 2) {
        samples = raw_.data();
        return n;
    }
    const auto ch = static_cast<std::size_t>(fileChannels_);
    for (std::size_t i = 0; i < n; ++i) {
        float l = 0, r = 0;
        const float* frame = raw_.data() + i * ch;
        for (std::size_t c = 0; c < ch; ++c) {
            l += frame[c] * weights_[2 * c];
            r += frame[c] * weights_[2 * c + 1];
        }
        stereo_[2 * i] = l;
        stereo_[2 * i + 1] = r;
    }
    samples = stereo_.data();
    return n;
}

std::int64_t SndfileSource::Seek(std::int64_t frame) noexcept {
    frame = std::clamp<std::int64_t>(frame, 0, length_);
    const sf_count_t at = frame < length_ ? sf_seek(handle_->file, frame, SEEK_SET) : frame;
    ended_ = at < 0 || at >= length_;
    position_ = at < 0 ? length_ : at;
    return position_;
}

} // namespace telbo::engine
