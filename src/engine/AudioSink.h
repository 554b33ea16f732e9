#pragma once
// Where decoded audio goes: a sink pulls frames from the Playhead at its own pace, from its
// own thread, from construction until destruction.

#include "decoder/Records.h"

#include <chrono>
#include <functional>
#include <string>
#include <vector>

namespace telbo::engine {

class AudioSink {
public:
    virtual ~AudioSink() = default;
    AudioSink() = default;
    AudioSink(const AudioSink&) = delete;
    AudioSink& operator=(const AudioSink&) = delete;

    // Frames per second it plays; 0 when it follows whatever rate the audio has.
    virtual int Rate() const noexcept = 0;
    // Faster than real time (test sinks), 1 for a device. Lets the producer pace its waits.
    virtual double Speedup() const noexcept { return 1.0; }
    // Seconds of audio it wants decoded ahead in the ring; 0 for the ring's short default,
    // which keeps a change of volume or equalizer quick to be heard. A sink that takes large
    // slices at a time needs more than one slice waiting.
    virtual double AheadSeconds() const noexcept { return 0; }
    // `taken` is to be called from the sink's own thread, where a system call is allowed,
    // each time it has taken audio: the decoder then refills while the processor is awake
    // anyway, instead of waking it again on a timer of its own. True if the sink will.
    virtual bool WhenTaken(std::function<void()> taken) noexcept {
        (void)taken;
        return false;
    }
    virtual const char* Name() const noexcept = 0;
    // For the log: what it plays to.
    virtual std::string Description() const { return Name(); }

    // The transport, for sinks that queue far ahead of what is heard; the engine also pauses
    // the Playhead and drops its blocks, which is all a sink with a short buffer needs.
    // Play: (go on) playing what is queued and what the Playhead has. Pause: fade out what is
    // about to be heard, keep the rest for Play, go quiet. Stop: fade out and drop everything
    // queued (stop, seek, a track changed by hand). Idle: nothing more is coming; play out
    // what is queued, then go quiet. None of them waits.
    virtual void Play() noexcept {}
    virtual void Pause() noexcept {}
    virtual void Stop() noexcept {}
    virtual void Idle() noexcept {}

    // False once it can never play again (its sound server went away).
    virtual bool Alive() const noexcept { return true; }
    // `wake` is called (from the sink's thread, once) when Alive turns false, so that the
    // watchdog need not look often. Sinks that cannot tell leave it to the watchdog's looks.
    virtual void WhenDead(std::function<void()> wake) noexcept { (void)wake; }
    // Whether it could stop taking audio or go away while it should play: the watchdog looks
    // after those only, and otherwise sleeps through the track.
    virtual bool CanFail() const noexcept { return true; }
    // Whether it should be taking audio from the Playhead now: a quiet (corked) stream is not,
    // and a watchdog must not mistake it for a stuck device.
    virtual bool Taking() const noexcept { return true; }

    // The choice of output, for sinks on a sound server with several. Outputs to choose
    // from, waiting at most `wait`; empty where there is no choice.
    virtual std::vector<OutputDevice> ListOutputs(std::chrono::milliseconds wait) const {
        (void)wait;
        return {};
    }
    // Sends what plays to the output `name` ("" the server's default) without a break; does
    // not wait.
    virtual void MoveTo(const std::string& name) noexcept { (void)name; }
    // The output last asked for ("" the default).
    virtual std::string Device() const { return {}; }
    // Whether that output was not there and the default plays instead.
    virtual bool DeviceMissing() const noexcept { return false; }
};

} // namespace telbo::engine
