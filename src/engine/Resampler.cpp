#include "engine/Resampler.h"

#include <soxr.h>

#include <algorithm>
#include <cmath>

namespace telbo::engine {

namespace {
constexpr double kMinSpeed = 0.2, kMaxSpeed = 3.0;
constexpr double kSlewSeconds = 0.02;
} // namespace

struct Resampler::Soxr {
    soxr_t sx = nullptr;
    ~Soxr() {
        if (sx) soxr_delete(sx);
    }
};

Resampler::Resampler(int inRate, int outRate, double speed, const float* history,
                     std::size_t historyFrames) noexcept
    : inRate_(inRate), outRate_(outRate), speed_(std::clamp(speed, kMinSpeed, kMaxSpeed)) {
    try {
        auto s = std::make_unique<Soxr>();
        soxr_error_t err = nullptr;
        const soxr_io_spec_t io = soxr_io_spec(SOXR_FLOAT32_I, SOXR_FLOAT32_I);
        const soxr_quality_spec_t q = soxr_quality_spec(SOXR_HQ, SOXR_VR);
        // Variable-rate mode takes the largest io ratio it will ever see as its input rate.
        const double maxRatio = std::max(1.0, inRate_ * kMaxSpeed / outRate_);
        s->sx = soxr_create(maxRatio, 1.0, 2, &err, &io, &q, nullptr);
        if (err || !s->sx) return;
        scratch_.reserve(8192);
        if (history && historyFrames) {
            // History goes through at the plain rate ratio; its output is what the caller has
            // already played, so it is dropped. Then the speed glides in.
            soxr_set_io_ratio(s->sx, inRate_ / outRate_, 0);
            soxr_ = std::move(s);
            discard_ = static_cast<std::size_t>(
                std::llround(static_cast<double>(historyFrames) * outRate_ / inRate_));
            Run(history, historyFrames, scratch_);
            scratch_.clear();
            soxr_set_io_ratio(soxr_->sx, inRate_ * speed_ / outRate_,
                              static_cast<std::size_t>(outRate_ * kSlewSeconds));
        } else {
            soxr_set_io_ratio(s->sx, inRate_ * speed_ / outRate_, 0);
            soxr_ = std::move(s);
        }
    } catch (...) {
        soxr_.reset();
    }
}

Resampler::~Resampler() = default;

void Resampler::SetSpeed(double speed) noexcept {
    speed = std::clamp(speed, kMinSpeed, kMaxSpeed);
    if (!soxr_ || speed == speed_) return;
    speed_ = speed;
    soxr_set_io_ratio(soxr_->sx, inRate_ * speed_ / outRate_,
                      static_cast<std::size_t>(outRate_ * kSlewSeconds));
}

void Resampler::Run(const float* in, std::size_t frames, std::vector<float>& out) noexcept {
    // Output room for the whole input at the slowest speed, plus the filter's backlog.
    const std::size_t room =
        static_cast<std::size_t>(static_cast<double>(frames) * outRate_ / (inRate_ * kMinSpeed)) +
        1024;
    std::size_t fed = 0;
    for (int guard = 0; guard < 64; ++guard) {
        const std::size_t start = out.size();
        if (out.capacity() < start + room * 2) out.reserve(std::max(out.capacity() * 2, start + room * 2));
        out.resize(start + room * 2);
        std::size_t idone = 0, odone = 0;
        soxr_process(soxr_->sx, in ? in + fed * 2 : nullptr, in ? frames - fed : 0, &idone,
                     out.data() + start, room, &odone);
        out.resize(start + odone * 2);
        if (discard_) {
            const std::size_t drop = std::min(discard_, odone);
            out.erase(out.begin() + static_cast<std::ptrdiff_t>(start),
                      out.begin() + static_cast<std::ptrdiff_t>(start + drop * 2));
            discard_ -= drop;
        }
        fed += idone;
        if (in ? fed >= frames : odone == 0) break;
        if (idone == 0 && odone == 0) break;
    }
}

void Resampler::Process(const float* in, std::size_t frames, std::vector<float>& out) noexcept {
    if (soxr_ && frames) Run(in, frames, out);
}

void Resampler::Flush(std::vector<float>& out) noexcept {
    if (soxr_) Run(nullptr, 0, out);
}

} // namespace telbo::engine
