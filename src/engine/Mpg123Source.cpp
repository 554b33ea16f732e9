#include "engine/Mpg123Source.h"

#include "tags/FileProbe.h"

#include <mpg123.h>
#include <taglib/commentsframe.h>
#include <taglib/id3v2tag.h>
#include <taglib/tbytevectorstream.h>
#include <taglib/tfile.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <mutex>
#include <optional>

namespace telbo::engine {

using Clock = std::chrono::steady_clock;

struct Mpg123Source::Handle {
    mpg123_handle* mh = nullptr;
    std::FILE* file = nullptr;
    off_t base = 0; // the first frame: mpg123 sees the file from here on
    // Reads after this end the stream: what keeps the length scan of a hostile file short.
    Clock::time_point deadline = Clock::time_point::max();
    bool expired = false;
    unsigned reads = 0;
    bool opened = false;
    ~Handle() {
        if (opened) mpg123_close(mh);
        if (mh) mpg123_delete(mh);
        if (file) std::fclose(file);
    }
};

namespace {

using Kind = Mpg123Source::Kind;

// Junk mpg123 may skip looking for the first frame at open. The search before has found that
// frame already, so this only matters where mpg123 disagrees, and then it fails quickly.
constexpr long kOpenResyncLimit = 64 * 1024;
// The length scan runs while the player waits. A file that would take longer (junk between
// frames makes mpg123 crawl at about 16 MB/s) gets the length its header gives instead.
constexpr auto kScanBudget = std::chrono::milliseconds(200);

// mpg123's own reader asks the kernel for every frame; a buffered stream reads 64 KB at a
// time, which saves most of the system calls of playing a file.
mpg123_ssize_t ReadFile(void* handle, void* buf, std::size_t size) noexcept {
    auto* h = static_cast<Mpg123Source::Handle*>(handle);
    if (h->expired) return 0;
    if (h->deadline != Clock::time_point::max() && (++h->reads & 63u) == 0 &&
        Clock::now() > h->deadline) {
        h->expired = true;
        return 0;
    }
    const std::size_t n = std::fread(buf, 1, size, h->file);
    return n == 0 && std::ferror(h->file) ? -1 : static_cast<mpg123_ssize_t>(n);
}

off_t SeekFile(void* handle, off_t offset, int whence) noexcept {
    auto* h = static_cast<Mpg123Source::Handle*>(handle);
    if (whence == SEEK_SET) offset += h->base;
    if (fseeko(h->file, offset, whence) != 0) return -1;
    const off_t at = ftello(h->file);
    return at < h->base ? -1 : at - h->base;
}

void InitLibraryOnce() noexcept {
    static std::once_flag once;
    std::call_once(once, [] { mpg123_init(); });
}

// More junk than the resync limit: the audio has ended (a download that stopped short).
bool GaveUp(mpg123_handle* mh) noexcept { return mpg123_errcode(mh) == MPG123_RESYNC_FAIL; }

// Encoder delay and padding as iTunes and other encoders note them in an ID3v2 comment
// "iTunSMPB": " 00000000 DDDDDDDD PPPPPPPP NNNNNNNNNNNNNNNN ...", hex, the delay counted from
// the first decoded sample (the decoder's own delay included), N the encoded sample count.
struct EncoderGap {
    std::int64_t delay = 0, padding = 0, samples = 0;
};

// A TagLib file over bytes, to parse the ID3v2 tag they begin with.
class TagBytes final : public TagLib::File {
public:
    explicit TagBytes(TagLib::IOStream* stream) : TagLib::File(stream) {}
    TagLib::Tag* tag() const override { return nullptr; }
    TagLib::AudioProperties* audioProperties() const override { return nullptr; }
    bool save() override { return false; }
};

std::optional<EncoderGap> ItunesGap(std::FILE* file, off_t tagEnd) noexcept {
    // Only an ID3v2 tag of sensible size in front of the audio is looked at.
    constexpr off_t kMaxTag = 1 << 20;
    if (tagEnd < 10 || tagEnd > kMaxTag) return std::nullopt;
    try {
        TagLib::ByteVector bytes(static_cast<unsigned>(tagEnd));
        if (::pread(fileno(file), bytes.data(), bytes.size(), 0) != static_cast<ssize_t>(tagEnd) ||
            !bytes.startsWith("ID3"))
            return std::nullopt;
        TagLib::ByteVectorStream stream(bytes);
        TagBytes tagFile(&stream);
        const TagLib::ID3v2::Tag tag(&tagFile, 0);
        for (const TagLib::ID3v2::Frame* f : tag.frameList("COMM")) {
            const auto* c = dynamic_cast<const TagLib::ID3v2::CommentsFrame*>(f);
            if (!c || c->description() != "iTunSMPB") continue;
            const std::string text = c->text().to8Bit(false);
            unsigned long long zero = 0, delay = 0, padding = 0, samples = 0;
            if (std::sscanf(text.c_str(), " %llx %llx %llx %llx", &zero, &delay, &padding,
                            &samples) != 4 ||
                delay > (1u << 20) || padding > (1u << 20))
                return std::nullopt;
            return EncoderGap{static_cast<std::int64_t>(delay), static_cast<std::int64_t>(padding),
                              static_cast<std::int64_t>(samples)};
        }
    } catch (...) {
    }
    return std::nullopt;
}

Kind KindOf(mpg123_handle* mh) noexcept {
    mpg123_frameinfo2 fi{};
    if (mpg123_info2(mh, &fi) != MPG123_OK) return {};
    return {fi.rate, fi.mode == MPG123_M_MONO, fi.layer};
}

// Stream samples of the frames that are not of `kind`, from here to the end (or to the
// reader's deadline).
std::int64_t ForeignSamples(mpg123_handle* mh, const Kind& kind) noexcept {
    std::int64_t foreign = 0;
    off_t lastErrorAt = -1;
    for (;;) {
        const int r = mpg123_framebyframe_next(mh);
        if (r == MPG123_OK || r == MPG123_NEW_FORMAT) {
            if (!(KindOf(mh) == kind)) foreign += std::max(mpg123_spf(mh), 0);
            continue;
        }
        if (r == MPG123_DONE || GaveUp(mh)) break;
        const off_t at = mpg123_tell_stream(mh);
        if (at < 0 || at <= lastErrorAt) break;
        lastErrorAt = at;
    }
    return foreign;
}

// Sets up a decoder for `options` on the stream at h.base (a second call starts it afresh)
// and opens it. `rate` is the stream's own rate.
bool StartDecoder(Mpg123Source::Handle& h, const DecodeOptions& options, int rate) noexcept {
    if (h.opened) {
        mpg123_close(h.mh);
        h.opened = false;
    }
    if (!h.mh) {
        std::setvbuf(h.file, nullptr, _IOFBF, 1 << 16);
        int err = MPG123_OK;
        h.mh = mpg123_new(nullptr, &err);
        if (!h.mh) return false;
    }
    mpg123_handle* mh = h.mh;
    // Tags are TagLib's business; skipping them unparsed also spares reading a tag in the
    // middle of the stream that claims hundreds of MB.
    mpg123_param(mh, MPG123_FLAGS,
                 MPG123_QUIET | MPG123_GAPLESS | MPG123_FORCE_FLOAT | MPG123_SKIP_ID3V2 |
                     (options.StereoConf == DecodeChannels::Mono ? MPG123_MONO_MIX : 0),
                 0);
    const int down = std::clamp(static_cast<int>(options.SamplingRate), 0, 2);
    mpg123_param(mh, MPG123_DOWN_SAMPLE, down, 0);
    mpg123_param(mh, MPG123_RESYNC_LIMIT, kOpenResyncLimit, 0);
    mpg123_format_none(mh);
    const int channels =
        options.StereoConf == DecodeChannels::Mono ? MPG123_MONO : MPG123_MONO | MPG123_STEREO;
    if (down > 0) {
        // Half or quarter of the stream's rate, whatever that comes to (4000 Hz, 2756 Hz):
        // mpg123's table holds the standard rates only, and the forced rate adds this one.
        // mpg123 still decodes with its 2:1 and 4:1 synthesis; the resampler takes the
        // result to the device. Stray frames of other rates come out at it too, and drop.
        const long reduced = rate >> down;
        mpg123_param(mh, MPG123_FORCE_RATE, reduced, 0);
        mpg123_format(mh, reduced, channels, MPG123_ENC_FLOAT_32);
    } else {
        const long* rates = nullptr;
        std::size_t count = 0;
        mpg123_rates(&rates, &count);
        for (std::size_t i = 0; i < count; ++i)
            mpg123_format(mh, rates[i], channels, MPG123_ENC_FLOAT_32);
    }
    if (mpg123_replace_reader_handle(mh, &ReadFile, &SeekFile, nullptr) != MPG123_OK ||
        fseeko(h.file, h.base, SEEK_SET) != 0 || mpg123_open_handle(mh, &h) != MPG123_OK)
        return false;
    h.opened = true;
    long r = 0;
    int c = 0, e = 0;
    if (mpg123_getformat(mh, &r, &c, &e) != MPG123_OK) return false;
    // Junk in the middle of a file is skipped (mpg123's default gives up after 1 KB), up
    // to as much as may come before the first frame; more ends the track there.
    mpg123_param(mh, MPG123_RESYNC_LIMIT, static_cast<long>(tags::kStreamSearchBytes), 0);
    return true;
}

} // namespace

Mpg123Source::Mpg123Source(std::unique_ptr<Handle> handle) noexcept
    : handle_(std::move(handle)) {}

Mpg123Source::~Mpg123Source() = default;

std::unique_ptr<Mpg123Source> Mpg123Source::Open(const std::string& path,
                                                 const DecodeOptions& options) noexcept {
    try {
        // Folders, FIFOs and devices are not tracks (a FIFO would block the open).
        std::error_code ec;
        if (!std::filesystem::is_regular_file(std::filesystem::path(path), ec)) return nullptr;
        std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "rbe"),
                                                             &std::fclose);
        tags::FileProbe probe;
        if (!file || !tags::ProbeFile(fileno(file.get()), probe) || !probe.mpeg) return nullptr;
        return Open(path, options, static_cast<std::int64_t>(probe.streamStart), probe.rate);
    } catch (...) {
        return nullptr;
    }
}

