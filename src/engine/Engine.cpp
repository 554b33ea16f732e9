#include "engine/Engine.h"

#include "engine/AudioSink.h"
#include "engine/DecodeChain.h"
#include "engine/NullSink.h"
#include "engine/Playhead.h"
#include "engine/PortAudioSink.h"
#include "engine/PulseSink.h"
#include "engine/TagIo.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <future>
#include <mutex>
#include <thread>

namespace telbo {

using namespace engine;
using Clock = std::chrono::steady_clock;

namespace {
constexpr std::size_t kRingBlocks = 16; // 8192 frames: under 0.2 s at 44.1 kHz
// A device that has not been opened by the first play after this long is given up on.
constexpr auto kDeviceOpenWait = std::chrono::seconds(2);
// Playing into the null sink because no output could be opened: how often to try again.
// Only the tenth try starts PortAudio afresh (it lists the devices only when it starts).
constexpr auto kRetryOutputs = std::chrono::seconds(1);
constexpr int kPortAudioRestartEvery = 10;

bool EnvFlag(const char* name) {
    const char* v = std::getenv(name);
    return v && *v && std::strcmp(v, "0") != 0;
}
} // namespace

struct Engine::Impl {
    explicit Impl(Options o) : options(std::move(o)) {
        if (EnvFlag("TELBO_NULL_AUDIO") && options.soundServer.empty()) options.nullAudio = true;
        if (options.nullSpeedup <= 0) {
            const char* v = std::getenv("TELBO_NULL_AUDIO_SPEEDUP");
            options.nullSpeedup = v ? std::atof(v) : 1.0;
        }
        options.nullSpeedup = std::clamp(options.nullSpeedup, 1.0, 10000.0);
    }

    Options options;
    Playhead playhead{kRingBlocks};
    ChainControls controls;

    // Everything below is guarded by `mutex`: the player's calls and the watchdog.
    mutable std::mutex mutex;
    DecodeOptions decodeOptions;
    EqualizerBands bands{};
    std::unique_ptr<DecodeChain> chain;
    bool session = false; // played and not stopped since (it may have ended)
    bool paused = false;
    double playedBase = 0;
    std::unique_ptr<AudioSink> sink;
    bool fallback = false;  // the null sink, standing in for outputs that did not open
    std::string announced;  // the output last written to the log
    std::future<std::unique_ptr<AudioSink>> opener; // the device opening in the background
    std::future<std::unique_ptr<AudioSink>> lateOpener;

    std::mutex deviceMutex; // opening devices: the opener and the watchdog
    std::shared_ptr<PortAudioSystem> portAudio;
    int retries = 0;

    std::thread decoder;
    std::mutex decodeMutex;
    std::condition_variable decodeWake;
    std::atomic<bool> decodeStop{false};

    std::thread watchdog;
    std::mutex watchdogMutex;
    std::condition_variable watchdogWake;
    bool watchdogStop = false;
    bool watchdogPoked = false;

    std::unique_ptr<AudioSink> OpenSink() noexcept;
    std::unique_ptr<AudioSink> OpenRealSink() noexcept;
    void EnsureRunning();
    void EnsureSink();
    void InstallSink(std::unique_ptr<AudioSink> s, bool isFallback) noexcept;
    std::unique_ptr<AudioSink> Replace(std::unique_ptr<AudioSink> s, bool isFallback);
    bool Wanted() const noexcept { return session && !paused && !Ended(); }
    void PokeWatchdog() noexcept;
    void StartDecoding(std::int64_t frame);
    void StopDecoding() noexcept;
    void DecodeLoop(std::uint32_t epoch, int rate, double sinkSpeed) noexcept;
    void WatchdogLoop() noexcept;
    void Stop() noexcept;
    bool Ended() const noexcept { return session && playhead.ReadHeard().ended; }
};

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
    if (auto server = PulseSink::Open(playhead, options.soundServer, &why)) return server;
    // A server that is there but silent would be reached through ALSA too, and hang there.
    if (!options.soundServer.empty() || why == PulseSink::Failure::NoAnswer) return nullptr;
    if (!portAudio) portAudio = PortAudioSystem::Start();
    return PortAudioSink::Open(portAudio, playhead);
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
    fallback = isFallback && !options.nullAudio && !options.makeSink;
    playhead.SetConsumer(sink.get());
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
    InstallSink(std::move(s), isFallback);
    if (session && chain && !playhead.ReadHeard().ended && sink->Rate() != oldRate) {
        // What is queued was made for the old rate: go on from what was heard.
        const double heard = playhead.ReadHeard().seconds;
        StartDecoding(std::llround(heard * chain->StreamRate()));
    }
    if (Wanted()) sink->Play();
    return old;
}

