#pragma once
// Lock-free single-producer/single-consumer ring of fixed-size blocks of stereo float frames,
// each tagged with where in the track it plays. The decode thread produces, the sink consumes.

#include <algorithm>
#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <new>
#include <type_traits>

namespace telbo::engine {

struct AudioBlock {
    static constexpr std::size_t kFrames = 512;
    static constexpr int kChannels = 2;

    std::uint32_t epoch = 0;  // blocks of an older epoch are dropped unheard (stop, seek)
    std::uint32_t frames = 0; // may be 0 for a bare end-of-track marker
    std::uint32_t rate = 0;   // frames per second
    std::uint32_t track = 0;  // the decode chain's track count: a block never spans two files
    bool last = false;        // the track ends after this block
    double trackStart = 0;    // track seconds at the first frame
    double trackPerFrame = 0; // track seconds per frame (speed / rate)
    std::array<float, kFrames * kChannels> samples{};
};

static_assert(std::is_trivially_copyable_v<AudioBlock> &&
              std::is_trivially_destructible_v<AudioBlock>);

class BlockRing {
public:
    // All-zero bytes are a default block; from calloc, a part of the ring that is never
    // filled is never given memory either.
    explicit BlockRing(std::size_t blocks)
        : size_(blocks),
          blocks_(static_cast<AudioBlock*>(std::calloc(blocks, sizeof(AudioBlock)))) {
        if (!blocks_) throw std::bad_alloc();
    }
    BlockRing(const BlockRing&) = delete;
    BlockRing& operator=(const BlockRing&) = delete;

    std::size_t Capacity() const noexcept { return size_; }

    // Producer: the free slot to fill, or nullptr when `limit` blocks (at most the capacity)
    // are waiting; Commit publishes it.
    AudioBlock* WriteSlot(std::size_t limit = SIZE_MAX) noexcept {
        const auto w = write_.load(std::memory_order_relaxed);
        if (w - read_.load(std::memory_order_acquire) >= std::min(limit, size_)) return nullptr;
        return &blocks_.get()[w % size_];
    }
    void Commit() noexcept {
        write_.store(write_.load(std::memory_order_relaxed) + 1, std::memory_order_release);
    }

    // Consumer: the oldest published block, or nullptr when empty; Release frees it.
    const AudioBlock* ReadSlot() const noexcept {
        const auto r = read_.load(std::memory_order_relaxed);
        if (r == write_.load(std::memory_order_acquire)) return nullptr;
        return &blocks_.get()[r % size_];
    }
    void Release() noexcept {
        read_.store(read_.load(std::memory_order_relaxed) + 1, std::memory_order_release);
    }

    // Blocks published and not yet released, from any thread: a snapshot that may be stale
    // by the time it is read.
    std::size_t Waiting() const noexcept {
        const auto r = read_.load(std::memory_order_acquire);
        const auto w = write_.load(std::memory_order_acquire);
        return w > r ? static_cast<std::size_t>(w - r) : 0;
    }

private:
    struct Free {
        void operator()(AudioBlock* p) const noexcept { std::free(p); }
    };
    const std::size_t size_;
    std::unique_ptr<AudioBlock, Free> blocks_;
    alignas(64) std::atomic<std::uint64_t> write_{0};
    alignas(64) std::atomic<std::uint64_t> read_{0};
};

} // namespace telbo::engine
