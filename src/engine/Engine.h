#pragma once
// The decoding and playback engine behind the player's AudioEngine interface: MP3 files through
// mpg123, FLAC, Ogg Vorbis, Opus, WAV and AIFF through libsndfile -> equalizer -> volume ->
// resampler -> sound device (or a null sink). No Qt.
//
// Threads: all AudioEngine calls come from one thread (the player's). Behind them run a decode
// thread while a track plays (DecodeThread.cpp), the sink's thread (the sound server's event
// loop, the device callback or the null sink), a watchdog (Watchdog.cpp), and, once, a thread
// that opens the output in the background so that Init returns at once (Outputs.cpp).
// One mutex guards the engine's state between the player's calls and the watchdog. The decode
// thread owns the chain while it runs (the calls stop it before touching the chain) and meets
// the rest through atomics: the chain's controls and the Playhead, whose ring feeds the sink.
//
// Outputs, in order: the desktop's sound server through libpulse (PulseAudio or PipeWire),
// PortAudio's default device where no server runs, and a null sink that consumes audio in
// real time, so that the clock runs on. The watchdog replaces an output that went away or
// stopped taking audio, and while the null sink stands in during play it tries the real ones
// again every second; the track goes on where it was. Which output plays is logged.
//
// The engine reads no environment: what it plays into is chosen by its Options. Tests play
// into the null sink, faster than real time with Options::nullSpeedup: at a factor of 20 a
// 4 s track ends after 0.2 s of wall time, and everything the player sees (state, elapsed
// seconds, the end of a track) behaves as at 1, only sooner.
//
// Choices the interface leaves open:
// - OpenInfoRecord::TotalSeconds is the exact decoded length rounded to the nearest second.
// - Open takes a fraction of a second whatever the file: one with no MPEG frame in its
//   first 4 MiB after the ID3v2 tags fails at once, and a length scan that would take longer
//   than 0.2 s gives way to the length the header announces.
// - A file glued from two streams of different rates or channel counts plays its first part;
//   the length says so. Frames of another kind amid junk are dropped the same way, at every
//   decode option. At "1/2" and "1/4" the rate is the stream's halved or quartered, whatever
//   that comes to (an 8 kHz file plays at 4000 or 2000 Hz), taken to the device's rate.
// - State's elapsed seconds are whole seconds of track time heard (floored) while
//   playing or paused, and 0 whenever the state reads Stopped: after Stop and after a
//   track has played to its end alike. HeardSeconds() keeps where a track ended, for tests.
// - Seek has no effect unless a track is playing or paused; a second past the end
//   plays the end: the track ends.
// - The speed resampler, once running in a track, stays in until the next play or seek, even
//   back at 1.00: dropping out of it would click.

#include "decoder/AudioEngine.h"

#include <chrono>
#include <functional>
#include <memory>
#include <string>

namespace telbo {

namespace engine {
class AudioSink;
class Playhead;
} // namespace engine

class Engine final : public AudioEngine {
public:
    struct Options {
        // Play into the null sink, never the sound device.
        bool nullAudio = false;
        // How many times faster than real time the null sink plays, 1 .. 10000 (values
        // outside are taken to the nearest end).
        double nullSpeedup = 1;
        // A sink that takes no audio for this long is replaced by a reopened device or the
        // null sink; the track goes on where it was.
        std::chrono::milliseconds sinkWatchdog{1500};
        // Play to the PulseAudio server at this address (tests and benchmarks with a server of
        // their own); no PortAudio; the null sink stands in while it is away. Leave nullAudio
        // unset with it: nullAudio wins.
        std::string soundServer;
        // For tests: makes each sink (the first one and any replacement) instead of the
        // device-or-null choice.
        std::function<std::unique_ptr<engine::AudioSink>(engine::Playhead&)> makeSink;
    };

    explicit Engine(Options options);
    ~Engine() override;
    Engine(const Engine&) = delete;
    Engine& operator=(const Engine&) = delete;

    bool Init() override;
    void Shutdown() override;
    bool Open(const std::string& path, OpenInfoRecord& info) override;
    bool Play() override;
    bool PlayFrom(int second, bool paused) override;
    void Stop() override;
    void Close() override;
    void Pause() override;
    void Resume() override;
    void Seek(int second) override;
    PlaybackState State(std::int32_t& elapsedSeconds) override;
    void SetVolume(int left, int right) override;
    void SetSpeed(int hundredths) override;
    void SetDecodeOptions(const DecodeOptions& options) override;
    void SetEqualizer(const EqualizerBands& bands) override;
    void ApplyEqualizer() override;
    void SetReplayGain(const ReplayGainOptions& options) override;
    std::vector<OutputDevice> ListOutputs() override;
    void SetOutputDevice(const std::string& name) override;
    bool OutputMissing() override;
    bool QueueNext(const std::string& path) override;
    bool ClearNext() override;
    bool TakeTrackChange(OpenInfoRecord& info) override;

    // Diagnostics for tests and tools.
    // Track audio the sink has played since the last Play, in seconds of sink time
    // (at speed 2.00 a 4 s track plays in about 2).
    double PlayedSinkSeconds() const;
    // Track time heard, with its fraction (what State floors while playing); after
    // the end, where the track ended.
    double HeardSeconds() const;
    // Where the track before the last queued one ended: all of it was heard, the queued one
    // following without a gap.
    double JoinedFromSeconds() const;
    // The sink in use: "pulse", "portaudio", "null" or a test sink's name; "" before the first
    // play.
    std::string SinkName() const;

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

} // namespace telbo
