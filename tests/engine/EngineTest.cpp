// The engine as the player drives it, through the null sink running faster than real time.

#include "EngineTestSupport.h"

#include "support/AudioFixture.h"
#include "support/CaptureSink.h"

#include "engine/AudioSink.h"
#include "engine/Engine.h"
#include "engine/NullSink.h"
#include "engine/Playhead.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <iostream>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <numbers>
#include <thread>
#include <vector>

namespace telbo::test {
namespace {

using namespace std::chrono_literals;
using enum PlaybackState;

constexpr double kSpeedup = 20.0;

Engine::Options Fast() {
    Engine::Options o;
    o.nullAudio = true;
    o.nullSpeedup = kSpeedup;
    return o;
}

struct State {
    PlaybackState state = Stopped;
    std::int32_t elapsed = 0;
};

State Poll(Engine& e) {
    State s;
    s.state = e.State(s.elapsed);
    return s;
}

// Whole seconds heard of the track, also after its end (when the state reads 0 s).
int HeardWhole(Engine& e) { return static_cast<int>(std::floor(e.HeardSeconds() + 1e-6)); }

// Polls the state until it reads 0, recording every change, as the player's clock does.
std::vector<PlaybackState> StatesUntilStopped(Engine& e, std::chrono::milliseconds timeout = 20s) {
    std::vector<PlaybackState> seen{Poll(e).state};
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (std::chrono::steady_clock::now() < deadline) {
        const PlaybackState s = Poll(e).state;
        if (s != seen.back()) seen.push_back(s);
        if (s == Stopped) break;
        std::this_thread::sleep_for(1ms);
    }
    // Once stopped it stays stopped.
    for (int i = 0; i < 20; ++i) {
        const PlaybackState s = Poll(e).state;
        if (s != seen.back()) seen.push_back(s);
        std::this_thread::sleep_for(1ms);
    }
    return seen;
}

class EngineTest : public ::testing::Test {
protected:
    std::filesystem::path Tone(const std::string& name, double seconds, double hz = 440) {
        ToneSpec t;
        t.seconds = seconds;
        t.frequencyHz = hz;
        return WriteToneMp3(dir_.Path(), name, t);
    }
    TempFolder dir_;
};

TEST_F(EngineTest, StateAndElapsedThroughPlayPauseRestartStopAndTheEnd) {
    Engine e(Fast());
    ASSERT_TRUE(e.Init());
    OpenInfoRecord info;
    ASSERT_TRUE(e.Open(Tone("a.mp3", 4.0).string(), info));
    EXPECT_EQ(info.TotalSeconds, 4);
    EXPECT_EQ(info.SampleRate, 44100);
    EXPECT_EQ(info.Channels, 2);
    EXPECT_EQ(info.Bitrate, 128);
    EXPECT_EQ(Poll(e).state, Stopped);

    ASSERT_TRUE(e.Play());
    EXPECT_EQ(Poll(e).state, Playing);
    ASSERT_TRUE(WaitUntil([&] { return Poll(e).elapsed >= 1; }));
    e.Pause();
    const State paused = Poll(e);
    EXPECT_EQ(paused.state, Paused);
    const double heard = e.HeardSeconds();
    std::this_thread::sleep_for(100ms); // two seconds of track time at this speed-up
    EXPECT_EQ(Poll(e).state, Paused);
    EXPECT_NEAR(e.HeardSeconds(), heard, 0.101); // at most one null-sink slice more
    e.Resume();
    EXPECT_EQ(Poll(e).state, Playing);
    ASSERT_TRUE(WaitUntil([&] { return Poll(e).elapsed >= 2; }));

    e.Stop();
    EXPECT_EQ(Poll(e).state, Stopped);
    EXPECT_EQ(Poll(e).elapsed, 0);
    e.Pause(); // harmless when stopped
    EXPECT_EQ(Poll(e).state, Stopped);

    // Play starts over from the beginning and ends exactly once, at the track's end.
    ASSERT_TRUE(e.Play());
    EXPECT_LT(Poll(e).elapsed, 1);
    EXPECT_EQ(StatesUntilStopped(e), (std::vector<PlaybackState>{Playing, Stopped}));
    EXPECT_EQ(Poll(e).elapsed, 0); // stopped reads 0 s after the end too
    EXPECT_EQ(HeardWhole(e), 4);
    e.Resume(); // nothing to resume after the end
    EXPECT_EQ(Poll(e).state, Stopped);

    e.Close();
    EXPECT_FALSE(e.Play());
    EXPECT_EQ(Poll(e).state, Stopped);
    e.Shutdown();
}

TEST_F(EngineTest, OpenReplacesThePlayingTrack) {
    Engine e(Fast());
    e.Init();
    OpenInfoRecord info;
    ASSERT_TRUE(e.Open(Tone("long.mp3", 30.0).string(), info));
    ASSERT_TRUE(e.Play());
    ASSERT_TRUE(WaitUntil([&] { return Poll(e).elapsed >= 1; }));

    ASSERT_TRUE(e.Open(Tone("short.mp3", 2.0).string(), info));
    EXPECT_EQ(info.TotalSeconds, 2);
    EXPECT_EQ(Poll(e).state, Stopped);
    ASSERT_TRUE(e.Play());
    EXPECT_EQ(StatesUntilStopped(e), (std::vector<PlaybackState>{Playing, Stopped}));
    EXPECT_EQ(HeardWhole(e), 2); // the long track's queued audio was never heard here

    // A file that does not open leaves nothing open.
    EXPECT_FALSE(e.Open((dir_.Path() / "missing.mp3").string(), info));
    EXPECT_EQ(info.TotalSeconds, 0);
    EXPECT_FALSE(e.Play());
    EXPECT_EQ(Poll(e).state, Stopped);
}

TEST_F(EngineTest, SeekMovesWhatIsHeardAndClampsToTheTrack) {
    Engine e(Fast());
    OpenInfoRecord info;
    ASSERT_TRUE(e.Open(Tone("ten.mp3", 10.0).string(), info));
    e.Seek(5); // nothing plays: no effect
    ASSERT_TRUE(e.Play());
    e.Pause();
    e.Seek(6);
    EXPECT_EQ(Poll(e).state, Paused);
    EXPECT_EQ(Poll(e).elapsed, 6);
    e.Resume();
    ASSERT_TRUE(WaitUntil([&] { return Poll(e).elapsed >= 7; }));
    EXPECT_LE(Poll(e).elapsed, 9);

    e.Seek(-3);
    EXPECT_EQ(Poll(e).elapsed, 0);
    e.Seek(1000);
    const std::vector<PlaybackState> seen = StatesUntilStopped(e); // the end may come before the first look
    EXPECT_TRUE(seen == (std::vector<PlaybackState>{Playing, Stopped}) || seen == (std::vector<PlaybackState>{Stopped}));
    EXPECT_EQ(HeardWhole(e), 10);
}

TEST_F(EngineTest, DoubleSpeedPlaysAFourSecondTrackInTwoSecondsOfSinkTime) {
    Engine e(Fast());
    OpenInfoRecord info;
    ASSERT_TRUE(e.Open(Tone("fast.mp3", 4.0).string(), info));
    e.SetSpeed(200);
    ASSERT_TRUE(e.Play());
    EXPECT_EQ(StatesUntilStopped(e), (std::vector<PlaybackState>{Playing, Stopped}));
    EXPECT_NEAR(e.PlayedSinkSeconds(), 2.0, 0.05);
    EXPECT_EQ(HeardWhole(e), 4);

    // Back at 1.00 the same track takes its own length.
    e.SetSpeed(100);
    ASSERT_TRUE(e.Play());
    EXPECT_EQ(StatesUntilStopped(e), (std::vector<PlaybackState>{Playing, Stopped}));
    EXPECT_NEAR(e.PlayedSinkSeconds(), 4.0, 0.03);
}

TEST_F(EngineTest, DecodeOptionsApplyFromTheNextOpen) {
    Engine e(Fast());
    OpenInfoRecord info;
    const auto file = Tone("opt.mp3", 2.0);
    ASSERT_TRUE(e.Open(file.string(), info));
    e.SetDecodeOptions({DecodeRate::Quarter, DecodeChannels::Mono});
    ASSERT_TRUE(e.Play());
    EXPECT_EQ(StatesUntilStopped(e), (std::vector<PlaybackState>{Playing, Stopped}));
    EXPECT_NEAR(e.PlayedSinkSeconds(), 2.0, 0.03);

    ASSERT_TRUE(e.Open(file.string(), info));
    EXPECT_EQ(info.SampleRate, 11025);
    EXPECT_EQ(info.Channels, 1);
    EXPECT_EQ(info.TotalSeconds, 2);
    ASSERT_TRUE(e.Play());
    EXPECT_EQ(StatesUntilStopped(e), (std::vector<PlaybackState>{Playing, Stopped}));
    EXPECT_EQ(HeardWhole(e), 2);
}

TEST_F(EngineTest, ReloadAppliesTheEqualizerWithoutRestartingTheTrack) {
    Engine e(Fast());
    OpenInfoRecord info;
    ASSERT_TRUE(e.Open(Tone("eq.mp3", 6.0).string(), info));
    ASSERT_TRUE(e.Play());
    ASSERT_TRUE(WaitUntil([&] { return Poll(e).elapsed >= 2; }));
    e.SetEqualizer({120, 60, 0, -30, 0, 0, 40, 0, 0, 120});
    e.ApplyEqualizer();
    EXPECT_GE(e.HeardSeconds(), 2.0);
    EXPECT_EQ(StatesUntilStopped(e), (std::vector<PlaybackState>{Playing, Stopped}));
    EXPECT_EQ(HeardWhole(e), 6);
}

// A sink that takes audio for a while and then stops calling back, like an unplugged device.
class StallingSink final : public engine::AudioSink {
public:
    explicit StallingSink(engine::Playhead& p) : playhead_(p) {
        thread_ = std::thread([this] {
            std::vector<float> buf(441 * 2);
            for (int i = 0; i < 20 && !stop_; ++i) { // 0.2 s of audio, then silence for ever
                playhead_.Render(this, buf.data(), 441, 2);
                std::this_thread::sleep_for(1ms);
            }
        });
    }
    ~StallingSink() override {
        stop_ = true;
        thread_.join();
    }
    int Rate() const noexcept override { return 48000; }
    const char* Name() const noexcept override { return "stalling"; }

private:
    engine::Playhead& playhead_;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

TEST_F(EngineTest, ADeadSinkIsReplacedAndTheTrackGoesOn) {
    std::atomic<int> made{0};
    Engine::Options o = Fast();
    o.sinkWatchdog = 300ms;
    o.makeSink = [&](engine::Playhead& p) -> std::unique_ptr<engine::AudioSink> {
        if (made++ == 0) return std::make_unique<StallingSink>(p);
        return std::make_unique<engine::NullSink>(p, kSpeedup);
    };
    Engine e(o);
    e.Init();
    OpenInfoRecord info;
    ASSERT_TRUE(e.Open(Tone("dead.mp3", 3.0).string(), info));
    ASSERT_TRUE(e.Play());
    EXPECT_EQ(e.SinkName(), "stalling");
    EXPECT_EQ(StatesUntilStopped(e, 10s), (std::vector<PlaybackState>{Playing, Stopped}));
    EXPECT_EQ(e.SinkName(), "null");
    EXPECT_EQ(made.load(), 2);
    EXPECT_EQ(HeardWhole(e), 3);
}

// Takes audio only when the test says, and says so as the null sink does. Its clock runs a
// hundred times slower than real time, so the decoder's own timer never comes within a test:
// whatever refills the ring is the word that audio was taken.
class HandTakenSink final : public engine::AudioSink {
public:
    explicit HandTakenSink(engine::Playhead& p) : playhead_(p) {}
    int Rate() const noexcept override { return 44100; }
    double Speedup() const noexcept override { return 0.01; }
    double AheadSeconds() const noexcept override { return 0.5; }
    const char* Name() const noexcept override { return "by hand"; }
    bool CanFail() const noexcept override { return false; }
    bool WhenTaken(std::function<void()> taken) noexcept override {
        taken_ = std::move(taken);
        return true;
    }
    std::size_t Waiting() const { return playhead_.Ring().Waiting(); }
    void Take(std::size_t blocks) {
        std::vector<float> buf(blocks * engine::AudioBlock::kFrames * 2);
        std::uint32_t rate = 0;
        playhead_.Take(this, buf.data(), buf.size() / 2, 2, rate);
        taken_();
    }

private:
    engine::Playhead& playhead_;
    std::function<void()> taken_;
};

TEST_F(EngineTest, ASinkThatSaysItTookAudioHasTheRingRefilledOnceHalfOfItIsPlayed) {
    HandTakenSink* sink = nullptr;
    Engine::Options o;
    o.makeSink = [&](engine::Playhead& p) -> std::unique_ptr<engine::AudioSink> {
        auto s = std::make_unique<HandTakenSink>(p);
        sink = s.get();
        return s;
    };
    Engine e(o);
    e.Init();
    OpenInfoRecord info;
    ASSERT_TRUE(e.Open(Tone("hand.mp3", 30.0).string(), info));
    ASSERT_TRUE(e.Play());
    const std::size_t full = 44; // 0.5 s at 44.1 kHz in blocks of 512 frames, rounded up
    auto settlesAt = [&](std::size_t blocks) {
        for (int i = 0; i < 500 && sink->Waiting() != blocks; ++i) std::this_thread::sleep_for(10ms);
        return sink->Waiting() == blocks;
    };
    ASSERT_TRUE(settlesAt(full));
    // Under half played: the decoder sleeps on, the sink has enough.
    sink->Take(10);
    std::this_thread::sleep_for(100ms);
    EXPECT_EQ(sink->Waiting(), full - 10);
    // Down to half: refilled in one batch.
    sink->Take(12);
    EXPECT_TRUE(settlesAt(full)) << sink->Waiting();
    e.Stop();
}

TEST_F(EngineTest, InitDoesNotWaitForTheOutputAndShutdownIsHarmlessTwice) {
    // An output that takes its time to open: Init must return while it is still opening.
    std::mutex m;
    std::condition_variable cv;
    bool released = false;
    bool openedFirst = false;
    Engine::Options o = Fast();
    o.makeSink = [&](engine::Playhead& p) -> std::unique_ptr<engine::AudioSink> {
        std::unique_lock lock(m);
        openedFirst = !cv.wait_for(lock, 10s, [&] { return released; });
        return std::make_unique<CaptureSink>(p);
    };
    Engine e(o);
    EXPECT_TRUE(e.Init());
    {
        std::lock_guard lock(m);
        released = true;
    }
    cv.notify_all();
    e.Stop();
    e.Close();
    e.Pause();
    e.Resume();
    e.Seek(3);
    e.ApplyEqualizer();
    e.Shutdown();
    e.Shutdown();
    EXPECT_FALSE(openedFirst); // the opener has ended: Shutdown waits for it
    // Usable again after free, as after a fresh start.
    OpenInfoRecord info;
    ASSERT_TRUE(e.Open(Tone("again.mp3", 1.0).string(), info));
    ASSERT_TRUE(e.Play());
    EXPECT_EQ(StatesUntilStopped(e), (std::vector<PlaybackState>{Playing, Stopped}));
}



// One continuous 440 Hz tone cut into three files, queued one after the other as the player's
// clock does, must come out of the engine as one: not a frame inserted, dropped or repeated,
// each change reported once, when the new track's first frame is heard.
TEST_F(EngineTest, QueuedFilesJoinWithoutAFrameInsertedOrDropped) {
    struct Case {
        std::string ext;
        int rate;           // of the files
        int lastRate;       // of the third file: a change of rate on the way
        // Against the ideal tone: the codec's error at the joins (where each file's coding
        // starts and ends) and inside the files.
        double atJoins, inside;
    };
    const double lsb = 1.0 / 32768;
    const Case cases[] = {
        {"wav", 44100, 44100, lsb, lsb},   {"flac", 44100, 44100, lsb, lsb},
        {"mp3", 44100, 44100, 0.1, 0.035}, {"opus", 48000, 48000, 0.04, 0.01},
        {"ogg", 44100, 44100, 0.02, 0.015}, {"wav", 44100, 48000, 0.06, 1e-3},
    };
    constexpr double kHz = 440, kAmp = 0.5;
    // Odd lengths: the joins fall inside the codecs' frames and the engine's blocks.
    const std::int64_t lengths[] = {30011, 41872, 0}; // 71883 frames: 1.63 s, a whole frame at 48 kHz
    for (const Case& c : cases) {
        SCOPED_TRACE(c.ext + " " + std::to_string(c.lastRate));
        std::vector<std::filesystem::path> files;
        std::int64_t at = 0;
        for (int i = 0; i < 3; ++i) {
            const int rate = i == 2 ? c.lastRate : c.rate;
            // The third file starts where the second ends in time, at its own rate.
            const std::int64_t first =
                i == 2 ? at * rate / c.rate : at;
            const std::int64_t frames = i == 2 ? rate / 2 : lengths[i];
            const std::string name = "part" + std::to_string(i) + "-" + std::to_string(c.lastRate) + "." + c.ext;
            if (c.ext == "mp3") {
                ToneSpec t;
                t.seconds = static_cast<double>(frames) / rate;
                t.sampleRate = rate;
                t.firstFrame = first;
                files.push_back(WriteToneMp3(dir_.Path(), name, t));
            } else {
                AudioSpec a;
                a.container = c.ext == "wav"    ? Container::Wav
                              : c.ext == "flac" ? Container::Flac
                              : c.ext == "opus" ? Container::Opus
                                                : Container::Vorbis;
                a.sampleRate = rate;
                a.frames = frames;
                a.firstFrame = first;
                files.push_back(WriteAudio(dir_.Path(), name, a));
            }
            at += frames;
        }
        

        // What each file gives alone, converted to the first file's rate.
        std::vector<float> separate;
        std::vector<std::size_t> joins;
        for (const auto& f : files) {
            const Decoded d = DecodeAll(f, {}, nullptr, c.rate);
            separate.insert(separate.end(), d.samples.begin(), d.samples.end());
            joins.push_back(separate.size() / 2);
        }

        CaptureSink* sink = nullptr;
        Engine::Options o = Fast();
        o.makeSink = [&](engine::Playhead& p) -> std::unique_ptr<engine::AudioSink> {
            auto s = std::make_unique<CaptureSink>(p);
            sink = s.get();
            return s;
        };
        Engine e(o);
        e.Init();
        OpenInfoRecord info;
        ASSERT_TRUE(e.Open(files[0].string(), info));
        ASSERT_TRUE(e.Play());
        ASSERT_TRUE(e.QueueNext(files[1].string()));
        std::size_t changes = 0;
        bool stoppedEarly = false;
        ASSERT_TRUE(WaitUntil([&] {
            std::int32_t elapsed = 0;
            const PlaybackState s = e.State(elapsed);
            OpenInfoRecord next;
            if (e.TakeTrackChange(next)) {
                ++changes;
                // The new track's time from its first frame on.
                EXPECT_LT(e.HeardSeconds(), 0.1);
                EXPECT_EQ(next.SampleRate, changes == 2 ? c.lastRate : c.rate);
                if (changes == 1) {
                    EXPECT_TRUE(e.QueueNext(files[2].string()));
                }
            }
            if (s == Stopped && changes < 2) stoppedEarly = true;
            return s == Stopped;
        }));
        EXPECT_FALSE(stoppedEarly);
        EXPECT_EQ(changes, 2u);
        OpenInfoRecord none;
        EXPECT_FALSE(e.TakeTrackChange(none));
        const std::vector<float> heard = sink->Captured();
        e.Shutdown();

        const std::int64_t inserted =
            static_cast<std::int64_t>(heard.size() / 2) - static_cast<std::int64_t>(joins.back());
        std::cout << "[ figures  ] " << c.ext << " " << c.rate << "->" << c.lastRate
                  << " Hz: frames inserted (+) or dropped (-) " << inserted;
        ASSERT_EQ(heard.size(), separate.size());
        // The chain adds nothing of its own: exactly what the files give one by one.
        EXPECT_TRUE(heard == separate);
        // Against the tone itself: around each join, and inside each file (a frame lost or
        // repeated would shift all that follows).
        auto worstAround = [&](std::size_t centre) {
            double worst = 0;
            for (std::size_t i = centre - 2000; i < centre + 2000; ++i) {
                const double ideal =
                    kAmp * std::sin(2 * std::numbers::pi * kHz * static_cast<double>(i) / c.rate);
                worst = std::max(worst, std::fabs(heard[i * 2] - ideal));
            }
            return worst;
        };
        const double atJoins = std::max(worstAround(joins[0]), worstAround(joins[1]));
        double inside = 0;
        for (std::size_t j = 0; j < 3; ++j)
            inside = std::max(inside, worstAround(((j ? joins[j - 1] : 0) + joins[j]) / 2));
        std::cout << ", worst error at the joins " << atJoins << ", inside the files " << inside
                  << "\n";
        EXPECT_LE(atJoins, c.atJoins);
        EXPECT_LE(inside, c.inside);
    }
}


// Between the engine moving on to the queued file and its first frame heard, the queue can no
// longer be withdrawn and a seek (meant for the track that is ending) is ignored: the end of
// that track and all of the next one are still heard, the change still reported.
TEST_F(EngineTest, TheQueuedFileStaysOnceTheEngineHasMovedOnToIt) {
    AudioSpec a;
    a.frames = 44100; // more than the ring holds: the decoder cannot pass the join unheard
    const auto first = WriteAudio(dir_.Path(), "first.wav", a);
    a.frames = 30000;
    a.firstFrame = 44100;
    const auto second = WriteAudio(dir_.Path(), "next.wav", a);
    CaptureSink* sink = nullptr;
    Engine::Options o = Fast();
    // The sink takes nothing for as long as the test holds it: not a stall to act on.
    o.sinkWatchdog = 60s;
    o.makeSink = [&](engine::Playhead& p) -> std::unique_ptr<engine::AudioSink> {
        auto s = std::make_unique<CaptureSink>(p);
        s->budget = 0;
        sink = s.get();
        return s;
    };
    Engine e(o);
    e.Init();
    OpenInfoRecord info;
    ASSERT_TRUE(e.Open(first.string(), info));
    ASSERT_TRUE(e.Play());
    ASSERT_TRUE(e.QueueNext(second.string())); // in time: the ring is full before the join
    // All but the last 2000 frames of the first file are heard; the decoder moves on.
    sink->budget = 44100 - 2000;
    ASSERT_TRUE(WaitUntil([&] { return e.JoinedFromSeconds() > 0; }));
    EXPECT_FALSE(e.ClearNext());
    e.Seek(0);
    sink->budget = -1;
    bool changed = false;
    ASSERT_TRUE(WaitUntil([&] {
        std::int32_t elapsed = 0;
        OpenInfoRecord next;
        changed = changed || e.TakeTrackChange(next);
        return e.State(elapsed) == Stopped;
    }));
    EXPECT_TRUE(changed);
    EXPECT_EQ(sink->Captured().size(), 74100u * 2);
}

// The output goes away and a new one at another rate takes over while a queued list plays:
// wherever that happens (well before a join, in the last 0.2 s before it, when the decoder has
// already moved on to the queued file, or exactly at it), the listener hears every frame of
// every file once, in order, and each change is reported when the new file starts.
TEST_F(EngineTest, AnOutputReplacedNearAJoinGoesOnWhereTheListenerWas) {
    constexpr int kRate = 44100;
    const std::int64_t lengths[] = {20000, 22000, 21000};
    // Left: the frame's place in its file; right: which file. What is heard names its source.
    std::vector<std::filesystem::path> files;
    std::vector<float> whole;
    for (std::size_t k = 0; k < 3; ++k) {
        std::vector<std::int16_t> pcm;
        for (std::int64_t i = 0; i < lengths[k]; ++i) {
            pcm.push_back(static_cast<std::int16_t>(i));
            pcm.push_back(static_cast<std::int16_t>(1000 * (k + 1)));
        }
        for (const std::int16_t v : pcm)
            whole.push_back(static_cast<float>(v) / 32768.0f);
        files.push_back(
            WriteWav16(dir_.Path() / ("coded" + std::to_string(k) + ".wav"), kRate, 2, pcm));
    }
    struct Case {
        const char* what;
        std::int64_t heard; // frames the first output plays
        double joinedFrom;  // once the decoder has moved on past this join (seconds), or 0
    };
    const double end0 = 20000.0 / kRate, end1 = 22000.0 / kRate;
    const Case cases[] = {
        {"well before the first join", 5000, 0},
        {"in the last 0.2 s before the first join", 15000, end0},
        {"at the first join", 20000, end0},
        {"in the last 0.2 s before the second join", 20000 + 18000, end1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<CaptureSink*> sinks;
        Engine::Options o = Fast();
        // Only the dead output is replaced: a busy machine's pause of a few hundred ms
        // must not pass for a stuck one.
        o.sinkWatchdog = 1500ms;
        o.makeSink = [&](engine::Playhead& p) -> std::unique_ptr<engine::AudioSink> {
            // The first plays at the files' rate, its replacement follows the audio's: a
            // different rate, so the engine decodes afresh for it.
            auto s = std::make_unique<CaptureSink>(p, sinks.empty() ? kRate : 0);
            if (sinks.empty()) s->budget = c.heard;
            // Slow enough (about 4 x real time) that the test's clock queues each file
            // before the one ahead of it ends, however busy the machine.
            s->pace = 5;
            sinks.push_back(s.get());
            return s;
        };
        Engine e(o);
        e.Init();
        OpenInfoRecord info;
        ASSERT_TRUE(e.Open(files[0].string(), info));
        ASSERT_TRUE(e.Play());
        ASSERT_TRUE(e.QueueNext(files[1].string()));
        std::size_t changes = 0;
        // The player's clock: takes each change and queues the file after it.
        auto follow = [&] {
            OpenInfoRecord next;
            if (e.TakeTrackChange(next)) {
                ++changes;
                if (changes + 1 < files.size()) {
                    EXPECT_TRUE(e.QueueNext(files[changes + 1].string()));
                }
            }
            std::int32_t elapsed = 0;
            return e.State(elapsed);
        };
        ASSERT_TRUE(WaitUntil([&] {
            follow();
            return sinks[0]->budget.load() == 0 &&
                   (c.joinedFrom == 0 || std::fabs(e.JoinedFromSeconds() - c.joinedFrom) < 1e-6);
        }));
        // The engine closes the first output once replaced: keep what it played.
        std::vector<float> heard = sinks[0]->Captured();
        ASSERT_EQ(heard.size(), static_cast<std::size_t>(c.heard) * 2);
        sinks[0]->alive = false;
        ASSERT_TRUE(WaitUntil([&] { return follow() == Stopped; }));
        ASSERT_EQ(sinks.size(), 2u);
        EXPECT_EQ(changes, 2u);
        const std::vector<float> after = sinks[1]->Captured();
        heard.insert(heard.end(), after.begin(), after.end());
        e.Shutdown();
        ASSERT_EQ(heard.size(), whole.size());
        const auto wrong = std::mismatch(heard.begin(), heard.end(), whole.begin()).first;
        EXPECT_TRUE(wrong == heard.end()) << "first wrong frame: " << (wrong - heard.begin()) / 2;
    }
}

} // namespace
} // namespace telbo::test
