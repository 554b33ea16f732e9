// Choosing the sound output, opening it in the background, and swapping in another where
// the old one left off.

#include "engine/EngineImpl.h"
#include "engine/NullSink.h"
#include "engine/PulseSink.h"

#include <cmath>
#include <cstdio>

namespace telbo {

using namespace engine;

namespace {
// A device that has not been opened by the first play after this long is given up on.
constexpr auto kDeviceOpenWait = std::chrono::seconds(2);
} // namespace

// The chosen output; nullptr when no real one opens (the caller falls back to the null sink).
std::unique_ptr<AudioSink> Engine::Impl::OpenSink() noexcept {
    try {
        std::lock_guard lock(deviceMutex);
        if (options.makeSink) return options.makeSink(playhead);
        if (options.nullAudio) return std::make_unique<NullSink>(playhead, options.nullSpeedup);
        return OpenRealSink();
    } catch (...) {
        return nullptr;
    }
}

// The desktop's sound server first; PortAudio where none runs (bare ALSA, JACK). Under
// deviceMutex.
std::unique_ptr<AudioSink> Engine::Impl::OpenRealSink() noexcept {
    PulseSink::Failure why = PulseSink::Failure::NoServer;
    if (auto server = PulseSink::Open(playhead, options.soundServer, ChosenOutput(), &why))
        return server;
    // A server that is there but silent would be reached through ALSA too, and hang there.
    if (!options.soundServer.empty() || why == PulseSink::Failure::NoAnswer) return nullptr;
    if (!portAudio) portAudio = PortAudioSystem::Start();
    return PortAudioSink::Open(portAudio, playhead);
}

std::string Engine::Impl::ChosenOutput() {
    std::lock_guard lock(outputMutex);
    return outputDevice;
}

// An output opened before the choice came (the opener starts before the settings are read)
// is moved to it. Under `mutex`.
void Engine::Impl::FollowChosenOutput() noexcept {
    try {
        if (!sink) return;
        const std::string chosen = ChosenOutput();
        if (sink->Device() != chosen) sink->MoveTo(chosen);
    } catch (...) {
    }
}

void Engine::Impl::EnsureRunning() {
    if (!opener.valid() && !sink)
        opener = std::async(std::launch::async, [this] { return OpenSink(); });
    if (!watchdog.joinable()) {
        watchdogStop = false;
        watchdog = std::thread([this] { WatchdogLoop(); });
    }
}

void Engine::Impl::InstallSink(std::unique_ptr<AudioSink> s, bool isFallback) noexcept {
    sink = std::move(s);
    sinkAhead.store(sink->AheadSeconds(), std::memory_order_release);
    sinkWakesDecoder.store(sink->WhenTaken([this] { AudioTaken(); }), std::memory_order_release);
    {
        // A decoder asleep on the old sink's terms looks again on the new one's.
        std::lock_guard lock(decodeMutex);
        decodeKick = true;
    }
    decodeWake.notify_all();
    fallback = isFallback && !options.nullAudio && !options.makeSink;
    playhead.SetConsumer(sink.get());
    // A server that goes away is replaced at once, not at the watchdog's next look.
    sink->WhenDead([this] { PokeWatchdog(); });
    FollowChosenOutput();
    try {
        std::string what = sink->Name();
        const std::string detail = sink->Description();
        if (detail != what) what += " (" + detail + ")";
        if (fallback) what += ", until a sound server or device answers";
        if (what != announced) std::fprintf(stderr, "telbo: sound output: %s\n", what.c_str());
        announced = what;
    } catch (...) {
    }
}

// Swaps in another sink where the old one left off; returns the old one, to be closed
// without holding the lock.
std::unique_ptr<AudioSink> Engine::Impl::Replace(std::unique_ptr<AudioSink> s, bool isFallback) {
    const int oldRate = sink ? sink->Rate() : 0;
    std::unique_ptr<AudioSink> old = std::move(sink);
    if (session && chain && !playhead.ReadHeard().ended && s->Rate() != oldRate) {
        // What is queued was made for the old rate: go on from what was heard. Nobody takes
        // from the ring until it holds audio for the new sink, or the new sink would play
        // what the old one had queued and then hear it again.
        playhead.SetConsumer(nullptr);
        StopDecoding(); // the chain is the decode thread's while it runs
        const Playhead::Heard heard = playhead.ReadHeard();
        std::int64_t frame = std::llround(heard.seconds * chain->StreamRate());
        if ((chain->Track() & Playhead::kTrackMask) != heard.track) {
            // The chain has moved on to the queued file while the end of the one before is
            // still to be heard: back to that one, the queued file following it again. Should
            // that fail, the queued file starts over; the heard time belongs to the other.
            frame = chain->StepBack() ? std::llround(heard.seconds * chain->StreamRate()) : 0;
        }
        sink = std::move(s); // the decoder works for its rate
        StartDecoding(frame); // a new epoch: the old blocks are dropped unheard
        s = std::move(sink);
    }
    InstallSink(std::move(s), isFallback);
    if (Wanted()) sink->Play();
    return old;
}

void Engine::Impl::EnsureSink() {
    if (sink) return;
    EnsureRunning();
    std::unique_ptr<AudioSink> s;
    if (opener.wait_for(kDeviceOpenWait) == std::future_status::ready) {
        s = opener.get();
    } else {
        lateOpener = std::move(opener); // the watchdog drops it when it finally comes
    }
    const bool isFallback = !s;
    if (!s) s = std::make_unique<NullSink>(playhead, options.nullSpeedup);
    InstallSink(std::move(s), isFallback);
}

} // namespace telbo
