#include "app/DeferredEngine.h"

#include <exception>
#include <filesystem>
#include <system_error>
#include <utility>

namespace telbo {

DeferredEngine::DeferredEngine(Loader load) : load_(std::move(load)) {}

DeferredEngine::~DeferredEngine() {
    if (thread_.joinable()) thread_.join();
    // An engine loaded but never taken over was never started either; dropping it is enough.
    real_.reset();
    result_.engine.reset();
}

void DeferredEngine::OnLoaded(std::function<void()> loaded) {
    std::lock_guard lock(mutex_);
    loaded_ = std::move(loaded);
}

void DeferredEngine::StartLoading() {
    std::lock_guard lock(mutex_);
    if (started_) return;
    started_ = true;
    thread_ = std::thread([this] { Run(); });
}

void DeferredEngine::Run() noexcept {
    LoadedEngine result;
    try {
        result = load_();
    } catch (const std::exception& e) {
        result = LoadedEngine{};
        result.problem = e.what();
    }
    if (!result.engine && result.problem.empty()) result.problem = "the engine did not load";
    std::lock_guard lock(mutex_);
    result_ = std::move(result);
    finished_ = true;
    done_.notify_all();
    // Under the lock: OnLoaded({}) returning means this is not running for the old callback.
    if (loaded_) loaded_();
}

bool DeferredEngine::Adopt() {
    if (adopted_) return real_ != nullptr;
    if (shutDown_) return false;
    {
        std::lock_guard lock(mutex_);
        if (!finished_) return false;
        real_ = std::move(result_.engine);
    }
    adopted_ = true;
    std::vector<Call> kept = std::exchange(kept_, {});
    if (real_)
        for (const Call& call : kept)
            call(*real_);
    return real_ != nullptr;
}

AudioEngine* DeferredEngine::Ready() {
    Adopt();
    return real_.get();
}

AudioEngine* DeferredEngine::WaitForEngine(std::chrono::milliseconds bound) {
    if (adopted_ || shutDown_) return real_.get();
    StartLoading();
    {
        std::unique_lock lock(mutex_);
        done_.wait_for(lock, bound, [this] { return finished_; });
    }
    return Ready();
}

std::string DeferredEngine::Problem() const {
    std::lock_guard lock(mutex_);
    return finished_ ? result_.problem : std::string();
}

void DeferredEngine::Apply(Call call) {
    if (AudioEngine* engine = Ready())
        call(*engine);
    else if (!adopted_ && !shutDown_)
        kept_.push_back(std::move(call));
    // A failed load: there is nothing to set.
}

std::vector<engine::ReplayGainScanResult>
DeferredEngine::ScanReplayGain(const std::vector<std::string>& paths,
                               const engine::ReplayGainScanOptions& options) {
    StartLoading();
    decltype(result_.scan) scan;
    std::string problem = "the sound engine did not load in time";
    {
        std::unique_lock lock(mutex_);
        if (done_.wait_for(lock, kFirstUseWait, [this] { return finished_; })) {
            scan = result_.scan;
            problem = result_.problem;
        }
    }
    if (scan) return scan(paths, options);
    std::vector<engine::ReplayGainScanResult> results(paths.size());
    for (std::size_t i = 0; i < paths.size(); ++i) {
        results[i].path = paths[i];
        results[i].problem = problem.empty() ? "no ReplayGain scan" : problem;
    }
    return results;
}

bool DeferredEngine::Init() {
    Apply([](AudioEngine& e) { e.Init(); });
    return true;
}

void DeferredEngine::Shutdown() {
    // An engine not taken over yet was never started: the destructor drops it, after the load
    // still under way, if any.
    if (adopted_ && real_) real_->Shutdown();
    shutDown_ = true;
    kept_.clear();
}

bool DeferredEngine::Open(const std::string& path, OpenInfoRecord& info) {
    // A file that is not there fails as it would in the engine; with nothing open before the
    // load that is all Open would do, and the start-up need not load the engine for it.
    std::error_code error;
    AudioEngine* engine = real_ || adopted_ || std::filesystem::exists(path, error)
                              ? WaitForEngine(kFirstUseWait)
                              : nullptr;
    if (engine) return engine->Open(path, info);
    info = OpenInfoRecord{};
    return false;
}

// Nothing is open before the engine is there (Open waits for it), so the calls below answer
// as an engine with nothing open does.
bool DeferredEngine::Play() {
    AudioEngine* engine = Ready();
    return engine && engine->Play();
}

bool DeferredEngine::PlayFrom(int second, bool paused) {
    AudioEngine* engine = Ready();
    return engine && engine->PlayFrom(second, paused);
}

void DeferredEngine::Stop() {
    Apply([](AudioEngine& e) { e.Stop(); });
}

void DeferredEngine::Close() {
    Apply([](AudioEngine& e) { e.Close(); });
}

void DeferredEngine::Pause() {
    Apply([](AudioEngine& e) { e.Pause(); });
}

void DeferredEngine::Resume() {
    Apply([](AudioEngine& e) { e.Resume(); });
}

void DeferredEngine::Seek(int second) {
    Apply([second](AudioEngine& e) { e.Seek(second); });
}

PlaybackState DeferredEngine::State(std::int32_t& elapsedSeconds) {
    if (AudioEngine* engine = Ready()) return engine->State(elapsedSeconds);
    elapsedSeconds = 0;
    return PlaybackState::Stopped;
}

bool DeferredEngine::QueueNext(const std::string& path) {
    AudioEngine* engine = Ready();
    return engine && engine->QueueNext(path);
}

bool DeferredEngine::ClearNext() {
    AudioEngine* engine = Ready();
    return !engine || engine->ClearNext();
}

bool DeferredEngine::TakeTrackChange(OpenInfoRecord& info) {
    AudioEngine* engine = Ready();
    return engine && engine->TakeTrackChange(info);
}

void DeferredEngine::SetVolume(int left, int right) {
    Apply([left, right](AudioEngine& e) { e.SetVolume(left, right); });
}

void DeferredEngine::SetSpeed(int hundredths) {
    Apply([hundredths](AudioEngine& e) { e.SetSpeed(hundredths); });
}

void DeferredEngine::SetDecodeOptions(const DecodeOptions& options) {
    Apply([options](AudioEngine& e) { e.SetDecodeOptions(options); });
}

void DeferredEngine::SetEqualizer(const EqualizerBands& bands) {
    Apply([bands](AudioEngine& e) { e.SetEqualizer(bands); });
}

void DeferredEngine::ApplyEqualizer() {
    Apply([](AudioEngine& e) { e.ApplyEqualizer(); });
}

void DeferredEngine::SetReplayGain(const ReplayGainOptions& options) {
    Apply([options](AudioEngine& e) { e.SetReplayGain(options); });
}

std::vector<OutputDevice> DeferredEngine::ListOutputs() {
    // The menu waits on this; a choice offered a moment later is better than a frozen menu.
    if (AudioEngine* engine = WaitForEngine(kListOutputsWait)) return engine->ListOutputs();
    return {};
}

void DeferredEngine::SetOutputDevice(const std::string& name) {
    Apply([name](AudioEngine& e) { e.SetOutputDevice(name); });
}

bool DeferredEngine::OutputMissing() {
    AudioEngine* engine = Ready();
    return engine && engine->OutputMissing();
}

} // namespace telbo
