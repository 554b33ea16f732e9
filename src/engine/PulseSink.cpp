#include "engine/PulseSink.h"

#include "engine/Playhead.h"
#include "engine/S16Samples.h"

#include <pulse/pulseaudio.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <functional>
#include <numbers>
#include <thread>
#include <vector>

namespace telbo::engine {

namespace {

// When the output's rate cannot be asked: most MP3s' rate.
constexpr std::uint32_t kDefaultRate = 44100;
constexpr std::uint32_t kMinRate = 8000, kMaxRate = 192000;
constexpr int kChannels = 2;
// 16-bit samples: half the bytes of float, so one write buffer per request where float
// needed two, and half the messages.
constexpr std::size_t kFrameBytes = sizeof(std::int16_t) * kChannels;
constexpr pa_usec_t kMs = PA_USEC_PER_MSEC;

// Queued on the server: the stream's queue and its sink's share. Without latency adjustment
// the server runs its sink (PulseAudio) or its graph (PipeWire) the queue less two requests
// ahead and asks for a request or more at a time, so the player's output thread wakes about
// once a request. PipeWire's graph cycles follow the share, rounded down to a power of two frames
// and at most 2048 by default: 44 ms gives 2048-frame cycles at 48 kHz (the usual graph
// rate), as long as no other stream asks for less. What the sink has taken can no longer be
// faded (not every server takes audio back from its sink, and PipeWire's graph takes a whole
// cycle at once), so the share stays short enough to answer within 100 ms.
constexpr pa_usec_t kSinkShare = 44 * kMs;
// The longest request (see PulseRequestFrames); the queue and the history are sized for it.
constexpr pa_usec_t kRequest = 320 * kMs;
constexpr pa_usec_t kQueue = 2 * kRequest + kSinkShare;
// After a flush or an underrun the server starts again once this much is queued.
constexpr pa_usec_t kPrebuf = 20 * kMs;
// A fade-out starts a sink's share plus this much behind what the sink has taken: the sink
// may take one more share before the write gets there.
constexpr pa_usec_t kAhead = 10 * kMs;
constexpr std::size_t kFadeFrames = 256; // about 6 ms
// More than can ever be queued, so every queued frame can be faded or kept.
constexpr pa_usec_t kHistory = 3 * kQueue;
constexpr pa_usec_t kOpenTimeout = 2 * PA_USEC_PER_SEC;
// While the Playhead has nothing (a track starting, a slow disk): look again soon, then
// less often.
constexpr pa_usec_t kRetry = 20 * kMs;
constexpr pa_usec_t kSlowRetry = 200 * kMs;
constexpr auto kSlowAfter = std::chrono::seconds(1);
// After a request met in part: time for the decoder to refill the ring (it wakes every half
// of it, under 0.1 s).
constexpr pa_usec_t kRefill = 100 * kMs;

// Raised cosine from 0 to 1 over kFadeFrames.
float FadeIn(std::size_t i) {
    return static_cast<float>(0.5 - 0.5 * std::cos(std::numbers::pi * (static_cast<double>(i) + 0.5) /
                                                   static_cast<double>(kFadeFrames)));
}

void Unref(pa_operation* op) {
    if (op) pa_operation_unref(op);
}

} // namespace

struct PulseSink::Stream {
    explicit Stream(Playhead& p) : playhead(p) {}

    Playhead& playhead;
    std::uint32_t rate = kDefaultRate; // the stream's, chosen at the open
    std::size_t historyFrames = 0;
    const void* consumer = nullptr; // the sink, as the Playhead knows it
    pa_threaded_mainloop* loop = nullptr;
    pa_context* context = nullptr;
    pa_stream* stream = nullptr;
    pa_time_event* timer = nullptr;
    std::string description;
    bool graph = false; // PipeWire behind the PulseAudio protocol

    std::atomic<bool> dead{false};
    std::function<void()> onDeath; // under the loop's lock
    std::atomic<bool> taking{false};
    std::atomic<bool> missing{false}; // the output asked for was not there
    std::string device;               // the output asked for, "" the default; under the lock
    bool lookedUp = false;            // the open's question about a sink has its answer
    bool found = false;
    std::uint32_t sinkRate = 0;       // of the sink last looked up
    std::string defaultSink;
    bool moveAfterCut = false;    // a move waits for the fade-out to be heard
    bool resumeAfterMove = false; // the move's answer lets the kept audio go on

