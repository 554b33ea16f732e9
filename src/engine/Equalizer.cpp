#include "engine/Equalizer.h"

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
} // namespace

float SoftLimit(float x) noexcept {
    const float a = std::fabs(x);
    if (a <= kKnee) return x;
    const float y = kKnee + (kCeiling - kKnee) * std::tanh((a - kKnee) / (kCeiling - kKnee));
    return std::copysign(y, x);
}

Equalizer::Equalizer(int rate, int channels) noexcept
    : rate_(rate), channels_(std::clamp(channels, 1, kMaxChannels)) {
    for (int b = 0; b < kBands; ++b) usable_[b] = kCentresHz[b] < 0.45 * rate_;
}

void Equalizer::SetTarget(const EqualizerBands& tenths) noexcept {
    for (int b = 0; b < kBands; ++b)
        targetDb_[b] = usable_[b] ? std::clamp(tenths[b], -120, 120) / 10.0 : 0.0;
    UpdateActive();
}

void Equalizer::SnapToTarget() noexcept {
    for (int b = 0; b < kBands; ++b) {
        currentDb_[b] = targetDb_[b];
        Design(b);
    }
    UpdateActive();
}

void Equalizer::Reset() noexcept {
    for (auto& band : state_)
        for (auto& ch : band) ch = {0, 0};
}

void Equalizer::UpdateActive() noexcept {
    const bool any = std::any_of(targetDb_.begin(), targetDb_.end(), [](double g) { return g != 0; }) ||
                     std::any_of(currentDb_.begin(), currentDb_.end(), [](double g) { return g != 0; });
    if (any) {
        active_ = true;
        // After the last band returns to 0 dB the filters still ring for a while; keep
        // running them half a second so dropping them is silent.
        tailFrames_ = static_cast<std::size_t>(rate_ / 2);
    }
}

void Equalizer::Design(int band) noexcept {
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

void Equalizer::Process(float* samples, std::size_t frames) noexcept {
    if (!active_) return;
    const auto ch = static_cast<std::size_t>(channels_);
    for (std::size_t start = 0; start < frames; start += kStepFrames) {
        const std::size_t n = std::min(kStepFrames, frames - start);
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
        for (int b = 0; b < kBands; ++b) {
            if (currentDb_[b] == 0 && !moving && state_[b][0][0] == 0 && state_[b][0][1] == 0 &&
                (ch == 1 || (state_[b][1][0] == 0 && state_[b][1][1] == 0)))
                continue; // an identity filter at rest: skip its work
            const Coeffs c = coeffs_[b];
            // Transposed direct form II in double: the 60 Hz band is too narrow for float.
            // Both channels in one pass, so the two dependency chains overlap.
            if (ch == 2) {
                double l1 = state_[b][0][0], l2 = state_[b][0][1];
                double r1 = state_[b][1][0], r2 = state_[b][1][1];
                for (std::size_t i = 0; i < n; ++i) {
                    const double xl = p[2 * i], xr = p[2 * i + 1];
                    const double yl = c.b0 * xl + l1, yr = c.b0 * xr + r1;
                    l1 = c.b1 * xl - c.a1 * yl + l2;
                    r1 = c.b1 * xr - c.a1 * yr + r2;
                    l2 = c.b2 * xl - c.a2 * yl;
                    r2 = c.b2 * xr - c.a2 * yr;
                    p[2 * i] = static_cast<float>(yl);
                    p[2 * i + 1] = static_cast<float>(yr);
                }
                state_[b][0] = {l1, l2};
                state_[b][1] = {r1, r2};
            } else {
                double s1 = state_[b][0][0], s2 = state_[b][0][1];
                for (std::size_t i = 0; i < n; ++i) {
                    const double x = p[i];
                    const double y = c.b0 * x + s1;
                    s1 = c.b1 * x - c.a1 * y + s2;
                    s2 = c.b2 * x - c.a2 * y;
                    p[i] = static_cast<float>(y);
                }
                state_[b][0] = {s1, s2};
            }
        }
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
