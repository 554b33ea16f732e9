#pragma once
// Per-channel loudness with a perceptual curve, and the step that turns the stream's channels
// into the stereo frames the sinks play. Gain changes ramp over one block: no clicks.

#include <cstddef>

namespace telbo::engine {

// 0..100 to a linear gain: cubic, so equal steps sound like equal steps (100 -> 1, 50 -> about
// -18 dB, 10 -> -60 dB, 0 -> silence).
float VolumeGain(int percent) noexcept;

class Volume final {
public:
    void SetTarget(int left, int right) noexcept;
    void SnapToTarget() noexcept;
    // The open file's own factor (its ReplayGain), on top of the volume. Takes effect at once,
    // from the next frame processed: at a join between files it must not glide.
    void SetTrackGain(float gain) noexcept { trackGain_ = gain; }
    // True when the stage leaves stereo input untouched.
    bool Unity() const noexcept;
    // `frames` frames of `channels` (1 or 2) from `in` to stereo `out` (may alias `in` when
    // stereo).
    void Process(const float* in, int channels, std::size_t frames, float* out) noexcept;

private:
    float targetL_ = 1, targetR_ = 1;
    float currentL_ = 1, currentR_ = 1;
    float trackGain_ = 1;
};

} // namespace telbo::engine