std::unique_ptr<Mpg123Source> Mpg123Source::Open(const std::string& path,
                                                 const DecodeOptions& options,
                                                 std::int64_t streamStart,
                                                 int streamRate) noexcept {
    try {
        std::error_code ec;
        if (!std::filesystem::is_regular_file(std::filesystem::path(path), ec)) return nullptr;
        auto h = std::make_unique<Handle>();
        h->file = std::fopen(path.c_str(), "rbe");
        if (!h->file) return nullptr;
        h->base = static_cast<off_t>(streamStart);

        InitLibraryOnce();
        long rate = 0;
        int chans = 0, enc = 0;
        if (!StartDecoder(*h, options, streamRate) ||
            mpg123_getformat(h->mh, &rate, &chans, &enc) != MPG123_OK || rate <= 0 ||
            chans <= 0 || enc != MPG123_ENC_FLOAT_32)
            return nullptr;
        mpg123_handle* mh = h->mh;
        mpg123_frameinfo2 fi{};
        const int bitrate = mpg123_info2(mh, &fi) == MPG123_OK ? fi.bitrate : 0;
        const Kind kind = KindOf(mh);
        const off_t announced = mpg123_length(mh);

        // The scan makes the length exact for files without a Xing header (VBR ones
        // especially); it takes a few ms for a long file. Only frames of the first kind play,
        // so the others' samples come off the scanned length; a second decoder counts them
        // (walking the frames on the first one upsets its gapless trimming).
        const auto deadline = Clock::now() + kScanBudget;
        std::int64_t foreign = 0;
        bool expired = false;
        {
            Handle probe;
            probe.file = std::fopen(path.c_str(), "rbe");
            probe.base = h->base;
            probe.deadline = deadline;
            if (!probe.file || !StartDecoder(probe, options, streamRate)) return nullptr;
            foreign = ForeignSamples(probe.mh, kind);
            expired = probe.expired;
        }
        h->deadline = deadline;
        if (!expired) mpg123_scan(mh);
        h->deadline = Clock::time_point::max();
        expired = expired || h->expired;
        off_t length = 0;
        if (expired) {
            // Cut short: start afresh and trust the header (exact with a Xing header, else
            // mpg123's estimate from the file size).
            h->expired = false;
            if (!StartDecoder(*h, options, streamRate) ||
                mpg123_getformat(mh, &rate, &chans, &enc) != MPG123_OK)
                return nullptr;
            length = announced;
        } else {
            const int down = std::clamp(static_cast<int>(options.SamplingRate), 0, 2);
            length = mpg123_length(mh) - static_cast<off_t>(foreign >> down);
        }
        // mpg123 trims what LAME's header says; without that header an iTunSMPB comment may
        // say it instead, and the trim is ours.
        std::int64_t skip = 0;
        long lameDelay = -1;
        double unused = 0;
        if (mpg123_getstate(mh, MPG123_ENC_DELAY, &lameDelay, &unused) != MPG123_OK ||
            lameDelay < 0) {
            if (const auto gap = ItunesGap(h->file, h->base)) {
                const int down = std::clamp(static_cast<int>(options.SamplingRate), 0, 2);
                const std::int64_t rest = std::max<std::int64_t>(length - (gap->delay >> down), 0);
                skip = gap->delay >> down;
                length = static_cast<off_t>(
                    gap->samples > 0 ? std::min(gap->samples >> down, rest)
                                     : std::max<std::int64_t>(rest - (gap->padding >> down), 0));
            }
        }
        if (mpg123_seek(mh, static_cast<off_t>(skip), SEEK_SET) < 0) return nullptr;

        std::unique_ptr<Mpg123Source> src(new Mpg123Source(std::move(h)));
        src->skip_ = skip;
        src->rate_ = static_cast<int>(rate);
        src->channels_ = chans;
        src->bitrate_ = std::max(bitrate, 0);
        src->length_ = std::max<std::int64_t>(length, 0);
        src->kind_ = kind;
        return src;
    } catch (...) {
        return nullptr;
    }
}