    // Everything below belongs to the loop's thread, or to whoever holds the loop's lock.
    enum class Want { Play, Pause, Stop, Idle } want = Want::Stop;
    enum class Timer { None, Open, Retry, Drain, CutDone } timerFor = Timer::None;
    bool openTimedOut = false;
    bool gotInfo = false;
    bool corked = true;
    bool starting = false;          // corked until the first audio of a fresh queue is there
    bool cutting = false;           // a fade-out is on its way to being heard
    std::vector<std::int16_t> history; // ring of the last frames written since the last flush
    std::uint64_t written = 0;      // frames written since the last flush
    std::vector<std::int16_t> pending; // what a pause kept unheard, played first by Play
    std::vector<float> scratch;     // the Playhead's float audio on its way to the stream
    std::size_t pendingAt = 0;      // frames of it played
    std::size_t faded = kFadeFrames; // frames of the current fade-in done
    std::size_t leadIn = 0;         // silence still to write before the audio of a fresh queue
    std::size_t sinkShare = 0;      // frames the server's sink runs ahead
    bool starved = false;
    std::chrono::steady_clock::time_point starvedSince;
    std::uint64_t writes = 0;       // tells the drain timer whether anything came meanwhile
    std::uint64_t writesAtDrain = 0;
    pa_usec_t drainWait = 0;

    pa_usec_t request = kRequest; // what the stream asks the server to ask for at a time
    std::size_t Frames(pa_usec_t usec) const {
        return static_cast<std::size_t>(usec * rate / PA_USEC_PER_SEC);
    }

    // --- under the loop's lock ----------------------------------------------------------
    void SetTimer(Timer what, pa_usec_t after) {
        timerFor = what;
        const pa_usec_t at = pa_rtclock_now() + after;
        if (timer)
            pa_context_rttime_restart(context, timer, at);
        else
            timer = pa_context_rttime_new(context, at, &Stream::OnTimer, this);
    }
    void ClearTimer() {
        timerFor = Timer::None;
        if (timer) pa_context_rttime_restart(context, timer, PA_USEC_INVALID);
    }
    bool Ready() const {
        return !dead.load(std::memory_order_acquire) && stream &&
               pa_stream_get_state(stream) == PA_STREAM_READY;
    }
    void UpdateTaking() {
        taking.store((!corked || starting) && !cutting && timerFor != Timer::Drain,
                     std::memory_order_release);
    }
    void Cork(bool on) {
        if (!Ready()) return;
        Unref(pa_stream_cork(stream, on ? 1 : 0, nullptr, nullptr));
        corked = on;
        if (on) starting = false;
        UpdateTaking();
    }
    void Flush() {
        if (!Ready()) return;
        Unref(pa_stream_flush(stream, nullptr, nullptr));
        written = 0;
    }

    void Remember(const std::int16_t* frames, std::size_t n) {
        if (n > historyFrames) {
            frames += (n - historyFrames) * 2;
            written += n - historyFrames;
            n = historyFrames;
        }
        const auto at = static_cast<std::size_t>(written % historyFrames);
        const std::size_t first = std::min(n, historyFrames - at);
        std::copy_n(frames, first * 2, history.data() + at * 2);
        std::copy_n(frames + first * 2, (n - first) * 2, history.data());
        written += n;
    }
    const std::int16_t* Remembered(std::uint64_t frame) const {
        return &history[static_cast<std::size_t>(frame % historyFrames) * 2];
    }

    // From quiet to playing: a fresh queue whose first audio fades in. The stream stays corked
    // until that audio is queued: a server that starts on an empty queue skips the first
    // tens of ms of what comes next.
    void Start() {
        if (!corked) Cork(true);
        Flush();
        faded = 0;
        // A stream that starts is mixed in where its sink has got to, not where the listener
        // is: silence covers that stretch, so the audio starts with its fade-in. PipeWire's
        // graph renders nothing ahead: it takes the stream from its next cycle on.
        leadIn = graph ? 0 : sinkShare + Frames(kAhead);
        starting = true;
        starved = false;
        UpdateTaking();
        Pump();
    }

