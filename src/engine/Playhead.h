#pragma once
// The meeting point of the decode thread, the sink and the engine: the ring of decoded blocks
// and what has been heard of them. Sinks call Render from their real-time thread; it never
// blocks, allocates or makes a system call.

#include "engine/BlockRing.h"

#include <atomic>
#include <cstddef>
#include <cstdint>

namespace telbo::engine {

class Playhead final {
public:
    explicit Playhead(std::size_t ringBlocks = 16);
    Playhead(const Playhead&) = delete;
    Playhead& operator=(const Playhead&) = delete;

    BlockRing& Ring() noexcept { return ring_; }

    // Blocks carry the decode chain's track count cut to these bits.
    static constexpr std::uint32_t kTrackMask = 0xFF;

    // Engine side. Starts a new epoch: blocks queued so far are dropped unheard and the heard
    // position reads `seconds` of `track` until the first block of the new epoch is heard.
    std::uint32_t NewEpoch(double seconds, std::uint32_t track = 0) noexcept;
    void SetPaused(bool paused) noexcept { paused_.store(paused, std::memory_order_release); }
    bool Paused() const noexcept { return paused_.load(std::memory_order_acquire); }

    struct Heard {
        double seconds = 0; // track time of the last frame played
        bool ended = false; // the last block of the current epoch has been played
        std::uint32_t track = 0; // of the last frame played (see kTrackMask)
    };
    Heard ReadHeard() const noexcept;
    // Track audio played so far, in seconds of sink time (silence not counted).
    double PlayedSeconds() const noexcept { return played_.load(std::memory_order_acquire); }
    // Grows with every Render call of the current consumer: the device watchdog reads it.
    std::uint64_t Progress() const noexcept { return progress_.load(std::memory_order_acquire); }

    // Only the consumer named here gets audio; any other renders silence. Lets a dead device's
    // callback, should it wake up again, never race its replacement.
    void SetConsumer(const void* consumer) noexcept {
        consumer_.store(consumer, std::memory_order_release);
    }

    // Sink side: fills `frames` interleaved frames of `channels` (1 or 2) into `out`, silence
    // where there is nothing to play. Returns the rate of the audio played, 0 if all silence.
    std::uint32_t Render(const void* consumer, float* out, std::size_t frames,
                         int channels) noexcept;
    // Sink side, for sinks that queue ahead: like Render but only what is there, no silence.
    // Returns the frames written; `rate` gets the rate of the audio (untouched when none).
    std::size_t Take(const void* consumer, float* out, std::size_t frames, int channels,
                     std::uint32_t& rate) noexcept;

private:
    void Publish(std::uint32_t epoch, double seconds, bool ended, std::uint32_t track) noexcept;

    BlockRing ring_;
    std::atomic<std::uint32_t> epoch_{0};
    std::atomic<bool> paused_{false};
    // epoch, ended, track and heard time in one word (see Pack)
    std::atomic<std::uint64_t> heard_{0};
    std::atomic<double> played_{0};
    std::atomic<std::uint64_t> progress_{0};
    std::atomic<const void*> consumer_{nullptr};
    std::atomic<bool> busy_{false};
    std::size_t offset_ = 0; // frames of the front block already played; consumer-owned
};

} // namespace telbo::engine
