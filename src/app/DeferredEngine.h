#pragma once
// The engine the window talks to from the start, while the real one is still being loaded
// (the program maps the decoding and sound libraries only after its first paint).
//
// Until the load has ended it keeps every call that only sets something (Init, volume, speed,
// equalizer, ReplayGain, the output, the transport) and applies them to the real engine in
// their order, on the calling thread, when it takes the engine over (Adopt, or the next call
// after the load). Nothing can be open before then, so the queries answer as a fresh engine
// does: Stopped, nothing queued, no output missing. Open waits for the load (it starts it if
// need be), at most kFirstUseWait, except for a file that is not there, which fails at once as
// it would in the engine; ListOutputs waits briefly and may answer "no choice".
//
// A load that fails leaves an engine that opens nothing: every track reads Stopped, as a file
// that does not play; Problem() says why.
//
// Threads: the AudioEngine calls, Adopt and StartLoading from the player's thread; the load
// runs on a thread of its own; ScanReplayGain from any thread. No Qt.

#include "decoder/AudioEngine.h"
#include "engine/ReplayGainScan.h"

#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace telbo {

// What a load gives: the engine and its ReplayGain scan, or why there are none.
struct LoadedEngine {
    std::unique_ptr<AudioEngine> engine;
    std::function<std::vector<engine::ReplayGainScanResult>(const std::vector<std::string>&,
                                                            const engine::ReplayGainScanOptions&)>
        scan;
    std::string problem; // "" when loaded
};

class DeferredEngine final : public AudioEngine {
public:
    using Loader = std::function<LoadedEngine()>;
    static constexpr std::chrono::milliseconds kFirstUseWait{5000};
    static constexpr std::chrono::milliseconds kListOutputsWait{300};

    // `load` runs once, on a thread of its own.
    explicit DeferredEngine(Loader load);
    // Waits for a load under way; the engine it gave is shut down.
    ~DeferredEngine() override;
    DeferredEngine(const DeferredEngine&) = delete;
    DeferredEngine& operator=(const DeferredEngine&) = delete;

    // Called on the loading thread when the load has ended either way (the program asks its
    // own thread to Adopt from it); {} for none. Once this returns, the one set before is
    // not called any more.
    void OnLoaded(std::function<void()> loaded);
    // Starts the load; only the first call does anything.
    void StartLoading();
    // Takes the loaded engine over and applies the calls kept until now; nothing before the
    // load has ended, or a second time. True once the real engine is in use.
    bool Adopt();
    // Why there is no engine ("" while loading or once loaded).
    std::string Problem() const;
    // The engine's ReplayGain scan, after waiting for the load (it starts it if need be);
    // without an engine every file comes back unwritten with the problem.
    std::vector<engine::ReplayGainScanResult>
    ScanReplayGain(const std::vector<std::string>& paths,
                   const engine::ReplayGainScanOptions& options);

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
    bool QueueNext(const std::string& path) override;
    bool ClearNext() override;
    bool TakeTrackChange(OpenInfoRecord& info) override;
    void SetVolume(int left, int right) override;
    void SetSpeed(int hundredths) override;
    void SetDecodeOptions(const DecodeOptions& options) override;
    void SetEqualizer(const EqualizerBands& bands) override;
    void ApplyEqualizer() override;
    void SetReplayGain(const ReplayGainOptions& options) override;
    std::vector<OutputDevice> ListOutputs() override;
    void SetOutputDevice(const std::string& name) override;
    bool OutputMissing() override;

private:
    using Call = std::function<void(AudioEngine&)>;
    // Forwards `call` to the real engine, or keeps it for Adopt.
    void Apply(Call call);
    // The real engine after waiting up to `bound` for the load; null without one.
    AudioEngine* WaitForEngine(std::chrono::milliseconds bound);
    // The real engine if the load has ended and it could be adopted; null otherwise.
    AudioEngine* Ready();
    void Run() noexcept;

    Loader load_;

    mutable std::mutex mutex_;
    std::function<void()> loaded_; // guarded
    std::condition_variable done_;
    bool started_ = false;  // guarded
    bool finished_ = false; // guarded
    LoadedEngine result_;   // guarded until finished_, then read-only apart from `engine`
    std::thread thread_;

    // The player's thread only.
    std::unique_ptr<AudioEngine> real_;
    std::vector<Call> kept_;
    bool adopted_ = false;
    bool shutDown_ = false;
};

} // namespace telbo
