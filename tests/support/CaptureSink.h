#pragma once
// A sink for engine tests that keeps everything it plays, taking audio about 20 times faster
// than real time. Header-only: the engine tests and the end-to-end tests share it.

#include "engine/AudioSink.h"
#include "engine/Playhead.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <mutex>
#include <thread>
#include <vector>

namespace telbo::test {

class CaptureSink final : public engine::AudioSink {
public:
    explicit CaptureSink(engine::Playhead& playhead, int rate = 0)
        : playhead_(playhead), rate_(rate) {
        thread_ = std::thread([this] {
            std::vector<float> buf(1024 * 2);
            while (!stop_) {
                std::uint32_t rate = 0;
                // With a budget it goes on calling back, taking nothing once it is spent.
                const std::int64_t left = budget.load();
                const auto want =
                    static_cast<std::size_t>(left < 0 ? 1024 : std::min<std::int64_t>(left, 1024));
                const std::size_t n = held ? 0 : playhead_.Take(this, buf.data(), want, 2, rate);
                if (left > 0) budget -= static_cast<std::int64_t>(n);
                {
                    std::lock_guard lock(mutex_);
                    captured_.insert(captured_.end(), buf.begin(), buf.begin() + n * 2);
                }
                std::this_thread::sleep_for(std::chrono::milliseconds(pace.load()));
            }
        });
    }
    ~CaptureSink() override {
        stop_ = true;
        thread_.join();
    }
    int Rate() const noexcept override { return rate_; }
    double Speedup() const noexcept override { return 20; }
    const char* Name() const noexcept override { return "capture"; }
    bool Alive() const noexcept override { return alive; }
    std::vector<float> Captured() {
        std::lock_guard lock(mutex_);
        return captured_;
    }
    std::atomic<bool> held{false};        // takes nothing while set
    std::atomic<int> pace{1};             // ms between takes of up to 1024 frames
    std::atomic<std::int64_t> budget{-1}; // frames it may still take; -1: no end
    std::atomic<bool> alive{true};        // false: gone for good, the engine replaces it

private:
    engine::Playhead& playhead_;
    int rate_;
    std::atomic<bool> stop_{false};
    std::mutex mutex_;
    std::vector<float> captured_;
    std::thread thread_;
};

} // namespace telbo::test
