#pragma once
// A sink for engine tests that keeps everything it plays, taking audio about 20 times faster
// than real time. Header-only: the engine tests and the end-to-end tests share it.

#include "engine/AudioSink.h"
#include "engine/Playhead.h"

#include <atomic>
#include <chrono>
#include <mutex>
#include <thread>
#include <vector>

namespace telbo::test {

class CaptureSink final : public engine::AudioSink {
public:
    explicit CaptureSink(engine::Playhead& playhead) : playhead_(playhead) {
        thread_ = std::thread([this] {
            std::vector<float> buf(1024 * 2);
            while (!stop_) {
                std::uint32_t rate = 0;
                const std::size_t n = held ? 0 : playhead_.Take(this, buf.data(), 1024, 2, rate);
                {
                    std::lock_guard lock(mutex_);
                    captured_.insert(captured_.end(), buf.begin(), buf.begin() + n * 2);
                }
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            }
        });
    }
    ~CaptureSink() override {
        stop_ = true;
        thread_.join();
    }
    int Rate() const noexcept override { return 0; }
    double Speedup() const noexcept override { return 20; }
    const char* Name() const noexcept override { return "capture"; }
    // Interleaved stereo, everything taken so far.
    std::vector<float> Captured() {
        std::lock_guard lock(mutex_);
        return captured_;
    }
    std::atomic<bool> held{false}; // takes nothing while set

private:
    engine::Playhead& playhead_;
    std::atomic<bool> stop_{false};
    std::mutex mutex_;
    std::vector<float> captured_;
    std::thread thread_;
};

} // namespace telbo::test
