#include "engine/Engine.h"

#include "engine/EngineImpl.h"
#include "engine/NullSink.h"
#include "engine/ReplayGainScale.h"
#include "tags/ReplayGainTags.h"
#include "engine/Source.h"

#include <cmath>

namespace telbo {

using namespace engine;

void Engine::Impl::Stop() noexcept {
    // Audio the listener asked to be rid of fades out; the end of a track plays out.
    if (sink) {
        if (session && !Ended())
            sink->Stop();
        else
            sink->Idle();
    }
    StopDecoding();
    DropQueued();
    playhead.NewEpoch(0, chain ? chain->Track() : 0);
    playhead.SetPaused(false);
    session = false;
    paused = false;
    PokeWatchdog();
}

namespace {
// The factor a file plays at; its tags are read only when ReplayGain is on.
float FileGain(const std::string& path, const ReplayGainOptions& options) {
    if (options.Mode == ReplayGainMode::Off) return 1.0f;
    return static_cast<float>(ReplayGainScale(tags::ReadReplayGain(path), options));
}
} // namespace

void Engine::Impl::DropQueued() noexcept {
    if (chain) chain->Unqueue();
    queued = false;
}

Engine::Engine(Options options) : impl_(std::make_unique<Impl>(std::move(options))) {}

Engine::~Engine() { Shutdown(); }

bool Engine::Init() {
    std::lock_guard lock(impl_->mutex);
    impl_->EnsureRunning();
    return true;
}

void Engine::Shutdown() {
    Impl& d = *impl_;
    {
        std::lock_guard lock(d.mutex);
        d.Stop();
        d.chain.reset();
        std::lock_guard wlock(d.watchdogMutex);
        d.watchdogStop = true;
    }
    d.watchdogWake.notify_all();
    if (d.watchdog.joinable()) d.watchdog.join();
    std::lock_guard lock(d.mutex);
    if (d.opener.valid()) d.opener.get();
    if (d.lateOpener.valid()) d.lateOpener.get();
    d.playhead.SetConsumer(nullptr);
    d.sink.reset();
    std::lock_guard dlock(d.deviceMutex);
    d.portAudio.reset();
}

bool Engine::Open(const std::string& path, OpenInfoRecord& info) {
    std::lock_guard lock(impl_->mutex);
    impl_->Stop();
    impl_->chain.reset();
    info = OpenInfoRecord{};
    impl_->chain = DecodeChain::Open(path, impl_->decodeOptions);
    if (!impl_->chain) return false;
    impl_->chain->SetTrackGain(FileGain(path, impl_->replayGain));
    info = impl_->chain->Info();
    return true;
}

bool Engine::Play() { return PlayFrom(0, false); }

bool Engine::PlayFrom(int second, bool paused) {
    Impl& d = *impl_;
    std::lock_guard lock(d.mutex);
    if (!d.chain) return false;
    d.Stop();
    d.EnsureSink();
    d.controls.SetEqualizer(d.bands);
    d.playedBase = d.playhead.PlayedSeconds(); // before any of the new track can be played
    const std::int64_t frame = static_cast<std::int64_t>(std::max(second, 0)) * d.chain->StreamRate();
    d.StartDecoding(std::min(frame, d.chain->LengthFrames()));
    d.session = true;
    if (paused) {
        // The ring fills; nothing is heard until Resume.
        d.paused = true;
        d.playhead.SetPaused(true);
    } else {
        d.sink->Play();
    }
    d.PokeWatchdog();
    return true;
}

void Engine::Stop() {
    std::lock_guard lock(impl_->mutex);
    impl_->Stop();
}

void Engine::Close() {
    std::lock_guard lock(impl_->mutex);
    impl_->Stop();
    impl_->chain.reset();
}

void Engine::Pause() {
    Impl& d = *impl_;
    std::lock_guard lock(d.mutex);
    if (!d.session || d.paused || d.Ended()) return;
    d.paused = true;
    d.playhead.SetPaused(true);
    d.sink->Pause();
    d.PokeWatchdog(); // to sleep now without a timer, not after one more look
}

void Engine::Resume() {
    Impl& d = *impl_;
    std::lock_guard lock(d.mutex);
    if (!d.session || !d.paused) return;
    d.paused = false;
    d.playhead.SetPaused(false);
    d.sink->Play();
    d.PokeWatchdog();
    {
        std::lock_guard wake(d.decodeMutex); // the decoder is waiting or will see it
    }
    d.decodeWake.notify_all();
}

void Engine::Seek(int second) {
    Impl& d = *impl_;
    std::lock_guard lock(d.mutex);
    if (!d.session || !d.chain || d.Ended()) return;
    // The chain has moved on to the queued file, not yet heard: the track the player seeks in
    // has been decoded to its end and plays out.
    if ((d.chain->Track() & Playhead::kTrackMask) != d.playhead.ReadHeard().track) return;
    d.StopDecoding(); // the chain is the decode thread's while it runs
    const std::int64_t frame = static_cast<std::int64_t>(std::max(second, 0)) * d.chain->StreamRate();
    d.sink->Stop(); // fades out what is queued
    d.StartDecoding(std::min(frame, d.chain->LengthFrames()));
    if (!d.paused) d.sink->Play();
}

PlaybackState Engine::State(std::int32_t& elapsedSeconds) {
    Impl& d = *impl_;
    std::lock_guard lock(d.mutex);
    elapsedSeconds = 0;
    if (!d.session) return PlaybackState::Stopped;
    const Playhead::Heard heard = d.playhead.ReadHeard();
    // Stopped reads 0 s, also after the end: the play clock must not carry a finished
    // track's time over to the next one (intro mode would stop that one at once).
    if (heard.ended) return PlaybackState::Stopped;
    // A hair of tolerance: a position that is 4 s up to rounding reads as 4.
    elapsedSeconds = static_cast<std::int32_t>(std::floor(heard.seconds + 1e-6));
    return d.paused ? PlaybackState::Paused : PlaybackState::Playing;
}

bool Engine::QueueNext(const std::string& path) {
    Impl& d = *impl_;
    std::lock_guard lock(d.mutex);
    if (!d.session || !d.chain || d.Ended()) return false;
    if (d.queued && !d.chain->Unqueue()) return false; // moved on to it already
    d.queued = false;
    auto source = OpenSource(path, d.decodeOptions);
    if (!source) return false;
    d.queuedInfo = OpenInfoRecord{source->Rate(), source->Channels(), source->BitrateKbps(),
                                  source->TotalSeconds()};
    // The decode thread may be moving on to a file of its own only through this queue, so
    // the count it reaches next is ours plus one.
    d.queuedTrack = (d.playhead.ReadHeard().track + 1) & Playhead::kTrackMask;
    d.chain->Queue(std::move(source), FileGain(path, d.replayGain));
    d.queued = true;
    return true;
}

bool Engine::ClearNext() {
    Impl& d = *impl_;
    std::lock_guard lock(d.mutex);
    if (!d.queued) return true;
    if (!d.chain->Unqueue()) return false;
    d.queued = false;
    return true;
}

bool Engine::TakeTrackChange(OpenInfoRecord& info) {
    Impl& d = *impl_;
    std::lock_guard lock(d.mutex);
    if (!d.queued || !d.session || d.playhead.ReadHeard().track != d.queuedTrack) return false;
    d.queued = false;
    info = d.queuedInfo;
    return true;
}

void Engine::SetVolume(int left, int right) {
    impl_->controls.volumeLeft.store(std::clamp(left, kVolumeRange.low, kVolumeRange.high), std::memory_order_release);
    impl_->controls.volumeRight.store(std::clamp(right, kVolumeRange.low, kVolumeRange.high), std::memory_order_release);
}

void Engine::SetSpeed(int hundredths) {
    impl_->controls.speed.store(std::clamp(hundredths, kSpeedRange.low, kSpeedRange.high), std::memory_order_release);
}

void Engine::SetDecodeOptions(const DecodeOptions& options) {
    std::lock_guard lock(impl_->mutex);
    impl_->decodeOptions = options;
}

void Engine::SetEqualizer(const EqualizerBands& bands) {
    std::lock_guard lock(impl_->mutex);
    for (std::size_t i = 0; i < bands.size(); ++i)
        impl_->bands[i] = std::clamp(bands[i], kEqualizerGainRange.low, kEqualizerGainRange.high);
}

void Engine::ApplyEqualizer() {
    // The chain glides to the new gains on its next MPEG frame; what is already queued (under
    // 0.2 s) plays out first. No restart, no gap.
    std::lock_guard lock(impl_->mutex);
    impl_->controls.SetEqualizer(impl_->bands);
}

void Engine::SetReplayGain(const ReplayGainOptions& options) {
    std::lock_guard lock(impl_->mutex);
    impl_->replayGain = options;
}

namespace {
// A menu waits on this; longer would freeze the window.
constexpr auto kListWait = std::chrono::milliseconds(300);
} // namespace

std::vector<OutputDevice> Engine::ListOutputs() {
    Impl& d = *impl_;
    std::lock_guard lock(d.mutex);
    try {
        // Before the first play the output the opener made is taken in, if it is there yet.
        if (!d.sink && d.opener.valid() &&
            d.opener.wait_for(std::chrono::seconds(0)) == std::future_status::ready) {
            std::unique_ptr<AudioSink> s = d.opener.get();
            const bool isFallback = !s;
            if (!s) s = std::make_unique<NullSink>(d.playhead, d.options.nullSpeedup);
            d.InstallSink(std::move(s), isFallback);
        }
        return d.sink ? d.sink->ListOutputs(kListWait) : std::vector<OutputDevice>{};
    } catch (...) {
        return {};
    }
}

void Engine::SetOutputDevice(const std::string& name) {
    Impl& d = *impl_;
    std::lock_guard lock(d.mutex);
    try {
        std::lock_guard olock(d.outputMutex);
        d.outputDevice = name;
    } catch (...) {
        return;
    }
    d.missingTold.clear();
    if (d.sink) d.sink->MoveTo(name);
}

bool Engine::OutputMissing() {
    Impl& d = *impl_;
    std::lock_guard lock(d.mutex);
    if (!d.sink || !d.sink->DeviceMissing()) return false;
    try {
        const std::string device = d.sink->Device();
        if (device.empty() || device == d.missingTold) return false;
        d.missingTold = device;
        return true;
    } catch (...) {
        return false;
    }
}

double Engine::PlayedSinkSeconds() const {
    std::lock_guard lock(impl_->mutex);
    return impl_->playhead.PlayedSeconds() - impl_->playedBase;
}

double Engine::HeardSeconds() const {
    std::lock_guard lock(impl_->mutex);
    return impl_->session ? impl_->playhead.ReadHeard().seconds : 0.0;
}

double Engine::JoinedFromSeconds() const {
    std::lock_guard lock(impl_->mutex);
    return impl_->chain ? impl_->chain->PreviousEnd() : 0.0;
}

std::string Engine::SinkName() const {
    std::lock_guard lock(impl_->mutex);
    return impl_->sink ? impl_->sink->Name() : "";
}

} // namespace telbo
