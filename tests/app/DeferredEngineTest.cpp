// DeferredEngine with a loader the test holds back and releases: calls made before the load
// reach the loaded engine in their order, and a failed load leaves a player that goes on.

#include "app/DeferredEngine.h"
#include "FakeEngine.h"

#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <fstream>
#include <future>
#include <mutex>
#include <stdexcept>

namespace telbo {
namespace {

using test::FakeEngine;

// A file that is there (the fake engine never reads it): Open waits for the load only then.
std::string Track() {
    const std::string path = testing::TempDir() + "deferred-engine-track.mp3";
    std::ofstream(path).put('\0');
    return path;
}

// A loader that waits for Release, then gives a FakeEngine (or fails), and counts OnLoaded.
struct HeldLoader {
    std::promise<void> gate;
    std::shared_future<void> released = gate.get_future().share();
    FakeEngine* fake = nullptr;
    std::string problem;
    std::mutex mutex;
    std::condition_variable cv;
    int loadedCalls = 0;

    std::atomic<int> starts{0};

    DeferredEngine::Loader loader() {
        return [this] {
            ++starts;
            released.wait();
            LoadedEngine loaded;
            if (!problem.empty()) {
                loaded.problem = problem;
                return loaded;
            }
            auto engine = std::make_unique<FakeEngine>();
            fake = engine.get();
            loaded.engine = std::move(engine);
            return loaded;
        };
    }
    void Watch(DeferredEngine& engine) {
        engine.OnLoaded([this] {
            std::lock_guard lock(mutex);
            ++loadedCalls;
            cv.notify_all();
        });
    }
    void ReleaseAndWait() {
        gate.set_value();
        std::unique_lock lock(mutex);
        cv.wait(lock, [this] { return loadedCalls > 0; });
    }
};

TEST(DeferredEngineTest, CallsBeforeTheLoadReachTheEngineInTheirOrder) {
    HeldLoader held;
    DeferredEngine engine(held.loader());
    held.Watch(engine);
    // The start-up's calls, before the first paint.
    EXPECT_TRUE(engine.Init());
    engine.SetReplayGain(ReplayGainOptions{});
    engine.SetOutputDevice("hdmi");
    EqualizerBands bands{};
    bands[0] = 30;
    engine.SetEqualizer(bands);
    engine.ApplyEqualizer();
    engine.SetVolume(80, 70);
    engine.SetSpeed(125);
    engine.SetDecodeOptions(DecodeOptions{DecodeRate::Half, DecodeChannels::Mono});
    engine.Stop();
    // The queries answer as an engine with nothing open.
    std::int32_t elapsed = 99;
    EXPECT_EQ(engine.State(elapsed), PlaybackState::Stopped);
    EXPECT_EQ(elapsed, 0);
    EXPECT_FALSE(engine.OutputMissing());
    EXPECT_FALSE(engine.Play());
    EXPECT_FALSE(engine.QueueNext("/b.mp3"));
    EXPECT_TRUE(engine.ClearNext());
    OpenInfoRecord missing;
    EXPECT_FALSE(engine.Open("/nonexistent/a.mp3", missing)); // fails without the engine
    EXPECT_EQ(held.starts, 0);
    EXPECT_FALSE(engine.Adopt()); // not loaded yet

    engine.StartLoading();
    held.ReleaseAndWait();
    ASSERT_TRUE(engine.Adopt());
    ASSERT_NE(held.fake, nullptr);
    EXPECT_EQ(held.fake->calls,
              QStringList({"init", "setEqualizer 30,0,0,0,0,0,0,0,0,0", "applyEqualizer",
                           "setVolume 80 70", "setSpeed 125", "setDecodeOptions 1 1", "stop"}));
    EXPECT_EQ(held.fake->outputChoices, std::vector<std::string>{"hdmi"});
    ASSERT_EQ(held.fake->replayGains.size(), 1);
    EXPECT_EQ(held.fake->replayGains[0].second, 1); // after init, before the equalizer
    // From now on straight through, once.
    EXPECT_TRUE(engine.Adopt());
    held.fake->clearCalls();
    OpenInfoRecord info;
    EXPECT_TRUE(engine.Open("/a.mp3", info)); // straight through: the fake plays anything
    EXPECT_GT(info.TotalSeconds, 0);
    EXPECT_TRUE(engine.Play());
    EXPECT_EQ(held.fake->calls, QStringList({"open /a.mp3", "play"}));
    EXPECT_EQ(held.loadedCalls, 1);
}

TEST(DeferredEngineTest, OpenBeforeTheLoadWaitsForItAfterTheKeptCalls) {
    HeldLoader held;
    DeferredEngine engine(held.loader());
    engine.Init();
    engine.SetVolume(50, 50);
    // Auto-play at start-up: Open starts the load itself and waits for it.
    auto release = std::async(std::launch::async, [&held] { held.gate.set_value(); });
    OpenInfoRecord info;
    const std::string track = Track();
    EXPECT_TRUE(engine.Open(track, info));
    EXPECT_TRUE(engine.PlayFrom(40, true));
    ASSERT_NE(held.fake, nullptr);
    EXPECT_EQ(held.fake->calls,
              QStringList({"init", "setVolume 50 50", "open " + QString::fromStdString(track),
                           "playFrom 40 paused"}));
}

// A module that is missing, or a loader that throws: said once, and every call still answers.
TEST(DeferredEngineTest, FailedLoadIsReportedAndThePlayerGoesOn) {
    for (const bool throws : {false, true}) {
        SCOPED_TRACE(throws ? "throws" : "missing");
        HeldLoader held;
        held.problem = "telbo-engine.so not found in /opt/telbo";
        DeferredEngine engine(throws ? DeferredEngine::Loader([]() -> LoadedEngine {
            throw std::runtime_error("boom");
        })
                                     : held.loader());
        held.Watch(engine);
        engine.Init();
        engine.SetVolume(80, 80);
        engine.StartLoading();
        if (throws) {
            OpenInfoRecord info;
            EXPECT_FALSE(engine.Open(Track(), info)); // waits for the failure
            EXPECT_EQ(engine.Problem(), "boom");
        } else {
            held.ReleaseAndWait();
            EXPECT_EQ(engine.Problem(), held.problem);
            EXPECT_EQ(held.loadedCalls, 1);
        }
        EXPECT_FALSE(engine.Adopt());
        OpenInfoRecord info;
        info.TotalSeconds = 7;
        EXPECT_FALSE(engine.Open("/a.mp3", info));
        EXPECT_EQ(info.TotalSeconds, 0);
        EXPECT_FALSE(engine.Play());
        engine.SetSpeed(150);
        engine.Seek(3);
        std::int32_t elapsed = 5;
        EXPECT_EQ(engine.State(elapsed), PlaybackState::Stopped);
        EXPECT_EQ(elapsed, 0);
        EXPECT_TRUE(engine.ListOutputs().empty());
        const auto scanned = engine.ScanReplayGain({"/a.mp3", "/b.flac"}, {});
        ASSERT_EQ(scanned.size(), 2u);
        EXPECT_EQ(scanned[1].path, "/b.flac");
        EXPECT_FALSE(scanned[1].written);
        EXPECT_EQ(scanned[1].problem, engine.Problem());
        engine.Shutdown();
    }
}

TEST(DeferredEngineTest, ShutdownBeforeTheLoadNeverStartsTheLateEngine) {
    HeldLoader held;
    DeferredEngine engine(held.loader());
    held.Watch(engine);
    engine.Init();
    engine.StartLoading();
    engine.Shutdown();
    held.ReleaseAndWait();
    EXPECT_FALSE(engine.Adopt());
    ASSERT_NE(held.fake, nullptr);
    EXPECT_TRUE(held.fake->calls.isEmpty());
}

} // namespace
} // namespace telbo
