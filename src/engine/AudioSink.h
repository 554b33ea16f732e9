#pragma once
// Where decoded audio goes: a sink pulls frames from the Playhead at its own pace, from its
// own thread, from construction until destruction.

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
    virtual const char* Name() const noexcept = 0;
};

} // namespace telbo::engine
