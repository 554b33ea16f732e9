#include "engine/ReducedSource.h"

#include <soxr.h>

#include <algorithm>

namespace telbo::engine {

struct ReducedSource::Converter {
    soxr_t sx = nullptr;
    ~Converter() {
        if (sx) soxr_delete(sx);
    }
};

ReducedSource::ReducedSource(std::unique_ptr<Source> inner, int down, bool mono) noexcept
    : inner_(std::move(inner)), down_(down), mix_(mono && inner_->Channels() == 2) {}

ReducedSource::~ReducedSource() = default;

std::unique_ptr<Source> ReducedSource::Wrap(std::unique_ptr<Source> inner, int down,
                                            bool mono) noexcept {
    try {
        down = std::clamp(down, 0, 2);
        if (!inner || (down == 0 && (!mono || inner->Channels() == 1))) return inner;
        std::unique_ptr<ReducedSource> src(new ReducedSource(std::move(inner), down, mono));
        src->channels_ = src->mix_ ? 1 : src->inner_->Channels();
        src->rate_ = src->inner_->Rate() >> down;
        if (src->rate_ <= 0) return nullptr;
        // soxr's output for n frames is n / 2^down, rounded to the nearest (halves up).
        const std::int64_t half = (std::int64_t{1} << down) >> 1;
        src->length_ = (src->inner_->LengthFrames() + half) >> down;
        if (down > 0) {
            src->converter_ = std::make_unique<Converter>();
            soxr_error_t err = nullptr;
            const soxr_io_spec_t io = soxr_io_spec(SOXR_FLOAT32_I, SOXR_FLOAT32_I);
            const soxr_quality_spec_t q = soxr_quality_spec(SOXR_HQ, 0);
            src->converter_->sx =
                soxr_create(src->inner_->Rate(), src->rate_, static_cast<unsigned>(src->channels_),
                            &err, &io, &q, nullptr);
            if (err || !src->converter_->sx) return nullptr;
        }
        return src;
    } catch (...) {
        return nullptr;
    }
}

std::size_t ReducedSource::Convert(const float* in, std::size_t frames) noexcept {
    const auto ch = static_cast<std::size_t>(channels_);
    std::size_t made = 0, fed = 0;
    for (int guard = 0; guard < 64; ++guard) {
        const std::size_t room = ((frames - fed) >> down_) + 256;
        if (out_.size() < (made + room) * ch) out_.resize((made + room) * ch);
        std::size_t idone = 0, odone = 0;
        soxr_process(converter_->sx, in ? in + fed * ch : nullptr, in ? frames - fed : 0, &idone,
                     out_.data() + made * ch, room, &odone);
        made += odone;
        fed += idone;
        if (in ? fed >= frames : odone == 0) break;
        if (idone == 0 && odone == 0) break;
    }
    return made;
}

std::size_t ReducedSource::Next(const float*& samples) noexcept {
    while (!ended_) {
        std::size_t n = 0;
        const float* in = nullptr;
        if (!innerEnded_) {
            n = inner_->Next(in);
            innerEnded_ = n == 0;
        }
        if (n > 0 && mix_) {
            if (mono_.size() < n) mono_.resize(n);
            for (std::size_t i = 0; i < n; ++i)
                mono_[i] = (in[2 * i] + in[2 * i + 1]) * 0.5f;
            in = mono_.data();
        }
        std::size_t frames = n;
        if (converter_) {
            frames = Convert(n > 0 ? in : nullptr, n);
            in = out_.data();
        }
        // Never past the length given at open, so that the position stays inside the track.
        frames = static_cast<std::size_t>(
            std::min<std::int64_t>(static_cast<std::int64_t>(frames), length_ - position_));
        if (frames > 0) {
            position_ += static_cast<std::int64_t>(frames);
            samples = in;
            return frames;
        }
        if (innerEnded_ || position_ >= length_) ended_ = true;
    }
    return 0;
}

std::int64_t ReducedSource::Seek(std::int64_t frame) noexcept {
    frame = std::clamp<std::int64_t>(frame, 0, length_);
    const std::int64_t at = inner_->Seek(frame << down_);
    if (converter_) soxr_clear(converter_->sx);
    position_ = std::min(at >> down_, length_);
    innerEnded_ = false;
    ended_ = position_ >= length_;
    return position_;
}

} // namespace telbo::engine
