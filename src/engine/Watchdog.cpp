// The watchdog thread: replaces an output that went away or stopped taking audio, and while
// the null sink stands in during play tries the real outputs again.

#include "engine/EngineImpl.h"
#include "engine/NullSink.h"

namespace telbo {

using namespace engine;
using Clock = std::chrono::steady_clock;

namespace {
// Playing into the null sink because no output could be opened: how often to try again.
// Only the tenth try starts PortAudio afresh (it lists the devices only when it starts).
constexpr auto kRetryOutputs = std::chrono::seconds(1);
constexpr int kPortAudioRestartEvery = 10;
} // namespace

void Engine::Impl::PokeWatchdog() noexcept {
    {
        std::lock_guard lock(watchdogMutex);
        watchdogPoked = true;
    }
    watchdogWake.notify_all();
}

void Engine::Impl::WatchdogLoop() noexcept {
    std::uint64_t lastProgress = playhead.Progress();
    auto lastChange = Clock::now();
    auto lastWake = lastChange;
    auto lastRetry = lastChange;
    // A sink that plays is looked at once per watchdog span: one that goes away says so at
    // once (AudioSink::WhenDead), so only a stall waits for a look, and is replaced within
    // two spans. Standing in with the null sink, the outputs are tried again more often.
    const auto watching = std::max<Clock::duration>(options.sinkWatchdog,
                                                    std::chrono::milliseconds(10));
    const auto retrying = std::max<Clock::duration>(options.sinkWatchdog / 3,
                                                    std::chrono::milliseconds(10));
    auto period = retrying;
    bool active = true;
    for (;;) {
        {
            // Nothing playing: sleep until the player plays again.
            std::unique_lock lock(watchdogMutex);
            const auto woken = [this] { return watchdogStop || watchdogPoked; };
            if (active)
                watchdogWake.wait_for(lock, period, woken);
            else
                watchdogWake.wait(lock, woken);
            if (watchdogStop) return;
            watchdogPoked = false;
        }
        std::unique_lock lock(mutex);
        std::unique_ptr<AudioSink> late;
        if (lateOpener.valid() &&
            lateOpener.wait_for(std::chrono::seconds(0)) == std::future_status::ready)
            late = lateOpener.get(); // came after the null sink took over
        const auto now = Clock::now();
        // Woken much later than asked: the whole process was stopped or starved, not only
        // the sink. Its stream is likely fine: give it a fresh period to show it.
        const bool jumped = now - lastWake > period + std::chrono::milliseconds(250);
        lastWake = now;
        active = Wanted() && Watched();
        period = fallback ? retrying : watching;
        const std::uint64_t progress = playhead.Progress();
        if (!sink) continue;
        bool replace = !sink->Alive();
        if (!replace) {
            if (progress != lastProgress || jumped || !sink->Taking()) {
                lastProgress = progress;
                lastChange = now;
            } else if (now - lastChange >= options.sinkWatchdog) {
                replace = true; // stopped taking audio: an unplugged device, a stuck server
            }
        }
        std::unique_ptr<AudioSink> replacement;
        if (!replace && fallback && (late || (Wanted() && now - lastRetry >= kRetryOutputs))) {
            lastRetry = now;
            replacement = std::move(late);
            if (!replacement) {
                // Open without holding up the player.
                lock.unlock();
                {
                    std::lock_guard dlock(deviceMutex);
                    if (++retries % kPortAudioRestartEvery == 0) portAudio.reset();
                    replacement = OpenRealSink();
                }
                lock.lock();
            }
            if (!replacement || !fallback) continue;
        } else if (replace) {
            lock.unlock();
            replacement = OpenSink();
            lock.lock();
        } else {
            continue;
        }
        const bool isFallback = !replacement;
        if (!replacement) replacement = std::make_unique<NullSink>(playhead, options.nullSpeedup);
        std::unique_ptr<AudioSink> old = Replace(std::move(replacement), isFallback);
        lastProgress = playhead.Progress();
        lastChange = Clock::now();
        active = Wanted() && Watched();
        period = fallback ? retrying : watching;
        lock.unlock();
        old.reset(); // closing a dead device may take a while: not under the lock
        late.reset();
    }
}

} // namespace telbo
