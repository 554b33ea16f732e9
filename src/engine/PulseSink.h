#pragma once
// The desktop's sound server through libpulse (PulseAudio, or PipeWire's PulseAudio service):
// one float stereo stream that keeps a few hundred ms queued on the server, so that player
// and server wake only a few times a second. Pause, Stop and seeking do not wait for that
// queue: the audio about to be heard is overwritten with a short fade to silence, and the
// stream is then corked (keeping the unheard rest for Play) or flushed. A corked stream costs
// nothing and lets the server's sink suspend.

#include "engine/AudioSink.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace telbo::engine {

class Playhead;

// The frames each request asks the server for at `rate`: about 320 ms, as fits one write.
std::size_t PulseRequestFrames(std::uint32_t rate) noexcept;

class PulseSink final : public AudioSink {
public:
    enum class Failure {
        NoServer, // nothing there: try another output
        NoAnswer, // a server that does not answer: other outputs would reach the same one
    };
    // Connects to `server` (empty: the user's server; one is never started) and opens a quiet
    // stream on the output `device` (empty, or not there: the server's default, which the
    // stream then follows). nullptr when that fails within a couple of seconds.
    static std::unique_ptr<PulseSink> Open(Playhead& playhead, const std::string& server,
                                           const std::string& device,
                                           Failure* why = nullptr) noexcept;
    ~PulseSink() override;

    int Rate() const noexcept override;
    double AheadSeconds() const noexcept override;
    const char* Name() const noexcept override { return "pulse"; }
    std::string Description() const override;
    void Play() noexcept override;
    void Pause() noexcept override;
    void Stop() noexcept override;
    void Idle() noexcept override;
    bool Alive() const noexcept override;
    void WhenDead(std::function<void()> wake) noexcept override;
    bool Taking() const noexcept override;
    std::vector<OutputDevice> ListOutputs(std::chrono::milliseconds wait) const override;
    void MoveTo(const std::string& name) noexcept override;
    std::string Device() const override;
    bool DeviceMissing() const noexcept override;

    struct Stream; // the libpulse side, kept out of this header

private:
    explicit PulseSink(std::unique_ptr<Stream> stream) noexcept;
    std::unique_ptr<Stream> s_;
};

} // namespace telbo::engine
