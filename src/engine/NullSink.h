#pragma once
// A sink without a device: a thread that takes audio from the Playhead in real time (or
// `speedup` times faster) against absolute deadlines, and drops it.

#include "engine/AudioSink.h"

#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

namespace telbo::engine {

class Playhead;

class NullSink final : public AudioSink {
public:
    NullSink(Playhead& playhead, double speedup);
    ~NullSink() override;

    int Rate() const noexcept override { return 0; }
    double Speedup() const noexcept override { return speedup_; }
    double AheadSeconds() const noexcept override;
    const char* Name() const noexcept override { return "null"; }
    bool CanFail() const noexcept override { return false; }
    bool WhenTaken(std::function<void()> taken) noexcept override;

private:
    // Audio seconds taken per wake-up.
    double SliceSeconds() const noexcept;
    void Run() noexcept;

    Playhead& playhead_;
    const double speedup_;
    std::mutex mutex_;
    std::condition_variable wake_;
    bool stop_ = false;
    std::function<void()> taken_; // under mutex_
    std::thread thread_;
};

} // namespace telbo::engine
