#pragma once
// Private to the engine's sources.

#include "engine/AudioSink.h"
#include "engine/DecodeChain.h"
#include "engine/Engine.h"
#include "engine/Playhead.h"
#include "engine/PortAudioSink.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <future>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

namespace telbo {

// The engine's state behind its public calls, shared by the files that run it: Engine.cpp
// (the calls), Outputs.cpp (choosing and replacing the sound output), DecodeThread.cpp and
// Watchdog.cpp (the two threads of its own).
struct Engine::Impl {
    explicit Impl(Options o) : options(std::move(o)) {
        options.nullSpeedup = std::clamp(options.nullSpeedup, 1.0, 10000.0);
    }

    // What a device gets decoded ahead: 8192 frames, under 0.2 s at 44.1 kHz, so a change
    // of volume or equalizer is heard at once.
    static constexpr std::size_t kShortAheadBlocks = 16;
    // Room for sinks that ask for more (AudioSink::AheadSeconds): over a second at 48 kHz.
    static constexpr std::size_t kRingBlocks = 96;

    Options options;
    engine::Playhead playhead{kRingBlocks};
    // The sink's AheadSeconds, read by the decode thread: sinks change while it runs.
    std::atomic<double> sinkAhead{0};
    engine::ChainControls controls;

    // Everything below is guarded by `mutex`: the player's calls and the watchdog.
    mutable std::mutex mutex;
    DecodeOptions decodeOptions;
    ReplayGainOptions replayGain;
    EqualizerBands bands{};
    std::unique_ptr<engine::DecodeChain> chain;
    bool session = false; // played and not stopped since (it may have ended)
    // The file queued to follow: its record, and the chain's track count it gets.
    bool queued = false;
    OpenInfoRecord queuedInfo;
    std::uint32_t queuedTrack = 0;
    bool paused = false;
    double playedBase = 0;
    std::unique_ptr<engine::AudioSink> sink;
    bool fallback = false;  // the null sink, standing in for outputs that did not open
    std::string announced;  // the output last written to the log
    // The device opening in the background.
    std::future<std::unique_ptr<engine::AudioSink>> opener;
    std::future<std::unique_ptr<engine::AudioSink>> lateOpener;

    // The listener's choice of output ("" the default): set by the player, read by whoever
    // opens an output. Its own lock: opening holds deviceMutex for seconds.
    std::mutex outputMutex;
    std::string outputDevice;
    std::string missingTold; // the choice OutputMissing last reported; under `mutex`

    std::mutex deviceMutex; // opening devices: the opener and the watchdog
    std::shared_ptr<engine::PortAudioSystem> portAudio;
    int retries = 0;

    std::thread decoder;
    std::mutex decodeMutex;
    std::condition_variable decodeWake;
    std::atomic<bool> decodeStop{false};
    // Set by a sink that says when it has taken audio (AudioSink::WhenTaken): the decoder
    // then sleeps until the ring is down to `refillAt` blocks and the sink says so.
    std::atomic<bool> sinkWakesDecoder{false};
    std::atomic<std::size_t> refillAt{0};
    bool decodeKick = false; // under decodeMutex

    std::thread watchdog;
    std::mutex watchdogMutex;
    std::condition_variable watchdogWake;
    bool watchdogStop = false;
    bool watchdogPoked = false;

    std::unique_ptr<engine::AudioSink> OpenSink() noexcept;
    std::unique_ptr<engine::AudioSink> OpenRealSink() noexcept;
    void EnsureRunning();
    void EnsureSink();
    std::string ChosenOutput();
    void FollowChosenOutput() noexcept;
    void InstallSink(std::unique_ptr<engine::AudioSink> s, bool isFallback) noexcept;
    std::unique_ptr<engine::AudioSink> Replace(std::unique_ptr<engine::AudioSink> s,
                                               bool isFallback);
    bool Wanted() const noexcept { return session && !paused && !Ended(); }
    // Whether the watchdog has anything to do while playing: a sink that can fail, or the
    // null sink standing in for outputs to try again.
    bool Watched() const noexcept { return fallback || !sink || sink->CanFail(); }
    void PokeWatchdog() noexcept;
    void StartDecoding(std::int64_t frame);
    void StopDecoding() noexcept;
    // From the sink's thread: wakes the decoder if the ring is down to its refill mark.
    void AudioTaken() noexcept;
    void DecodeLoop(std::uint32_t epoch, int rate, double sinkSpeed) noexcept;
    void WatchdogLoop() noexcept;
    void Stop() noexcept;
    void DropQueued() noexcept;
    bool Ended() const noexcept { return session && playhead.ReadHeard().ended; }
};

} // namespace telbo
