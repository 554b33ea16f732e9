#include "engine/Resampler.h"

#include <soxr.h>

#include <algorithm>
#include <cmath>

namespace telbo::engine {

namespace {
constexpr double kMinSpeed = 0.2, kMaxSpeed = 3.0;
constexpr double kCrossfadeSeconds = 0.008;
} // namespace

struct Resampler::Stage {
    soxr_t sx = nullptr;
    double ratio = 1;      // input frames per output frame
    std::size_t skip = 0;  // output frames still to drop
    ~Stage() {
        if (sx) soxr_delete(sx);
    }
    // Appends the output for `frames` of `in` (all of it when `in` is null: the flush).
    void Run(const float* in, std::size_t frames, std::vector<float>& out) noexcept {
        std::size_t fed = 0;
        for (int guard = 0; guard < 64; ++guard) {
            const auto room = static_cast<std::size_t>(
                                  static_cast<double>(in ? frames - fed : 0) / ratio) + 1024;
            const std::size_t start = out.size();
            out.resize(start + room * 2);
            std::size_t idone = 0, odone = 0;
            soxr_process(sx, in ? in + fed * 2 : nullptr, in ? frames - fed : 0, &idone,
                         out.data() + start, room, &odone);
            const std::size_t drop = std::min(skip, odone);
            skip -= drop;
            out.erase(out.begin() + static_cast<std::ptrdiff_t>(start),
                      out.begin() + static_cast<std::ptrdiff_t>(start + drop * 2));
            out.resize(start + (odone - drop) * 2);
            fed += idone;
            if (in ? fed >= frames : odone == 0) break;
            if (idone == 0 && odone == 0) break;
        }
    }
};

Resampler::Resampler(int inRate, int outRate, double speed, const float* history,
                     std::size_t historyFrames) noexcept
    : inRate_(inRate), outRate_(outRate), speed_(std::clamp(speed, kMinSpeed, kMaxSpeed)) {
    current_ = MakeStage(speed_, history, historyFrames);
    if (current_ && history && historyFrames) {
        // Taking over from unconverted audio, which has no delay: drop the filter's delay too,
        // so that the output goes on from where the history ended, and fade over from the
        // unconverted input.
        current_->skip = static_cast<std::size_t>(std::lround(soxr_delay(current_->sx)));
        fadeFromInput_ = true;
    }
}

Resampler::~Resampler() = default;

std::unique_ptr<Resampler::Stage> Resampler::MakeStage(double speed, const float* history,
                                                       std::size_t historyFrames) noexcept {
    try {
        auto s = std::make_unique<Stage>();
        soxr_error_t err = nullptr;
        const soxr_io_spec_t io = soxr_io_spec(SOXR_FLOAT32_I, SOXR_FLOAT32_I);
        const soxr_quality_spec_t q = soxr_quality_spec(SOXR_HQ, 0);
        s->ratio = inRate_ * speed / outRate_;
        s->sx = soxr_create(inRate_ * speed, outRate_, 2, &err, &io, &q, nullptr);
        if (err || !s->sx) return nullptr;
        if (history && historyFrames) {
            // Its output for the history has been played already: fill the filter, drop it.
            scratch_.clear();
            s->Run(history, historyFrames, scratch_);
        }
        return s;
    } catch (...) {
        return nullptr;
    }
}

void Resampler::SetSpeed(double speed, const float* history, std::size_t historyFrames) noexcept {
    speed = std::clamp(speed, kMinSpeed, kMaxSpeed);
    if (!current_ || speed == speed_) return;
    speed_ = speed;
    next_ = MakeStage(speed, history, historyFrames);
}

void Resampler::Process(const float* in, std::size_t frames, std::vector<float>& out) noexcept {
    if (!current_ || frames == 0) return;
    if (fadeFromInput_) {
        const std::size_t start = out.size();
        current_->Run(in, frames, out);
        const std::size_t made = (out.size() - start) / 2;
        if (made == 0) return;
        const std::size_t fade =
            std::min({made, frames, static_cast<std::size_t>(outRate_ * kCrossfadeSeconds)});
        for (std::size_t i = 0; i < fade; ++i) {
            const float w = static_cast<float>(i + 1) / static_cast<float>(fade + 1);
            for (std::size_t c = 0; c < 2; ++c) {
                float& o = out[start + i * 2 + c];
                o = in[i * 2 + c] * (1.0f - w) + o * w;
            }
        }
        fadeFromInput_ = false;
        return;
    }
    if (!next_) {
        current_->Run(in, frames, out);
        return;
    }
    // Both converters take this block; the output fades from the old to the new one.
    const std::size_t start = out.size();
    current_->Run(in, frames, out);
    const std::size_t oldFrames = (out.size() - start) / 2;
    try {
        scratch_.clear();
        next_->Run(in, frames, scratch_);
    } catch (...) {
        next_.reset();
        return;
    }
    const std::size_t newFrames = scratch_.size() / 2;
    if (oldFrames == 0 || newFrames == 0) return; // not yet: fade on the next block
    const std::size_t fade =
        std::min({oldFrames, newFrames, static_cast<std::size_t>(outRate_ * kCrossfadeSeconds)});
    out.resize(start + newFrames * 2);
    for (std::size_t i = 0; i < newFrames; ++i) {
        const float w = i < fade ? static_cast<float>(i + 1) / static_cast<float>(fade + 1) : 1.0f;
        for (std::size_t c = 0; c < 2; ++c) {
            float& o = out[start + i * 2 + c];
            const float n = scratch_[i * 2 + c];
            o = i < fade ? o * (1.0f - w) + n * w : n;
        }
    }
    current_ = std::move(next_);
}

void Resampler::Flush(std::vector<float>& out) noexcept {
    if (current_) current_->Run(nullptr, 0, out);
}

} // namespace telbo::engine
