#pragma once
// libsoxr in variable-rate mode for stereo float frames: converts the stream rate to the
// sink's rate and plays at a speed (turntable style) whose changes glide over a few ms.

#include <cstddef>
#include <memory>
#include <vector>

namespace telbo::engine {

class Resampler final {
public:
    // `history`: the last frames the caller played without this resampler (may be empty). Fed
    // first and their output dropped, so that starting mid-track joins without a click.
    Resampler(int inRate, int outRate, double speed, const float* history,
              std::size_t historyFrames) noexcept;
    ~Resampler();
    Resampler(const Resampler&) = delete;
    Resampler& operator=(const Resampler&) = delete;

    bool Valid() const noexcept { return soxr_ != nullptr; }
    void SetSpeed(double speed) noexcept;
    double Speed() const noexcept { return speed_; }
    // Converts all `frames` of `in` and appends the output to `out`.
    void Process(const float* in, std::size_t frames, std::vector<float>& out) noexcept;
    // The rest of the output at the end of the track.
    void Flush(std::vector<float>& out) noexcept;

private:
    void Run(const float* in, std::size_t frames, std::vector<float>& out) noexcept;

    struct Soxr;
    std::unique_ptr<Soxr> soxr_;
    double inRate_, outRate_, speed_;
    std::size_t discard_ = 0;
    std::vector<float> scratch_;
};

} // namespace telbo::engine
