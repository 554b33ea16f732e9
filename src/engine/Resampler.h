#pragma once
// libsoxr for stereo float frames: converts the stream rate to the sink's rate and plays at a
// speed (turntable style: pitch goes with it). A speed change starts a second converter, primed
// with the audio just played, and crossfades to it over a few ms: no click, no gap.
// (soxr's own variable-rate mode would glide too, but costs about ten times the CPU.)

#include <cstddef>
#include <memory>
#include <vector>

namespace telbo::engine {

class Resampler final {
public:
    // `history`: the frames played just before (may be null); they prime the filter, so that
    // taking over mid-track from unconverted audio joins without a click.
    Resampler(int inRate, int outRate, double speed, const float* history,
              std::size_t historyFrames) noexcept;
    ~Resampler();
    Resampler(const Resampler&) = delete;
    Resampler& operator=(const Resampler&) = delete;

    bool Valid() const noexcept { return current_ != nullptr; }
    double Speed() const noexcept { return speed_; }
    // Changes speed from the next Process on; `history` as for the constructor (the input of
    // the last Process call).
    void SetSpeed(double speed, const float* history, std::size_t historyFrames) noexcept;
    // Converts all `frames` of `in` and appends the output to `out`.
    void Process(const float* in, std::size_t frames, std::vector<float>& out) noexcept;
    // The rest of the output at the end of the track.
    void Flush(std::vector<float>& out) noexcept;

private:
    struct Stage;
    std::unique_ptr<Stage> MakeStage(double speed, const float* history,
                                     std::size_t historyFrames) noexcept;

    double inRate_, outRate_, speed_;
    std::unique_ptr<Stage> current_;
    std::unique_ptr<Stage> next_; // the converter at the new speed, until the crossfade
    std::vector<float> scratch_;
    bool fadeFromInput_ = false; // the first output fades in over the unconverted input
};

} // namespace telbo::engine
