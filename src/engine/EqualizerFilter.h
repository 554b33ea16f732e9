#pragma once
// Ten peaking biquads per channel at the classic centres, followed by a soft limiter.
// Gains glide to new settings (no zipper noise, no clicks); with every band at 0 the stage is
// bypassed entirely, so the default chain is bit-transparent.

#include "decoder/Records.h"

#include <array>
#include <cstddef>

namespace telbo::engine {

class EqualizerFilter final {
public:
    static constexpr int kBands = 10;
    static constexpr std::array<int, kBands> kCentresHz = kEqualizerBandHz;
    static constexpr double kQ = 1.41;

    EqualizerFilter(int rate, int channels) noexcept;
    EqualizerFilter(const EqualizerFilter&) = delete;
    EqualizerFilter& operator=(const EqualizerFilter&) = delete;

    // Gains in tenths of dB (-120..120), reached gradually from the current ones.
    void SetTarget(const EqualizerBands& tenths) noexcept;
    // Jumps straight to the target (at the start of a track: nothing to glide from).
    void SnapToTarget() noexcept;
    // Forgets the filters' history (after a seek).
    void Reset() noexcept;
    // False when the stage does nothing at all and may be skipped.
    bool Active() const noexcept { return active_; }
    // Filters `frames` interleaved frames in place.
    void Process(float* samples, std::size_t frames) noexcept;

private:
    struct Coeffs {
        double b0 = 1, b1 = 0, b2 = 0, a1 = 0, a2 = 0;
    };
    void Design(int band) noexcept;
    void UpdateActive() noexcept;
    void Run(const int* bands, int count, float* samples, std::size_t frames) noexcept;

    static constexpr int kMaxChannels = 2;
    int rate_;
    int channels_;
    std::array<double, kBands> targetDb_{};
    std::array<double, kBands> currentDb_{};
    std::array<bool, kBands> usable_{}; // bands at or above 0.45 x rate stay flat
    std::array<Coeffs, kBands> coeffs_{};
    std::array<std::array<std::array<double, 2>, kMaxChannels>, kBands> state_{};
    std::size_t tailFrames_ = 0; // frames still to run at 0 dB before bypassing
    bool active_ = false;
};

// Soft-knee limiter: transparent below 0.9 of full scale, never past 0.99.
float SoftLimit(float x) noexcept;

} // namespace telbo::engine
