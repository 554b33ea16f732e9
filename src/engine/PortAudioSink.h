#pragma once
// The sound device through PortAudio: a stereo float stream on the default output device whose
// callback only copies from the Playhead.

#include "engine/AudioSink.h"

#include <memory>

namespace telbo::engine {

class Playhead;

// Pa_Initialize .. Pa_Terminate, with ALSA's and JACK's console chatter silenced first.
class PortAudioSystem final {
public:
    // nullptr when PortAudio cannot start.
    static std::shared_ptr<PortAudioSystem> Start() noexcept;
    ~PortAudioSystem();
    PortAudioSystem(const PortAudioSystem&) = delete;
    PortAudioSystem& operator=(const PortAudioSystem&) = delete;

private:
    PortAudioSystem() = default;
};

class PortAudioSink final : public AudioSink {
public:
    // Opens and starts the default output device; nullptr when there is none or it fails.
    static std::unique_ptr<PortAudioSink> Open(std::shared_ptr<PortAudioSystem> system,
                                               Playhead& playhead) noexcept;
    ~PortAudioSink() override;

    int Rate() const noexcept override { return rate_; }
    const char* Name() const noexcept override { return "portaudio"; }
    // From the device's callback thread.
    void Fill(float* out, unsigned long frames) noexcept;

private:
    PortAudioSink(std::shared_ptr<PortAudioSystem> system, Playhead& playhead) noexcept;

    std::shared_ptr<PortAudioSystem> system_;
    Playhead& playhead_;
    void* stream_ = nullptr;
    int rate_ = 0;
    int channels_ = 2;
};

} // namespace telbo::engine
