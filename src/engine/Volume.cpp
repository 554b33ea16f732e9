#include "engine/Volume.h"

#include "decoder/Records.h"

#include <algorithm>

namespace telbo::engine {

float VolumeGain(int percent) noexcept {
    const float v = static_cast<float>(std::clamp(percent, kVolumeRange.low, kVolumeRange.high)) / 100.0f;
    return v * v * v;
}

void Volume::SetTarget(int left, int right) noexcept {
    targetL_ = VolumeGain(left);
    targetR_ = VolumeGain(right);
}

void Volume::SnapToTarget() noexcept {
    currentL_ = targetL_;
    currentR_ = targetR_;
}

bool Volume::Unity() const noexcept {
    return currentL_ == 1.0f && currentR_ == 1.0f && targetL_ == 1.0f && targetR_ == 1.0f &&
           trackGain_ == 1.0f;
}

void Volume::Process(const float* in, int channels, std::size_t frames, float* out) noexcept {
    const bool ramp = currentL_ != targetL_ || currentR_ != targetR_;
    if (!ramp && currentL_ == 1.0f && currentR_ == 1.0f && trackGain_ == 1.0f) {
        if (channels == 2) {
            if (in != out) std::copy(in, in + frames * 2, out);
        } else {
            // Backwards, so that in-place widening (out == in) reads before it writes.
            for (std::size_t i = frames; i-- > 0;) out[2 * i] = out[2 * i + 1] = in[i];
        }
        return;
    }
    // The track's gain folds into the same factors: one multiplication per sample, as before.
    const float g = trackGain_;
    const float startL = currentL_ * g, startR = currentR_ * g;
    const float stepL = frames ? (targetL_ - currentL_) * g / static_cast<float>(frames) : 0;
    const float stepR = frames ? (targetR_ - currentR_) * g / static_cast<float>(frames) : 0;
    if (channels == 2) {
        if (!ramp) {
            for (std::size_t i = 0; i < frames; ++i) {
                out[2 * i] = in[2 * i] * startL;
                out[2 * i + 1] = in[2 * i + 1] * startR;
            }
            return;
        }
        for (std::size_t i = 0; i < frames; ++i) {
            const float l = startL + stepL * static_cast<float>(i);
            const float r = startR + stepR * static_cast<float>(i);
            out[2 * i] = in[2 * i] * l;
            out[2 * i + 1] = in[2 * i + 1] * r;
        }
    } else {
        for (std::size_t i = frames; i-- > 0;) {
            const float l = startL + stepL * static_cast<float>(i);
            const float r = startR + stepR * static_cast<float>(i);
            const float x = in[i];
            out[2 * i] = x * l;
            out[2 * i + 1] = x * r;
        }
    }
    currentL_ = targetL_;
    currentR_ = targetR_;
}

} // namespace telbo::engine
