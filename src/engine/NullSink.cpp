#include "engine/NullSink.h"

#include "engine/Playhead.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <vector>

namespace telbo::engine {

NullSink::NullSink(Playhead& playhead, double speedup)
    : playhead_(playhead), speedup_(std::clamp(speedup, 1.0, 10000.0)) {
    thread_ = std::thread([this] { Run(); });
}

NullSink::~NullSink() {
    {
        std::lock_guard lock(mutex_);
        stop_ = true;
    }
    wake_.notify_all();
    thread_.join();
}

double NullSink::SliceSeconds() const noexcept {
    // In real time a quarter second of audio per wake-up: every wake-up costs CPU (on a
    // virtual machine more than the decoding of that audio), and nothing is heard that would
    // need finer steps; the clock's seconds still turn within a quarter second. Sped up, a
    // tenth of a second of audio as ever, at most a thousand wake-ups a second: the player's
    // clock, which runs in real time, still sees the end of a track coming in time to queue
    // the next.
    if (speedup_ <= 1.0) return 0.250;
    return 0.100 * std::max(1.0, speedup_ / 100.0);
}

bool NullSink::WhenTaken(std::function<void()> taken) noexcept {
    std::lock_guard lock(mutex_);
    taken_ = std::move(taken);
    return true;
}

double NullSink::AheadSeconds() const noexcept {
    // Three slices: a refill at half of it leaves more than a whole slice waiting. Sped up,
    // the ring's short default, which holds a tenth of a second.
    return speedup_ <= 1.0 ? 3 * SliceSeconds() : 0;
}

void NullSink::Run() noexcept {
    using Clock = std::chrono::steady_clock;
    const double sliceSeconds = SliceSeconds();
    std::vector<float> scratch;
    std::uint32_t rate = 44100;
    auto deadline = Clock::now();
    std::unique_lock lock(mutex_);
    while (!stop_) {
        const auto frames = static_cast<std::size_t>(std::lround(rate * sliceSeconds));
        scratch.resize(frames * 2);
        lock.unlock();
        const std::uint32_t played = playhead_.Render(this, scratch.data(), frames, 2);
        if (played) rate = played;
        lock.lock();
        if (played && taken_) taken_();
        // Nothing played: look again within a tenth of a second, so a track that starts is
        // heard as soon as it ever was.
        const double step =
            played ? sliceSeconds : std::min(sliceSeconds, 0.100 * std::max(1.0, speedup_ / 100.0));
        // Absolute deadlines: no drift from the time spent rendering or waking up.
        deadline += std::chrono::duration_cast<Clock::duration>(
            std::chrono::duration<double>(step / speedup_));
        const auto now = Clock::now();
        if (deadline < now - std::chrono::milliseconds(200)) deadline = now; // was starved
        wake_.wait_until(lock, deadline, [this] { return stop_; });
    }
}

} // namespace telbo::engine