    // Writes what the server asks for: the rest of a pause first, then the Playhead's audio.
    // Never silence: what is missing now comes a moment later.
    void Pump() {
        if ((corked && !starting) || cutting || !Ready()) return;
        for (;;) {
            const std::size_t writable = pa_stream_writable_size(stream);
            if (writable == static_cast<std::size_t>(-1)) return;
            std::size_t frames = writable / kFrameBytes;
            if (frames == 0) return;
            void* data = nullptr;
            std::size_t bytes = std::min(frames, scratch.size() / 2) * kFrameBytes;
            if (pa_stream_begin_write(stream, &data, &bytes) < 0 || !data) return;
            frames = std::min(frames, bytes / kFrameBytes);
            auto* out = static_cast<std::int16_t*>(data);

            const std::size_t lead = std::min(frames, leadIn);
            std::fill_n(out, lead * 2, std::int16_t{0});
            leadIn -= lead;
            std::size_t n = lead;
            const std::size_t kept = std::min(frames - n, pending.size() / 2 - pendingAt);
            std::copy_n(pending.data() + pendingAt * 2, kept * 2, out + n * 2);
            for (std::size_t i = n; i < n + kept && faded < kFadeFrames; ++i, ++faded) {
                out[2 * i] = FloatToS16(S16ToFloat(out[2 * i]) * FadeIn(faded));
                out[2 * i + 1] = FloatToS16(S16ToFloat(out[2 * i + 1]) * FadeIn(faded));
            }
            n += kept;
            pendingAt += kept;
            if (pendingAt * 2 == pending.size()) {
                pending.clear();
                pendingAt = 0;
            }
            std::uint32_t rate = 0;
            const std::size_t taken =
                n < frames ? playhead.Take(consumer, scratch.data(), frames - n, kChannels, rate)
                           : 0;
            if (n + taken == lead) { // nothing to play yet: the silence waits for it
                leadIn += lead;
                pa_stream_cancel_write(stream);
                Starved();
                return;
            }
            for (std::size_t i = 0; i < taken && faded < kFadeFrames; ++i, ++faded) {
                scratch[2 * i] *= FadeIn(faded);
                scratch[2 * i + 1] *= FadeIn(faded);
            }
            FloatToS16(scratch.data(), out + n * 2, taken * 2);
            n += taken;
            Remember(out, n);
            pa_stream_write(stream, out, n * kFrameBytes, nullptr, 0, PA_SEEK_RELATIVE);
            ++writes;
            // The decoder is not told here (AudioSink::WhenTaken): a refill woken from this
            // thread made a track changed by hand click now and then on PipeWire (about one
            // change in seven in the sound-server test). It refills on its own timer.
            if (starting) {
                starting = false;
                Cork(false);
            }
            starved = false;
            if (timerFor == Timer::Retry || timerFor == Timer::Drain) ClearTimer();
            UpdateTaking();
            if (n < frames) {
                Starved(true);
                return;
            }
        }
    }

    // `wrote`: the request was met in part, the Playhead's ring being shorter than it.
    void Starved(bool wrote = false) {
        if (want == Want::Idle || playhead.ReadHeard().ended) {
            // Everything is queued: once it has been heard, go quiet.
            if (timerFor != Timer::Drain) {
                writesAtDrain = writes;
                SetTimer(Timer::Drain, drainWait);
                UpdateTaking();
            }
            return;
        }
        if (wrote) {
            // The decoder refills the ring within half its length: the rest then, in one go.
            SetTimer(Timer::Retry, kRefill);
            return;
        }
        const auto now = std::chrono::steady_clock::now();
        if (!starved) {
            starved = true;
            starvedSince = now;
        }
        SetTimer(Timer::Retry, now - starvedSince < kSlowAfter ? kRetry : kSlowRetry);
    }

    // Pause and Stop while audible: fade out what is about to be heard, then cork or flush.
    void BeginCut() {
        if (cutting) return;
        cutting = true;
        ClearTimer();
        UpdateTaking();
        pa_operation* op = pa_stream_update_timing_info(stream, &Stream::OnCutTiming, this);
        if (!op) {
            FinishCut();
            return;
        }
        pa_operation_unref(op);
    }