void Engine::Impl::PokeWatchdog() noexcept {
    {
        std::lock_guard lock(watchdogMutex);
        watchdogPoked = true;
    }
    watchdogWake.notify_all();
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

void Engine::Impl::StopDecoding() noexcept {
    if (!decoder.joinable()) return;
    {
        std::lock_guard lock(decodeMutex);
        decodeStop = true;
    }
    decodeWake.notify_all();
    decoder.join();
}

void Engine::Impl::StartDecoding(std::int64_t frame) {
    StopDecoding();
    const std::int64_t at = chain->Start(controls, sink->Rate(), frame);
    const std::uint32_t epoch =
        playhead.NewEpoch(static_cast<double>(at) / chain->StreamRate());
    decodeStop = false;
    decoder = std::thread([this, epoch, rate = chain->OutputRate(), speed = sink->Speedup()] {
        DecodeLoop(epoch, rate, speed);
    });
}

void Engine::Impl::DecodeLoop(std::uint32_t epoch, int rate, double sinkSpeed) noexcept {
    BlockRing& ring = playhead.Ring();
    // Sleep while the ring is full for about half its length in sink time: few wake-ups, and
    // the sink still has the other half when the refill starts.
    const auto wait = std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(
        std::max(0.0005, ring.Capacity() * AudioBlock::kFrames / 2.0 / rate / sinkSpeed)));
    DecodeChain::Piece piece;
    std::size_t used = 0;
    bool have = false;
    bool finished = false;
    while (!finished) {
        AudioBlock* slot = ring.WriteSlot();
        if (!slot) {
            // Paused, nothing is taken: sleep until the player resumes (it wakes us).
            std::unique_lock lock(decodeMutex);
            const bool paused = playhead.Paused();
            decodeWake.wait_for(lock, paused ? std::chrono::seconds(2) : wait, [&] {
                return decodeStop.load() || (paused && !playhead.Paused());
            });
            if (decodeStop.load()) return;
            continue;
        }
        if (decodeStop.load(std::memory_order_acquire)) return;
        slot->epoch = epoch;
        slot->rate = static_cast<std::uint32_t>(rate);
        slot->frames = 0;
        slot->last = false;
        double end = 0;
        while (slot->frames < AudioBlock::kFrames) {
            if (!have || used == piece.frames) {
                if (!chain->Next(piece)) {
                    slot->last = true; // cannot happen: the last piece says so itself
                    finished = true;
                    break;
                }
                have = true;
                used = 0;
            }
            if (slot->frames == 0) {
                slot->trackStart = piece.trackStart + static_cast<double>(used) * piece.trackPerFrame;
                end = slot->trackStart;
            }
            const std::size_t n =
                std::min(AudioBlock::kFrames - slot->frames, piece.frames - used);
            std::copy(piece.samples + used * 2, piece.samples + (used + n) * 2,
                      slot->samples.data() + slot->frames * 2);
            used += n;
            slot->frames += static_cast<std::uint32_t>(n);
            end = piece.trackStart + static_cast<double>(used) * piece.trackPerFrame;
            if (used == piece.frames && piece.last) {
                slot->last = true;
                finished = true;
                break;
            }
        }
        slot->trackPerFrame = slot->frames ? (end - slot->trackStart) / slot->frames : 0;
        ring.Commit();
    }
}

void Engine::Impl::Stop() noexcept {
    // Audio the listener asked to be rid of fades out; the end of a track plays out.
    if (sink) {
        if (session && !Ended())
            sink->Stop();
        else
            sink->Idle();
    }
    StopDecoding();
    playhead.NewEpoch(0);
    playhead.SetPaused(false);
    session = false;
    paused = false;
}

void Engine::Impl::WatchdogLoop() noexcept {
    std::uint64_t lastProgress = playhead.Progress();
    auto lastChange = Clock::now();
    auto lastWake = lastChange;
    auto lastRetry = lastChange;
    const auto period = std::max<Clock::duration>(options.sinkWatchdog / 3,
                                                  std::chrono::milliseconds(10));
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
        active = Wanted();
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
        active = Wanted();
        lock.unlock();
        old.reset(); // closing a dead device may take a while: not under the lock
        late.reset();
    }
}

Engine::Engine() : Engine(Options{}) {}

Engine::Engine(Options options) : impl_(std::make_unique<Impl>(std::move(options))) {}

Engine::~Engine() { vbmp3_free(); }

bool Engine::vbmp3_init() {
    std::lock_guard lock(impl_->mutex);
    impl_->EnsureRunning();
    return true;
}