std::size_t Mpg123Source::Next(const float*& samples) noexcept {
    mpg123_handle* mh = handle_->mh;
    while (!ended_) {
        off_t num = 0;
        unsigned char* audio = nullptr;
        std::size_t bytes = 0;
        // After a seek mpg123 holds the frame it landed on, ready to decode: walking on to
        // the next would lose it.
        const bool held = held_;
        held_ = false;
        int r = held ? mpg123_decode_frame(mh, &num, &audio, &bytes) : mpg123_framebyframe_next(mh);
        if (r == MPG123_NEW_FORMAT) {
            long rate = 0;
            int chans = 0, enc = 0;
            mpg123_getformat(mh, &rate, &chans, &enc);
            otherOutput_ = rate != rate_ || chans != channels_ || enc != MPG123_ENC_FLOAT_32;
        }
        if (r == MPG123_OK || r == MPG123_NEW_FORMAT) {
            // Frames of another kind are stray headers found in junk (or a file glued from
            // two): they are dropped, not played at the wrong speed. Judged by the frame
            // itself, so that the same frames drop at every decode setting, and before
            // decoding, which spares the work and the library's complaints about them.
            if (otherOutput_ || !(KindOf(mh) == kind_)) continue;
            if (!held) r = mpg123_framebyframe_decode(mh, &num, &audio, &bytes);
            if (r == MPG123_OK) {
                std::size_t frames =
                    bytes / (sizeof(float) * static_cast<std::size_t>(channels_));
                samples = reinterpret_cast<const float*>(audio);
                if (skip_ > 0) {
                    // Our own trim: the decoder delay before the track, the padding after it.
                    const std::int64_t from = raw_;
                    raw_ += static_cast<std::int64_t>(frames);
                    const std::int64_t begin = std::max(from, skip_);
                    const std::int64_t end = std::min(raw_, skip_ + length_);
                    if (begin >= skip_ + length_) break;
                    if (end <= begin) continue;
                    samples += (begin - from) * channels_;
                    frames = static_cast<std::size_t>(end - begin);
                }
                if (frames == 0) continue; // a frame eaten by gapless trimming
                position_ += static_cast<std::int64_t>(frames);
                return frames;
            }
        }
        if (r == MPG123_DONE || GaveUp(mh)) break;
        // A stray header in junk fails on its own; the decoder resyncs after it. Go on as
        // long as it gets further into the file each time.
        const off_t at = mpg123_tell_stream(mh);
        if (at < 0 || at <= lastErrorAt_) break;
        lastErrorAt_ = at;
    }
    ended_ = true;
    return 0;
}

std::int64_t Mpg123Source::Seek(std::int64_t frame) noexcept {
    // mpg123 happily seeks past the end and reports the requested offset: clamp ourselves.
    frame = std::clamp<std::int64_t>(frame, 0, length_);
    const off_t r = mpg123_seek(handle_->mh, static_cast<off_t>(frame + skip_), SEEK_SET);
    ended_ = r < 0;
    held_ = true;
    raw_ = r < 0 ? skip_ + length_ : static_cast<std::int64_t>(r);
    position_ = std::clamp<std::int64_t>(raw_ - skip_, 0, length_);
    return position_;
}

} // namespace telbo::engine