    // Returns how long until the fade has been heard.
    pa_usec_t CutAtListener(bool fresh) {
        // Frames queued that the sink has not taken yet.
        double queued = 0;
        pa_usec_t inSink = 0;
        const pa_timing_info* t = fresh ? pa_stream_get_timing_info(stream) : nullptr;
        if (t && !t->write_index_corrupt && !t->read_index_corrupt) {
            queued = static_cast<double>(std::max<std::int64_t>(t->write_index - t->read_index, 0)) /
                     kFrameBytes;
            inSink = t->sink_usec;
        }
        const auto known =
            static_cast<std::size_t>(std::min<std::uint64_t>(written, historyFrames));
        const double cut = std::clamp(queued - static_cast<double>(sinkShare + Frames(kAhead)), 0.0,
                                      static_cast<double>(known));
        const auto keep = static_cast<std::size_t>(cut);
        // PipeWire's read index moves a whole cycle at a time: the fade may be heard up to a
        // cycle (the share) later than the index says.
        const std::size_t late = graph ? sinkShare : 0;
        const pa_usec_t heard =
            inSink + (sinkShare + late + Frames(kAhead) + kFadeFrames) * PA_USEC_PER_SEC / rate;
        if (keep == 0) return heard; // nothing left to fade: it ends within the margin anyway
        const std::uint64_t from = written - keep;
        std::vector<std::int16_t> out(keep * 2, 0);
        for (std::size_t i = 0; i < std::min(keep, kFadeFrames); ++i) {
            const float g = FadeIn(kFadeFrames - 1 - i);
            out[2 * i] = FloatToS16(S16ToFloat(Remembered(from + i)[0]) * g);
            out[2 * i + 1] = FloatToS16(S16ToFloat(Remembered(from + i)[1]) * g);
        }
        if (want == Want::Pause || moveAfterCut) {
            std::vector<std::int16_t> kept(keep * 2);
            for (std::size_t i = 0; i < keep; ++i) std::copy_n(Remembered(from + i), 2, &kept[2 * i]);
            kept.insert(kept.end(), pending.begin() + static_cast<std::ptrdiff_t>(pendingAt * 2),
                        pending.end()); // a pause during the replay of the last one
            pending = std::move(kept);
            pendingAt = 0;
        }
        // Overwrites the queue from the cut up to its end: nothing old is left behind it.
        pa_stream_write(stream, out.data(), out.size() * sizeof(std::int16_t), nullptr,
                        -static_cast<std::int64_t>(keep * kFrameBytes), PA_SEEK_RELATIVE);
        written -= keep;
        Remember(out.data(), keep);
        return heard;
    }

    void FinishCut() {
        cutting = false;
        if (moveAfterCut) {
            // Quiet now: the move cannot be heard; what the cut kept plays on after it. The
            // stream moves uncorked, on the silence behind the fade: a server asked to cork,
            // move and uncork at once now and then stops asking for audio.
            moveAfterCut = false;
            resumeAfterMove = true;
            Move();
            return;
        }
        switch (want) {
        case Want::Pause:
            Cork(true);
            break;
        case Want::Stop:
        case Want::Idle:
            pending.clear();
            pendingAt = 0;
            Flush();
            Cork(true);
            break;
        case Want::Play:
            Start();
            break;
        }
    }

    // --- libpulse callbacks, on the loop's thread with its lock held -----------------------
    static void OnContextState(pa_context* c, void* self) {
        auto* s = static_cast<Stream*>(self);
        const pa_context_state_t state = pa_context_get_state(c);
        if (state == PA_CONTEXT_FAILED || state == PA_CONTEXT_TERMINATED) s->Die();
        pa_threaded_mainloop_signal(s->loop, 0);
    }
    static void OnStreamState(pa_stream* st, void* self) {
        auto* s = static_cast<Stream*>(self);
        const pa_stream_state_t state = pa_stream_get_state(st);
        if (state == PA_STREAM_FAILED || state == PA_STREAM_TERMINATED) s->Die();
        pa_threaded_mainloop_signal(s->loop, 0);
    }
    void Die() {
        const bool wasDead = dead.exchange(true, std::memory_order_acq_rel);
        taking.store(false, std::memory_order_release);
        cutting = false;
        if (!wasDead && onDeath) onDeath();
    }
    static void OnWrite(pa_stream*, std::size_t, void* self) { static_cast<Stream*>(self)->Pump(); }
    static void OnCutTiming(pa_stream*, int success, void* self) {
        auto* s = static_cast<Stream*>(self);
        if (!s->Ready()) return;
        const pa_usec_t heard = s->CutAtListener(success != 0);
        s->SetTimer(Timer::CutDone, std::min<pa_usec_t>(heard, 200 * kMs) + 20 * kMs);
    }
    static void OnTimer(pa_mainloop_api*, pa_time_event*, const struct timeval*, void* self) {
        auto* s = static_cast<Stream*>(self);
        const Timer what = s->timerFor;
        s->timerFor = Timer::None;
        switch (what) {
        case Timer::Open:
            s->openTimedOut = true;
            pa_threaded_mainloop_signal(s->loop, 0);
            break;
        case Timer::Retry:
            s->Pump();
            break;
        case Timer::Drain:
            if (s->writes == s->writesAtDrain) s->Cork(true);
            s->UpdateTaking();
            break;
        case Timer::CutDone:
            if (s->Ready()) s->FinishCut();
            pa_threaded_mainloop_signal(s->loop, 0);
            break;
        case Timer::None:
            break;
        }
    }
    static void OnServerInfo(pa_context*, const pa_server_info* info, void* self) {
        auto* s = static_cast<Stream*>(self);
        if (info && info->server_name)
            s->description = std::string(info->server_name) + " " +
                             (info->server_version ? info->server_version : "");
        if (info && info->default_sink_name) s->defaultSink = info->default_sink_name;
        if (info && info->server_name && std::strstr(info->server_name, "PipeWire"))
            s->graph = true;
        s->gotInfo = true;
        pa_threaded_mainloop_signal(s->loop, 0);
    }