void Engine::vbmp3_free() {
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

bool Engine::vbmp3_open(const std::string& path, OpenInfoRecord& info) {
    std::lock_guard lock(impl_->mutex);
    impl_->Stop();
    impl_->chain.reset();
    info = OpenInfoRecord{};
    impl_->chain = DecodeChain::Open(path, impl_->decodeOptions);
    if (!impl_->chain) return false;
    info = impl_->chain->Info();
    return true;
}

bool Engine::vbmp3_play() {
    Impl& d = *impl_;
    std::lock_guard lock(d.mutex);
    if (!d.chain) return false;
    d.Stop();
    d.EnsureSink();
    d.controls.SetEqualizer(d.bands);
    d.playedBase = d.playhead.PlayedSeconds(); // before any of the new track can be played
    d.StartDecoding(0);
    d.session = true;
    d.sink->Play();
    d.PokeWatchdog();
    return true;
}

void Engine::vbmp3_stop() {
    std::lock_guard lock(impl_->mutex);
    impl_->Stop();
}

void Engine::vbmp3_close() {
    std::lock_guard lock(impl_->mutex);
    impl_->Stop();
    impl_->chain.reset();
}

void Engine::vbmp3_pause() {
    Impl& d = *impl_;
    std::lock_guard lock(d.mutex);
    if (!d.session || d.paused || d.Ended()) return;
    d.paused = true;
    d.playhead.SetPaused(true);
    d.sink->Pause();
}

void Engine::vbmp3_restart() {
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

void Engine::vbmp3_seek(int second) {
    Impl& d = *impl_;
    std::lock_guard lock(d.mutex);
    if (!d.session || !d.chain || d.Ended()) return;
    const std::int64_t frame = static_cast<std::int64_t>(std::max(second, 0)) * d.chain->StreamRate();
    d.sink->Stop(); // fades out what is queued
    d.StartDecoding(std::min(frame, d.chain->LengthFrames()));
    if (!d.paused) d.sink->Play();
}

int Engine::vbmp3_getState(std::int32_t& elapsedSeconds) {
    Impl& d = *impl_;
    std::lock_guard lock(d.mutex);
    elapsedSeconds = 0;
    if (!d.session) return 0;
    const Playhead::Heard heard = d.playhead.ReadHeard();
    // Stopped reads 0 s, also after the end: the play clock must not carry a finished
    // track's time over to the next one (intro mode would stop that one at once).
    if (heard.ended) return 0;
    // A hair of tolerance: a position that is 4 s up to rounding reads as 4.
    elapsedSeconds = static_cast<std::int32_t>(std::floor(heard.seconds + 1e-6));
    return d.paused ? 2 : 1;
}

void Engine::vbmp3_setVolume(int left, int right) {
    impl_->controls.volumeLeft.store(std::clamp(left, 0, 100), std::memory_order_release);
    impl_->controls.volumeRight.store(std::clamp(right, 0, 100), std::memory_order_release);
}

void Engine::vbmp3_setPitch(int hundredths) {
    impl_->controls.speed.store(std::clamp(hundredths, 20, 300), std::memory_order_release);
}

void Engine::vbmp3_setDecodeOption(const DecodeOptions& options) {
    std::lock_guard lock(impl_->mutex);
    impl_->decodeOptions = options;
}

void Engine::vbmp3_setEqualizer(const EqualizerBands& bands) {
    std::lock_guard lock(impl_->mutex);
    for (std::size_t i = 0; i < bands.size(); ++i)
        impl_->bands[i] = std::clamp(bands[i], -120, 120);
}

void Engine::vbmp3_reload() {
    // The chain glides to the new gains on its next MPEG frame; what is already queued (under
    // 0.2 s) plays out first. No restart, no gap.
    std::lock_guard lock(impl_->mutex);
    impl_->controls.SetEqualizer(impl_->bands);
}

bool Engine::vbmp3_getFileTagInfo(const std::string& path, TagRecord& tag) {
    return ReadTags(path, tag);
}

bool Engine::vbmp3_setTagInfo(const std::string& path, const TagRecord& tag, int, int) {
    TagWriteResult r = WriteTags(path, tag);
    tagError_ = std::move(r.problem);
    return r.written;
}

std::string Engine::vbmp3_getTagError() { return tagError_; }

void Engine::vbmp3_getGenre(TagRecord& tag) { tag.GenreName.Fill(GenreName(tag.GenreNumber)); }

double Engine::PlayedSinkSeconds() const {
    std::lock_guard lock(impl_->mutex);
    return impl_->playhead.PlayedSeconds() - impl_->playedBase;
}

double Engine::HeardSeconds() const {
    std::lock_guard lock(impl_->mutex);
    return impl_->session ? impl_->playhead.ReadHeard().seconds : 0.0;
}

std::string Engine::SinkName() const {
    std::lock_guard lock(impl_->mutex);
    return impl_->sink ? impl_->sink->Name() : "";
}

} // namespace telbo
