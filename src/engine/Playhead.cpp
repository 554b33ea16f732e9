#include "engine/Playhead.h"

#include <algorithm>
#include <cmath>

namespace telbo::engine {

namespace {
// epoch (15 bits) | ended (1 bit) | track (8 bits) | heard microseconds (40 bits: 12 days)
constexpr std::uint64_t kMicrosMask = (std::uint64_t{1} << 40) - 1;
constexpr std::uint64_t kEndedBit = std::uint64_t{1} << 48;
constexpr std::uint32_t kEpochMask = 0x7FFF;

std::uint64_t Pack(std::uint32_t epoch, double seconds, bool ended, std::uint32_t track) noexcept {
    const double micros = std::clamp(seconds * 1e6, 0.0, static_cast<double>(kMicrosMask));
    return (std::uint64_t{epoch & kEpochMask} << 49) | (ended ? kEndedBit : 0) |
           (std::uint64_t{track & Playhead::kTrackMask} << 40) |
           static_cast<std::uint64_t>(std::llround(micros));
}
std::uint32_t EpochOf(std::uint64_t packed) noexcept {
    return static_cast<std::uint32_t>(packed >> 49) & kEpochMask;
}
} // namespace

Playhead::Playhead(std::size_t ringBlocks) : ring_(ringBlocks) {}

std::uint32_t Playhead::NewEpoch(double seconds, std::uint32_t track) noexcept {
    const std::uint32_t e = (epoch_.load(std::memory_order_relaxed) + 1) & kEpochMask;
    epoch_.store(e, std::memory_order_release);
    heard_.store(Pack(e, seconds, false, track), std::memory_order_release);
    return e;
}

Playhead::Heard Playhead::ReadHeard() const noexcept {
    const std::uint64_t h = heard_.load(std::memory_order_acquire);
    return {static_cast<double>(h & kMicrosMask) / 1e6, (h & kEndedBit) != 0,
            static_cast<std::uint32_t>(h >> 40) & kTrackMask};
}

void Playhead::Publish(std::uint32_t epoch, double seconds, bool ended,
                       std::uint32_t track) noexcept {
    // Only ever updates the current epoch's position: a block heard just as the engine starts
    // a new epoch must not overwrite the position the engine set.
    std::uint64_t cur = heard_.load(std::memory_order_acquire);
    while (EpochOf(cur) == (epoch & kEpochMask)) {
        if (heard_.compare_exchange_weak(cur, Pack(epoch, seconds, ended, track),
                                         std::memory_order_acq_rel, std::memory_order_acquire))
            return;
    }
}

std::uint32_t Playhead::Render(const void* consumer, float* out, std::size_t frames,
                               int channels) noexcept {
    std::uint32_t rate = 0;
    const std::size_t done = Take(consumer, out, frames, channels, rate);
    std::fill(out + done * static_cast<std::size_t>(channels),
              out + frames * static_cast<std::size_t>(channels), 0.0f);
    return rate;
}

std::size_t Playhead::Take(const void* consumer, float* out, std::size_t frames, int channels,
                           std::uint32_t& rate) noexcept {
    // A try-lock, never a wait: two sinks may briefly overlap while one replaces the other.
    if (busy_.exchange(true, std::memory_order_acquire)) return 0;
    if (consumer_.load(std::memory_order_acquire) != consumer) {
        busy_.store(false, std::memory_order_release);
        return 0;
    }
    progress_.fetch_add(1, std::memory_order_acq_rel);

    std::size_t done = 0;
    double played = 0;
    while (!paused_.load(std::memory_order_acquire) && done < frames) {
        const AudioBlock* block = ring_.ReadSlot();
        if (!block) break;
        if (block->epoch != epoch_.load(std::memory_order_acquire)) {
            ring_.Release();
            offset_ = 0;
            continue;
        }
        const std::size_t n = std::min<std::size_t>(frames - done, block->frames - offset_);
        const float* src = block->samples.data() + offset_ * AudioBlock::kChannels;
        float* dst = out + done * static_cast<std::size_t>(channels);
        if (channels == AudioBlock::kChannels) {
            std::copy(src, src + n * AudioBlock::kChannels, dst);
        } else {
            for (std::size_t i = 0; i < n; ++i) dst[i] = 0.5f * (src[2 * i] + src[2 * i + 1]);
        }
        offset_ += n;
        done += n;
        rate = block->rate;
        if (block->rate) played += static_cast<double>(n) / block->rate;
        const bool finished = offset_ == block->frames;
        Publish(block->epoch, block->trackStart + static_cast<double>(offset_) * block->trackPerFrame,
                finished && block->last, block->track);
        if (finished) {
            ring_.Release();
            offset_ = 0;
        }
    }
    if (played > 0)
        played_.store(played_.load(std::memory_order_relaxed) + played, std::memory_order_release);
    busy_.store(false, std::memory_order_release);
    return done;
}

} // namespace telbo::engine