    static void OnLookup(pa_context*, const pa_sink_info* info, int eol, void* self) {
        auto* s = static_cast<Stream*>(self);
        if (info && eol == 0) {
            s->found = true;
            s->sinkRate = info->sample_spec.rate;
        }
        if (eol != 0) {
            s->lookedUp = true;
            pa_threaded_mainloop_signal(s->loop, 0);
        }
    }
    // Asks the server to carry the stream over to `device`; ResumeAfterMove follows.
    void Move() {
        pa_operation* op =
            device.empty()
                ? pa_context_get_server_info(context, &Stream::OnDefaultForMove, this)
                : pa_context_move_sink_input_by_name(context, pa_stream_get_index(stream),
                                                     device.c_str(), &Stream::OnMoved, this);
        if (!op) ResumeAfterMove();
        Unref(op);
    }
    // After a move that faded out: on with what the cut kept, fading in, as after a pause.
    void ResumeAfterMove() {
        if (!resumeAfterMove || !Ready() || cutting) return;
        resumeAfterMove = false;
        switch (want) {
        case Want::Play:
        case Want::Idle:
            Start();
            break;
        case Want::Pause:
            Cork(true); // what the cut kept waits for Play
            break;
        case Want::Stop:
            pending.clear();
            pendingAt = 0;
            Flush();
            Cork(true);
            break;
        }
    }
    static void OnMoved(pa_context*, int success, void* self) {
        auto* s = static_cast<Stream*>(self);
        // The server keeps the stream where it was (the default) when the output is gone.
        if (!success && !s->device.empty()) s->missing.store(true, std::memory_order_release);
        s->ResumeAfterMove();
    }
    // "The default" by name: a stream moved there follows the desktop's default again.
    static void OnDefaultForMove(pa_context* c, const pa_server_info* info, void* self) {
        auto* s = static_cast<Stream*>(self);
        pa_operation* op = nullptr;
        if (info && info->default_sink_name && s->device.empty() && s->Ready())
            op = pa_context_move_sink_input_by_name(c, pa_stream_get_index(s->stream),
                                                    info->default_sink_name, &Stream::OnMoved, s);
        if (!op) s->ResumeAfterMove();
        Unref(op);
    }

    // Waits under the lock until `done` holds or the open timer has fired.
    template <class Done>
    bool WaitOpen(Done done) {
        while (!done()) {
            if (openTimedOut || dead.load(std::memory_order_acquire)) return false;
            pa_threaded_mainloop_wait(loop);
        }
        return true;
    }

