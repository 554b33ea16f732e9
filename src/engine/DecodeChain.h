#pragma once
// The decode chain of one open file: source (mpg123 or libsndfile) -> equalizer -> volume -> resampler, producing
// stereo float frames at the sink's rate. Runs on one thread at a time (the engine's decode
// thread, or the caller's in tools and benchmarks); settings arrive through ChainControls.

#include "decoder/Records.h"

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace telbo::engine {

class Source;
class EqualizerFilter;
class Resampler;
class Volume;

// Settings that another thread may change while the chain runs.
struct ChainControls {
    ChainControls() noexcept;
    void SetEqualizer(const EqualizerBands& tenths) noexcept;
    // False if a change was under way; `out` is then unchanged.
    bool ReadEqualizer(EqualizerBands& out, unsigned& version) const noexcept;

    std::array<std::atomic<int>, 10> eq;
    std::atomic<unsigned> eqVersion{0};
    std::atomic<int> volumeLeft{100}, volumeRight{100}; // 0..100
    std::atomic<int> speed{100};                        // hundredths, 20..300
};

class DecodeChain final {
public:
    // nullptr when the file is not playable.
    static std::unique_ptr<DecodeChain> Open(const std::string& path,
                                             const DecodeOptions& options) noexcept;
    ~DecodeChain();
    DecodeChain(const DecodeChain&) = delete;
    DecodeChain& operator=(const DecodeChain&) = delete;

    OpenInfoRecord Info() const noexcept;
    int StreamRate() const noexcept;
    int StreamChannels() const noexcept;
    std::int64_t LengthFrames() const noexcept;

    // Gets ready to produce from `startFrame` (clamped) at `outputRate` (0: the stream's own
    // rate), taking the controls' current values at once. Returns the frame it starts at.
    std::int64_t Start(const ChainControls& controls, int outputRate,
                       std::int64_t startFrame) noexcept;
    int OutputRate() const noexcept { return outRate_; }
    bool Resampling() const noexcept { return resampler_ != nullptr; }

    // The open file's own linear factor (its ReplayGain) in the volume stage, 1 by default.
    // Before Start, or from the thread that runs the chain.
    void SetTrackGain(float gain) noexcept;

    // The file that follows: when the open one ends, the chain goes straight on with it, in
    // the same output (rate, equalizer, volume and resampler carried on; a different rate or
    // channel count is converted to this chain's), at its own `gain` from its first frame.
    // Any thread, also while Next runs; replaces a file queued before.
    void Queue(std::unique_ptr<Source> next, float gain = 1.0f) noexcept;
    // Withdraws the queued file; false when there was none left (the chain took it).
    bool Unqueue() noexcept;
    // Whether a file is queued to follow; any thread.
    bool HasQueued() const noexcept { return next_.load(std::memory_order_acquire) != nullptr; }
    // Undoes the last move-on: the file before it (kept open) is the chain's again and the one
    // moved on to is queued afresh, from its start. For a restart while the end of the older
    // file has not been heard yet. False when there is nothing to go back to; not while Next
    // runs.
    bool StepBack() noexcept;
    // Counts the files the chain has moved on to (wraps); any thread.
    std::uint32_t Track() const noexcept { return track_.load(std::memory_order_acquire); }
    // Where the file before the last move-on ended, in its seconds; any thread.
    double PreviousEnd() const noexcept { return previousEnd_.load(std::memory_order_acquire); }

    struct Piece {
        const float* samples = nullptr; // stereo interleaved, valid until the next call
        std::size_t frames = 0;
        std::uint32_t track = 0;  // Track() of the file it belongs to
        double trackStart = 0;    // track seconds at the first frame
        double trackPerFrame = 0; // track seconds per output frame
        bool last = false;        // nothing follows
    };
    // The next piece of output; false once the last piece has been returned.
    bool Next(Piece& piece) noexcept;

private:
    explicit DecodeChain(std::unique_ptr<Source> source) noexcept;
    void PollControls(bool snap) noexcept;
    struct QueuedFile {
        std::unique_ptr<Source> source;
        float gain = 1.0f;
    };
    bool MoveOn(std::unique_ptr<Source> next, float gain) noexcept;
    // Frames of the open file delivered so far, within its announced length.
    std::int64_t Decoded() const noexcept;

    std::unique_ptr<Source> source_;
    std::unique_ptr<Source> previous_; // the file before the last move-on
    float gain_ = 1.0f;                // the open file's ReplayGain factor
    float previousGain_ = 1.0f;        // previous_'s, for a step back
    std::unique_ptr<EqualizerFilter> eq_;
    std::unique_ptr<Volume> volume_;
    std::unique_ptr<Resampler> resampler_;
    const ChainControls* controls_ = nullptr;
    unsigned eqVersion_ = ~0u;
    double speed_ = 1.0;
    int outRate_ = 0;
    double trackPos_ = 0; // seconds, for the resampled path
    bool finished_ = true;
    std::vector<float> work_;    // equalizer and volume, in place
    std::vector<float> out_;     // resampler output
    const float* last_ = nullptr; // the previous block's stereo output before resampling
    std::size_t lastFrames_ = 0;
    std::atomic<QueuedFile*> next_{nullptr};
    std::atomic<std::uint32_t> track_{0};
    std::atomic<double> previousEnd_{0};
    std::vector<float> carry_; // the last block of the previous file, for a new resampler
};

} // namespace telbo::engine
