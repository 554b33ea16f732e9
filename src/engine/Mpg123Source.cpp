#include "engine/Mpg123Source.h"

#include <mpg123.h>

#include <algorithm>
#include <cstdio>
#include <cmath>
#include <filesystem>
#include <mutex>

namespace telbo::engine {

struct Mpg123Source::Handle {
    mpg123_handle* mh = nullptr;
    std::FILE* file = nullptr;
    bool opened = false;
    ~Handle() {
        if (opened) mpg123_close(mh);
        if (mh) mpg123_delete(mh);
        if (file) std::fclose(file);
    }
};

namespace {
// mpg123's own reader asks the kernel for every frame; a buffered stream reads 64 KB at a
// time, which saves most of the system calls of playing a file.
mpg123_ssize_t ReadFile(void* file, void* buf, std::size_t size) noexcept {
    const std::size_t n = std::fread(buf, 1, size, static_cast<std::FILE*>(file));
    return n == 0 && std::ferror(static_cast<std::FILE*>(file)) ? -1 : static_cast<mpg123_ssize_t>(n);
}
off_t SeekFile(void* file, off_t offset, int whence) noexcept {
    auto* f = static_cast<std::FILE*>(file);
    return fseeko(f, offset, whence) == 0 ? ftello(f) : -1;
}

void InitLibraryOnce() noexcept {
    static std::once_flag once;
    std::call_once(once, [] { mpg123_init(); });
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
        InitLibraryOnce();
        auto h = std::make_unique<Handle>();
        int err = MPG123_OK;
        h->mh = mpg123_new(nullptr, &err);
        if (!h->mh) return nullptr;
        mpg123_handle* mh = h->mh;
        mpg123_param(mh, MPG123_FLAGS,
                     MPG123_QUIET | MPG123_GAPLESS | MPG123_FORCE_FLOAT |
                         (options.StereoConf == 1 ? MPG123_MONO_MIX : 0),
                     0);
        mpg123_param(mh, MPG123_DOWN_SAMPLE, std::clamp(options.SamplingRate, 0, 2), 0);
        // Without this, 20 KB of junk in the middle of a file ends the track there.
        mpg123_param(mh, MPG123_RESYNC_LIMIT, -1, 0);
        mpg123_format_none(mh);
        const long* rates = nullptr;
        std::size_t count = 0;
        mpg123_rates(&rates, &count);
        const int channels = options.StereoConf == 1 ? MPG123_MONO : MPG123_MONO | MPG123_STEREO;
        for (std::size_t i = 0; i < count; ++i)
            mpg123_format(mh, rates[i], channels, MPG123_ENC_FLOAT_32);

        h->file = std::fopen(path.c_str(), "rbe");
        if (!h->file) return nullptr;
        std::setvbuf(h->file, nullptr, _IOFBF, 1 << 16);
        if (mpg123_replace_reader_handle(mh, &ReadFile, &SeekFile, nullptr) != MPG123_OK ||
            mpg123_open_handle(mh, h->file) != MPG123_OK)
            return nullptr;
        h->opened = true;
        long rate = 0;
        int chans = 0, enc = 0;
        if (mpg123_getformat(mh, &rate, &chans, &enc) != MPG123_OK || rate <= 0 || chans <= 0 ||
            enc != MPG123_ENC_FLOAT_32)
            return nullptr;

        mpg123_frameinfo2 fi{};
        const int bitrate = mpg123_info2(mh, &fi) == MPG123_OK ? fi.bitrate : 0;
        // The scan makes the length exact for files without a Xing header (VBR ones
        // especially); it takes a few ms for a long file.
        mpg123_scan(mh);
        const off_t length = mpg123_length(mh);
        if (mpg123_seek(mh, 0, SEEK_SET) < 0) return nullptr;

        std::unique_ptr<Mpg123Source> src(new Mpg123Source(std::move(h)));
        src->rate_ = static_cast<int>(rate);
        src->channels_ = chans;
        src->bitrate_ = std::max(bitrate, 0);
        src->length_ = std::max<std::int64_t>(length, 0);
        return src;
    } catch (...) {
        return nullptr;
    }
}

int Mpg123Source::TotalSeconds() const noexcept {
    return rate_ > 0 ? static_cast<int>(std::llround(static_cast<double>(length_) / rate_)) : 0;
}

std::size_t Mpg123Source::Next(const float*& samples) noexcept {
    while (!ended_) {
        off_t num = 0;
        unsigned char* audio = nullptr;
        std::size_t bytes = 0;
        const int r = mpg123_decode_frame(handle_->mh, &num, &audio, &bytes);
        if (r == MPG123_NEW_FORMAT) {
            // Frames of another rate or channel count are stray headers found in junk (or a
            // file glued from two): they are dropped, not played at the wrong speed.
            long rate = 0;
            int chans = 0, enc = 0;
            mpg123_getformat(handle_->mh, &rate, &chans, &enc);
            foreign_ = rate != rate_ || chans != channels_ || enc != MPG123_ENC_FLOAT_32;
        }
        if ((r == MPG123_OK || r == MPG123_NEW_FORMAT) && foreign_) continue;
        if (r == MPG123_OK || r == MPG123_NEW_FORMAT) {
            const std::size_t frames = bytes / (sizeof(float) * static_cast<std::size_t>(channels_));
            if (frames == 0) continue; // a frame eaten by gapless trimming, or a format note
            samples = reinterpret_cast<const float*>(audio);
            position_ += static_cast<std::int64_t>(frames);
            return frames;
        }
        if (r == MPG123_DONE) break;
        // A stray header in junk (say, of another sample rate) fails on its own; the decoder
        // resyncs after it. Go on as long as it gets further into the file each time.
        const off_t at = mpg123_tell_stream(handle_->mh);
        if (at < 0 || at <= lastErrorAt_) break;
        lastErrorAt_ = at;
    }
    ended_ = true;
    return 0;
}

std::int64_t Mpg123Source::Seek(std::int64_t frame) noexcept {
    // mpg123 happily seeks past the end and reports the requested offset: clamp ourselves.
    frame = std::clamp<std::int64_t>(frame, 0, length_);
    const off_t r = mpg123_seek(handle_->mh, static_cast<off_t>(frame), SEEK_SET);
    ended_ = r < 0;
    position_ = r < 0 ? length_ : static_cast<std::int64_t>(r);
    return position_;
}

} // namespace telbo::engine