    ~Stream() {
        if (!loop) return;
        pa_threaded_mainloop_stop(loop);
        if (stream) {
            pa_stream_set_write_callback(stream, nullptr, nullptr);
            pa_stream_set_state_callback(stream, nullptr, nullptr);
            pa_stream_disconnect(stream);
            pa_stream_unref(stream);
        }
        if (timer) pa_threaded_mainloop_get_api(loop)->time_free(timer);
        if (context) {
            pa_context_set_state_callback(context, nullptr, nullptr);
            pa_context_disconnect(context);
            pa_context_unref(context);
        }
        pa_threaded_mainloop_free(loop);
    }
};

std::size_t PulseRequestFrames(std::uint32_t rate) noexcept {
    // libpulse writes at most this in one buffer; more is a second buffer, and a second
    // message each way. PipeWire asks in whole graph cycles (2048 frames unless another
    // stream wants less), so it rounds a request up: 320 ms at 48 kHz is asked as 16384
    // frames, one buffer and a 64-byte second one. Seven cycles fit.
    constexpr std::size_t kBufferFrames = 65472 / kFrameBytes;
    constexpr std::size_t kCycle = 2048;
    const std::size_t frames = static_cast<std::size_t>(kRequest) * rate / PA_USEC_PER_SEC;
    const std::size_t rounded = (frames + kCycle - 1) / kCycle * kCycle;
    const std::size_t fitting = kBufferFrames / kCycle * kCycle;
    // Where the cycles that fit are much shorter (above about 60 kHz) two buffers cost less
    // than waking more often.
    return rounded > kBufferFrames && 4 * fitting >= 3 * frames ? fitting : frames;
}

std::unique_ptr<PulseSink> PulseSink::Open(Playhead& playhead, const std::string& server,
                                           const std::string& device, Failure* why) noexcept {
    Failure failure = Failure::NoServer;
    auto fail = [&]() -> std::unique_ptr<PulseSink> {
        if (why) *why = failure;
        return nullptr;
    };
    std::unique_ptr<Stream> s;
    try {
        s = std::make_unique<Stream>(playhead);
    } catch (...) {
        return fail();
    }
    s->loop = pa_threaded_mainloop_new();
    if (!s->loop) return fail();
    pa_proplist* props = pa_proplist_new();
    pa_proplist_sets(props, PA_PROP_APPLICATION_NAME, "Telbo");
    pa_proplist_sets(props, PA_PROP_APPLICATION_ID, "telbo");
    pa_proplist_sets(props, PA_PROP_APPLICATION_ICON_NAME, "telbo");
    pa_proplist_sets(props, PA_PROP_MEDIA_ROLE, "music");
    // The samples go over the socket, not through shared memory: a request is a single
    // message then, where a shared buffer brings a release message back when the server is
    // done with it, a wake-up more per request for a few dozen KiB not copied.
    pa_proplist_sets(props, "context.force.disable.shm", "yes");
    s->context =
        pa_context_new_with_proplist(pa_threaded_mainloop_get_api(s->loop), "Telbo", props);
    pa_proplist_unset(props, "context.force.disable.shm"); // the stream's own are the rest
    if (!s->context) {
        pa_proplist_free(props);
        return fail();
    }
    pa_context_set_state_callback(s->context, &Stream::OnContextState, s.get());
    // Never start a server of our own: the user's desktop decides whether one runs.
    if (pa_context_connect(s->context, server.empty() ? nullptr : server.c_str(),
                           PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0) {
        pa_proplist_free(props);
        return fail();
    }
    pa_threaded_mainloop_lock(s->loop);
    auto unlockAndFail = [&] {
        pa_threaded_mainloop_unlock(s->loop);
        if (props) pa_proplist_free(props);
        return fail();
    };
    if (pa_threaded_mainloop_start(s->loop) < 0) return unlockAndFail();
    s->SetTimer(Stream::Timer::Open, kOpenTimeout);

    if (!s->WaitOpen([&] { return pa_context_get_state(s->context) == PA_CONTEXT_READY; })) {
        const pa_context_state_t state = pa_context_get_state(s->context);
        if (s->openTimedOut && state != PA_CONTEXT_FAILED && state != PA_CONTEXT_CONNECTING)
            failure = Failure::NoAnswer;
        return unlockAndFail();
    }
    failure = Failure::NoAnswer; // from here on, a server is there
    if (pa_operation* op = pa_context_get_server_info(s->context, &Stream::OnServerInfo, s.get())) {
        s->WaitOpen([&] { return s->gotInfo; });
        pa_operation_unref(op);
    }

    auto lookUp = [&](const std::string& name) {
        s->lookedUp = false;
        s->found = false;
        if (pa_operation* op = pa_context_get_sink_info_by_name(s->context, name.c_str(),
                                                                &Stream::OnLookup, s.get())) {
            s->WaitOpen([&] { return s->lookedUp; });
            pa_operation_unref(op);
        }
        return s->found;
    };
    // Named and not there (unplugged, renamed): the default plays, and the player says so.
    const bool deviceFound = !device.empty() && lookUp(device);
    if (!device.empty() && !deviceFound) s->missing.store(true, std::memory_order_release);
    // The sink's own rate: the server mixes it in without converting (the engine converts
    // anyway, once, and at a known quality). PipeWire's own conversion would cost the player
    // less, but at its default quality it rolls off the top octave (44.1 to 48 kHz: -2 dB at
    // 18 kHz, -8 dB at 19, -22 dB at 20), where the engine's stays flat to 20 kHz.
    if (deviceFound || (!s->defaultSink.empty() && lookUp(s->defaultSink)))
        if (s->sinkRate >= kMinRate && s->sinkRate <= kMaxRate) s->rate = s->sinkRate;
    const pa_sample_spec format{PA_SAMPLE_S16NE, s->rate, kChannels};
    s->request = PulseRequestFrames(s->rate) * PA_USEC_PER_SEC / s->rate;
    const pa_usec_t askedQueue = 2 * s->request + kSinkShare;
    try {
        s->device = device;
        s->historyFrames = s->Frames(kHistory);
        s->history.assign(s->historyFrames * kChannels, 0);
        // A request is at most the queue: taken in one piece where the ring holds it.
        s->scratch.assign(s->Frames(kQueue) * kChannels, 0.0f);
    } catch (...) {
        return unlockAndFail();
    }
    s->stream = pa_stream_new_with_proplist(s->context, "Music", &format, nullptr, props);
    pa_proplist_free(props);
    props = nullptr;
    if (!s->stream) return unlockAndFail();
    pa_stream_set_state_callback(s->stream, &Stream::OnStreamState, s.get());
    pa_stream_set_write_callback(s->stream, &Stream::OnWrite, s.get());
    pa_buffer_attr attr{};
    attr.maxlength = static_cast<std::uint32_t>(-1);
    attr.tlength = static_cast<std::uint32_t>(pa_usec_to_bytes(askedQueue, &format));
    attr.prebuf = static_cast<std::uint32_t>(pa_usec_to_bytes(kPrebuf, &format));
    attr.minreq = static_cast<std::uint32_t>(pa_usec_to_bytes(s->request, &format));
    attr.fragsize = static_cast<std::uint32_t>(-1);
    // Never PA_STREAM_DONT_MOVE: the server moves a stream on the default when the desktop's
    // default changes, and one whose output went away.
    const char* on = deviceFound ? device.c_str() : nullptr;
    const int connected =
        pa_stream_connect_playback(s->stream, on, &attr, PA_STREAM_START_CORKED, nullptr, nullptr);
    if (connected < 0 ||
        !s->WaitOpen([&] { return pa_stream_get_state(s->stream) == PA_STREAM_READY; }))
        return unlockAndFail();
    // What the server may hold: its queue and its sink's share, and a little more.
    const pa_buffer_attr* got = pa_stream_get_buffer_attr(s->stream);
    const pa_usec_t queue = got ? pa_bytes_to_usec(got->tlength, &format) : askedQueue;
    const pa_usec_t request = got ? pa_bytes_to_usec(got->minreq, &format) : s->request;
    s->sinkShare = s->Frames(queue > 2 * request ? queue - 2 * request : 0);
    s->drainWait = 2 * queue + 100 * kMs;
    s->ClearTimer();
    if (s->description.empty()) s->description = "sound server";
    const char* where = pa_context_get_server(s->context);
    if (where) s->description += std::string(" at ") + where;
    pa_threaded_mainloop_unlock(s->loop);

    try {
        std::unique_ptr<PulseSink> sink(new PulseSink(std::move(s)));
        sink->s_->consumer = sink.get();
        return sink;
    } catch (...) {
        return fail();
    }
}

PulseSink::PulseSink(std::unique_ptr<Stream> stream) noexcept : s_(std::move(stream)) {}

PulseSink::~PulseSink() {
    // A fade-out on its way is heard to its end rather than cut off by closing (tens of ms).
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(150);
    for (;;) {
        pa_threaded_mainloop_lock(s_->loop);
        const bool busy = s_->cutting && s_->Ready();
        pa_threaded_mainloop_unlock(s_->loop);
        if (!busy || std::chrono::steady_clock::now() > deadline) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

int PulseSink::Rate() const noexcept { return static_cast<int>(s_->rate); }

double PulseSink::AheadSeconds() const noexcept {
    // Two requests: each is met from the ring in one write (one buffer, one message), and
    // the decoder, refilling at half of it when told a request was met, wakes once a
    // request, at the same moment as the output thread.
    return 2.0 * static_cast<double>(s_->request) / PA_USEC_PER_SEC;
}

std::string PulseSink::Description() const {
    pa_threaded_mainloop_lock(s_->loop);
    std::string d = s_->description;
    pa_threaded_mainloop_unlock(s_->loop);
    return d;
}

bool PulseSink::Alive() const noexcept { return !s_->dead.load(std::memory_order_acquire); }

void PulseSink::WhenDead(std::function<void()> wake) noexcept {
    pa_threaded_mainloop_lock(s_->loop);
    const bool dead = s_->dead.load(std::memory_order_acquire);
    s_->onDeath = std::move(wake);
    std::function<void()> now = dead ? s_->onDeath : nullptr;
    pa_threaded_mainloop_unlock(s_->loop);
    if (now) now();
}

bool PulseSink::Taking() const noexcept {
    return s_->taking.load(std::memory_order_acquire) && Alive();
}

std::vector<OutputDevice> PulseSink::ListOutputs(std::chrono::milliseconds wait) const {
    struct Listing {
        pa_threaded_mainloop* loop = nullptr;
        std::vector<OutputDevice> found;
        bool done = false;
        bool timedOut = false;
        bool failed = false;
    } listing;
    listing.loop = s_->loop;
    Stream& s = *s_;
    pa_threaded_mainloop_lock(s.loop);
    pa_operation* op = nullptr;
    pa_time_event* timer = nullptr;
    if (s.Ready()) {
        op = pa_context_get_sink_info_list(
            s.context,
            [](pa_context*, const pa_sink_info* info, int eol, void* self) {
                auto* l = static_cast<Listing*>(self);
                if (eol != 0) {
                    l->done = true;
                    l->failed = eol < 0;
                    pa_threaded_mainloop_signal(l->loop, 0);
                    return;
                }
                if (!info || !info->name || l->failed) return;
                try {
                    l->found.push_back(
                        {info->name, info->description ? info->description : info->name});
                } catch (...) {
                    l->failed = true;
                }
            },
            &listing);
    }
    if (op) {
        const auto usec = static_cast<pa_usec_t>(wait.count()) * kMs;
        timer = pa_context_rttime_new(
            s.context, pa_rtclock_now() + usec,
            [](pa_mainloop_api*, pa_time_event*, const struct timeval*, void* self) {
                auto* l = static_cast<Listing*>(self);
                l->timedOut = true;
                pa_threaded_mainloop_signal(l->loop, 0);
            },
            &listing);
        while (!listing.done && !listing.timedOut && timer &&
               !s.dead.load(std::memory_order_acquire))
            pa_threaded_mainloop_wait(s.loop);
        // Given up: the answer must not arrive at a listing that is gone.
        if (!listing.done) pa_operation_cancel(op);
        pa_operation_unref(op);
        if (timer) pa_threaded_mainloop_get_api(s.loop)->time_free(timer);
    }
    pa_threaded_mainloop_unlock(s.loop);
    if (!listing.done || listing.failed) return {};
    return std::move(listing.found);
}

void PulseSink::MoveTo(const std::string& name) noexcept {
    Stream& s = *s_;
    pa_threaded_mainloop_lock(s.loop);
    try {
        s.device = name;
    } catch (...) {
        s.device.clear();
    }
    s.missing.store(false, std::memory_order_release);
    // The stream stays open and the track goes on. The server would cut the sound where the
    // old output had got to and start the new one elsewhere in the wave (a click, a gap or
    // an echo): while audible, fade out as a pause does, move, and fade the rest in.
    if (s.Ready()) {
        if (s.cutting) {
            s.moveAfterCut = true;
        } else if (!s.corked) {
            s.moveAfterCut = true;
            s.BeginCut();
        } else {
            s.Move();
        }
    }
    pa_threaded_mainloop_unlock(s.loop);
}

std::string PulseSink::Device() const {
    pa_threaded_mainloop_lock(s_->loop);
    std::string d;
    try {
        d = s_->device;
    } catch (...) {
    }
    pa_threaded_mainloop_unlock(s_->loop);
    return d;
}

bool PulseSink::DeviceMissing() const noexcept {
    return s_->missing.load(std::memory_order_acquire);
}

void PulseSink::Play() noexcept {
    Stream& s = *s_;
    pa_threaded_mainloop_lock(s.loop);
    s.want = Stream::Want::Play;
    if (s.Ready() && !s.cutting) {
        if (s.timerFor == Stream::Timer::Drain || s.timerFor == Stream::Timer::Retry)
            s.ClearTimer();
        if (s.corked && !s.starting) {
            s.Start(); // what a pause left queued is silence
        } else {
            s.starved = false;
            s.UpdateTaking();
            s.Pump();
        }
    }
    pa_threaded_mainloop_unlock(s.loop);
}

void PulseSink::Pause() noexcept {
    Stream& s = *s_;
    pa_threaded_mainloop_lock(s.loop);
    s.want = Stream::Want::Pause;
    if (s.Ready()) {
        if (!s.corked) {
            s.BeginCut();
        } else if (s.starting) {
            s.ClearTimer();
            s.Cork(true);
        }
    }
    pa_threaded_mainloop_unlock(s.loop);
}

void PulseSink::Stop() noexcept {
    Stream& s = *s_;
    pa_threaded_mainloop_lock(s.loop);
    s.want = Stream::Want::Stop;
    if (s.Ready()) {
        if (!s.corked) {
            s.BeginCut();
        } else if (!s.cutting) {
            s.ClearTimer();
            s.Cork(true);
            s.pending.clear();
            s.pendingAt = 0;
            s.Flush();
        }
    }
    pa_threaded_mainloop_unlock(s.loop);
}

void PulseSink::Idle() noexcept {
    Stream& s = *s_;
    pa_threaded_mainloop_lock(s.loop);
    s.want = Stream::Want::Idle;
    if (s.Ready() && !s.corked && !s.cutting) s.Pump();
    pa_threaded_mainloop_unlock(s.loop);
}

} // namespace telbo::engine
