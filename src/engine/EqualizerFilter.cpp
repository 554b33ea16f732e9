#include "engine/EqualizerFilter.h"

#include "engine/BiquadCascade.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace telbo::engine {

namespace {
// Gains move at most this far per sub-block: 24 dB takes about 70 ms at 44.1 kHz.
constexpr double kGlideDbPerStep = 0.25;
constexpr std::size_t kStepFrames = 32;
constexpr float kKnee = 0.9f;
constexpr float kCeiling = 0.99f; // below 1 even where float tanh rounds to 1
// Frames filtered through all bands before the next ones: they wait in a stack buffer.
constexpr std::size_t kTile = 256;
} // namespace

float SoftLimit(float x) noexcept {
    const float a = std::fabs(x);
    if (a <= kKnee) return x;
    const float y = kKnee + (kCeiling - kKnee) * std::tanh((a - kKnee) / (kCeiling - kKnee));
    return std::copysign(y, x);
}

EqualizerFilter::EqualizerFilter(int rate, int channels) noexcept
    : rate_(rate), channels_(std::clamp(channels, 1, kMaxChannels)) {
    for (int b = 0; b < kBands; ++b) usable_[b] = kCentresHz[b] < 0.45 * rate_;
}

void EqualizerFilter::SetTarget(const EqualizerBands& tenths) noexcept {
    for (int b = 0; b < kBands; ++b)
        targetDb_[b] = usable_[b] ? std::clamp(tenths[b], kEqualizerGainRange.low, kEqualizerGainRange.high) / 10.0 : 0.0;
    UpdateActive();
}

void EqualizerFilter::SnapToTarget() noexcept {
    for (int b = 0; b < kBands; ++b) {
        currentDb_[b] = targetDb_[b];
        Design(b);
    }
    UpdateActive();
}

void EqualizerFilter::Reset() noexcept {
    for (auto& band : state_)
        for (auto& ch : band) ch = {0, 0};
}

void EqualizerFilter::UpdateActive() noexcept {
    const bool any = std::any_of(targetDb_.begin(), targetDb_.end(), [](double g) { return g != 0; }) ||
                     std::any_of(currentDb_.begin(), currentDb_.end(), [](double g) { return g != 0; });
    if (any) {
        active_ = true;
        // After the last band returns to 0 dB the filters still ring for a while; keep
        // running them half a second so dropping them is silent.
        tailFrames_ = static_cast<std::size_t>(rate_ / 2);
    }
}

void EqualizerFilter::Design(int band) noexcept {
    // RBJ cookbook peaking filter. At 0 dB numerator equals denominator: an exact identity.
    const double a = std::pow(10.0, currentDb_[band] / 40.0);
    const double w0 = 2.0 * std::numbers::pi * kCentresHz[band] / rate_;
    const double alpha = std::sin(w0) / (2.0 * kQ);
    const double cosw = std::cos(w0);
    const double a0 = 1.0 + alpha / a;
    Coeffs& c = coeffs_[band];
    c.b0 = (1.0 + alpha * a) / a0;
    c.b1 = -2.0 * cosw / a0;
    c.b2 = (1.0 - alpha * a) / a0;
    c.a1 = -2.0 * cosw / a0;
    c.a2 = (1.0 - alpha / a) / a0;
}

void EqualizerFilter::Run(const int* bands, int count, float* p, std::size_t n) noexcept {
    if (count == 0) return;
    std::array<biquad::Band, kBands> k;
    for (int i = 0; i < count; ++i) {
        const Coeffs& c = coeffs_[bands[i]];
        const auto& st = state_[bands[i]];
        using biquad::V2;
        k[i] = {V2{c.b0, c.b0}, V2{c.b1, c.b1}, V2{c.b2, c.b2}, V2{c.a1, c.a1},
                V2{c.a2, c.a2}, V2{st[0][0], st[1][0]}, V2{st[0][1], st[1][1]}};
    }
    const biquad::CascadeFn cascade = biquad::Cascade();
    // Frames wait between the bands as doubles (the 60 Hz band is too narrow for float).
    biquad::V2 tile[kTile];
    const bool stereo = channels_ == 2;
    for (std::size_t base = 0; base < n; base += kTile) {
        const std::size_t m = std::min(kTile, n - base);
        float* q = p + base * (stereo ? 2 : 1);
        for (std::size_t i = 0; i < m; ++i)
            tile[i] = stereo ? biquad::V2{q[2 * i], q[2 * i + 1]} : biquad::V2{q[i], 0.0};
        cascade(k.data(), count, tile, m);
        for (std::size_t i = 0; i < m; ++i) {
            if (stereo) {
                q[2 * i] = static_cast<float>(tile[i][0]);
                q[2 * i + 1] = static_cast<float>(tile[i][1]);
            } else {
                q[i] = static_cast<float>(tile[i][0]);
            }
        }
    }
    for (int i = 0; i < count; ++i) {
        auto& st = state_[bands[i]];
        st[0] = {k[i].s1[0], k[i].s2[0]};
        st[1] = {k[i].s1[1], k[i].s2[1]};
    }
}

void EqualizerFilter::Process(float* samples, std::size_t frames) noexcept {
    if (!active_) return;
    const auto ch = static_cast<std::size_t>(channels_);
    for (std::size_t start = 0, n = 0; start < frames; start += n) {
        // Gliding goes in small steps; settled gains take the whole block at once.
        const bool glide = currentDb_ != targetDb_;
        n = glide ? std::min(kStepFrames, frames - start) : frames - start;
        bool moving = false;
        bool allFlat = true;
        for (int b = 0; b < kBands; ++b) {
            if (currentDb_[b] != targetDb_[b]) {
                const double d = std::clamp(targetDb_[b] - currentDb_[b], -kGlideDbPerStep,
                                            kGlideDbPerStep);
                currentDb_[b] = std::fabs(targetDb_[b] - currentDb_[b]) <= kGlideDbPerStep
                                    ? targetDb_[b]
                                    : currentDb_[b] + d;
                Design(b);
                moving = true;
            }
            allFlat = allFlat && currentDb_[b] == 0;
        }
        float* p = samples + start * ch;
        // Only the bands that do something, sample by sample through all of them: the bands'
        // recursions are independent, so the processor overlaps them. Both channels travel
        // together in one vector of two doubles (double: the 60 Hz band is too narrow for
        // float).
        std::array<int, kBands> live{};
        int count = 0;
        for (int b = 0; b < kBands; ++b)
            if (currentDb_[b] != 0 || moving || state_[b][0][0] != 0 || state_[b][0][1] != 0 ||
                state_[b][1][0] != 0 || state_[b][1][1] != 0)
                live[count++] = b;
        Run(live.data(), count, p, n);
        for (std::size_t i = 0; i < n * ch; ++i) p[i] = SoftLimit(p[i]);
        if (allFlat && !moving) {
            tailFrames_ = tailFrames_ > n ? tailFrames_ - n : 0;
            if (tailFrames_ == 0) {
                Reset();
                active_ = false;
                return;
            }
        }
    }
}

} // namespace telbo::engine
