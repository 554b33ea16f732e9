// The engine playing to a sound server of the test's own (PulseAudio, and PipeWire with its
// PulseAudio service), heard through its null sink's monitor: what arrives, when it stops,
// whether it clicks, and what happens when the server goes away. Skipped where the server
// cannot run, except under CI=true.

#include "EngineTestSupport.h"
#include "SoundServer.h"

#include "engine/Engine.h"
#include "engine/PulseSink.h"

#include <gtest/gtest.h>

#include <csignal>
#include <fstream>
#include <string>
#include <thread>

namespace telbo::test {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using SinkState = Listener::SinkState;

constexpr int kRate = Listener::kRate;
constexpr std::size_t Ms(int ms) { return static_cast<std::size_t>(ms) * kRate / 1000; }

class SoundServerTest : public ::testing::TestWithParam<SoundServer::Kind> {
protected:
    void SetUp() override {
        server_ = std::make_unique<SoundServer>(dir_.Path() / "server", GetParam());
        if (server_->Start()) return;
        if (ServerRequired()) FAIL() << server_->error;
        GTEST_SKIP() << server_->error;
    }

    Engine::Options ToServer() const {
        Engine::Options o;
        o.soundServer = server_->Address();
        return o;
    }
    std::filesystem::path Tone(const std::string& name, double seconds) {
        ToneSpec t;
        t.seconds = seconds;
        t.frequencyHz = 1000;
        return WriteToneMp3(dir_.Path(), name, t);
    }
    static bool Play(Engine& e, const std::filesystem::path& file) {
        OpenInfoRecord info;
        return e.Open(file.string(), info) && e.Play();
    }
    static PlaybackState State(Engine& e) {
        std::int32_t elapsed = 0;
        return e.State(elapsed);
    }

    TempFolder dir_;
    std::unique_ptr<SoundServer> server_;
};

TEST_P(SoundServerTest, ToneArrivesWholeAtItsLevelAndPitchPauseCorksAndTheSinkSleepsAfter) {
    auto ear = std::make_unique<Listener>();
    ASSERT_TRUE(ear->Connect(server_->Address(), true));
    const auto file = Tone("tone.mp3", 3.0);
    const Decoded reference = DecodeAll(file);
    Engine e(ToServer());
    e.Init();
    // The output opens in the background; a slow start (sanitizers) plays into the null sink
    // until it is there.
    ASSERT_TRUE(Play(e, Tone("before.mp3", 10.0)));
    ASSERT_TRUE(WaitUntil([&] { return e.SinkName() == "pulse"; }, 10s));
    e.Stop();
    ASSERT_TRUE(ear->WaitForSound(false, 2s));
    const std::size_t start = ear->Samples().size() / 2;
    ASSERT_TRUE(Play(e, file));
    ASSERT_TRUE(ear->WaitForSound(true, 5s));
    EXPECT_EQ(ear->State(), SinkState::Running);

    std::this_thread::sleep_for(700ms);
    const auto paused = Clock::now();
    e.Pause();
    ASSERT_TRUE(ear->WaitForSound(false, 1s));
    // Corked: the server's sink has nothing to play (PipeWire's runs on for its monitor).
    EXPECT_TRUE(WaitUntil([&] { return ear->StreamCorked() == 1; }, 2s));
    if (GetParam() == SoundServer::Kind::PulseAudio) {
        EXPECT_TRUE(WaitUntil([&] { return ear->State() == SinkState::Idle; }, 2s));
    }
    std::this_thread::sleep_for(300ms);
    const auto resumed = Clock::now();
    e.Resume();
    ASSERT_TRUE(ear->WaitForSound(true, 1s));
    ASSERT_TRUE(WaitUntil([&] { return State(e) == PlaybackState::Stopped; }, 6s));
    // The end plays out, then the stream goes quiet.
    ASSERT_TRUE(ear->WaitForSound(false, 2s));
    EXPECT_TRUE(WaitUntil([&] { return ear->StreamCorked() == 1; }, 3s));
    if (GetParam() == SoundServer::Kind::PulseAudio) {
        EXPECT_TRUE(WaitUntil([&] { return ear->State() == SinkState::Idle; }, 3s));
    }

    const std::vector<float> heard = ear->Samples();
    const std::size_t pausedAt = ear->FrameAt(paused);
    const std::size_t resumedAt = ear->FrameAt(resumed);
    // Level and pitch, before the pause.
    const float expectedPeak = Peak(reference.samples, 0, reference.Frames());
    EXPECT_NEAR(Db(Peak(heard, pausedAt - Ms(500), pausedAt - Ms(100)) / expectedPeak), 0.0, 0.5);
    EXPECT_NEAR(Frequency(heard, pausedAt - Ms(500), pausedAt - Ms(100), kRate), 1000.0, 2.0);
    // Pause and resume are heard within 100 ms; what was queued is neither lost nor played
    // twice over the pause (a loaded machine may repeat a few ms where the fade lands late).
    EXPECT_EQ(SoundingFrames(heard, pausedAt + Ms(100), resumedAt), 0u);
    EXPECT_GT(SoundingFrames(heard, resumedAt, resumedAt + Ms(100)), 0u);
    EXPECT_NEAR(static_cast<double>(SoundingFrames(heard, start, heard.size() / 2)) / kRate, 3.0,
                0.1);

    // Nobody listening to the monitor any more: the sink suspends.
    ear.reset();
    Listener watcher;
    ASSERT_TRUE(watcher.Connect(server_->Address(), false));
    EXPECT_TRUE(WaitUntil([&] { return watcher.State() == SinkState::Suspended; }, 4s));
}

TEST_P(SoundServerTest, FilesOfEveryRateArriveAtTheirPitchOneAfterTheOther) {
    // The stream takes each file's rate where the server converts (PipeWire), the sink's
    // elsewhere: either way each file is heard at its pitch, also after one at another rate.
    Listener ear;
    ASSERT_TRUE(ear.Connect(server_->Address(), true));
    Engine e(ToServer());
    e.Init();
    ASSERT_TRUE(Play(e, Tone("before.mp3", 10.0)));
    ASSERT_TRUE(WaitUntil([&] { return e.SinkName() == "pulse"; }, 10s));
    e.Stop();
    for (const int rate : {44100, 48000, 22050, 44100}) {
        SCOPED_TRACE(rate);
        ToneSpec t;
        t.seconds = 1.5;
        t.frequencyHz = 1000;
        t.sampleRate = rate;
        const auto file = WriteToneMp3(dir_.Path(), std::to_string(rate) + ".mp3", t);
        ASSERT_TRUE(ear.WaitForSound(false, 3s));
        const std::size_t from = ear.Samples().size() / 2;
        ASSERT_TRUE(Play(e, file));
        ASSERT_TRUE(WaitUntil([&] { return State(e) == PlaybackState::Stopped; }, 5s));
        ASSERT_TRUE(ear.WaitForSound(false, 2s));
        const std::vector<float> heard = ear.Samples();
        const std::size_t sounding = SoundingFrames(heard, from, heard.size() / 2);
        EXPECT_NEAR(static_cast<double>(sounding) / kRate, 1.5, 0.1);
        std::size_t last = heard.size() / 2;
        while (last > from && Peak(heard, last - 1, last) <= 0.01f) --last;
        ASSERT_GT(last, from + Ms(1000));
        EXPECT_NEAR(Frequency(heard, last - Ms(900), last - Ms(300), kRate), 1000.0, 2.0);
    }
}

TEST_P(SoundServerTest, PauseResumeStopSeekAndATrackChangeFadeWithoutAClick) {
    Listener ear;
    ASSERT_TRUE(ear.Connect(server_->Address(), true));
    const auto first = Tone("first.mp3", 8.0);
    const auto second = Tone("second.mp3", 4.0);
    Engine e(ToServer());
    e.Init();
    ASSERT_TRUE(Play(e, first));
    ASSERT_TRUE(ear.WaitForSound(true, 5s));
    std::this_thread::sleep_for(400ms);
    const std::size_t steady = ear.FrameAt(Clock::now());

    e.Pause();
    ASSERT_TRUE(ear.WaitForSound(false, 1s));
    std::this_thread::sleep_for(100ms);
    e.Resume();
    ASSERT_TRUE(ear.WaitForSound(true, 1s));
    std::this_thread::sleep_for(300ms);
    e.Seek(5);
    std::this_thread::sleep_for(300ms);
    ASSERT_TRUE(Play(e, second)); // by hand, while the first one plays
    std::this_thread::sleep_for(300ms);
    e.Stop();
    ASSERT_TRUE(ear.WaitForSound(false, 1s));
    std::this_thread::sleep_for(100ms);

    const std::vector<float> heard = ear.Samples();
    const float own = LargestStep(heard, steady - Ms(300), steady);
    ASSERT_GT(own, 0.05f);
    EXPECT_LE(LargestStep(heard, 0, heard.size() / 2), own * 1.2f);
}

TEST_P(SoundServerTest, OutputFollowsTheServerAwayAndBackWhileTheClockRunsOn) {
    server_->Kill();
    Engine e(ToServer());
    e.Init();
    ASSERT_TRUE(Play(e, Tone("long.mp3", 30.0)));
    EXPECT_EQ(e.SinkName(), "null");
    ASSERT_TRUE(WaitUntil([&] { return e.HeardSeconds() >= 0.5; }, 3s));

    // A server that starts after the player is taken up.
    ASSERT_TRUE(server_->Start());
    auto back = Clock::now();
    {
        Listener ear;
        ASSERT_TRUE(ear.Connect(server_->Address(), true));
        ASSERT_TRUE(ear.WaitForSound(true, 4s));
        EXPECT_LT(Clock::now() - back, 2500ms);
        EXPECT_EQ(e.SinkName(), "pulse");
    }

    // Gone: the clock runs on, and no call waits for the server.
    const double before = e.HeardSeconds();
    server_->Kill();
    Clock::duration slowest{};
    const auto outage = Clock::now() + 1200ms;
    while (Clock::now() < outage) {
        const auto t0 = Clock::now();
        State(e);
        slowest = std::max(slowest, Clock::now() - t0);
        std::this_thread::sleep_for(10ms);
    }
    EXPECT_LT(slowest, 50ms);
    EXPECT_EQ(e.SinkName(), "null");
    EXPECT_GT(e.HeardSeconds(), before + 0.5);
    EXPECT_EQ(State(e), PlaybackState::Playing);

    // Back: so is the sound.
    ASSERT_TRUE(server_->Start());
    back = Clock::now();
    Listener ear;
    ASSERT_TRUE(ear.Connect(server_->Address(), true));
    ASSERT_TRUE(ear.WaitForSound(true, 4s));
    EXPECT_LT(Clock::now() - back, 2500ms);
    EXPECT_EQ(e.SinkName(), "pulse");
}

TEST_P(SoundServerTest, APlayerStoppedForAFewSecondsKeepsItsStream) {
    Listener ear;
    ASSERT_TRUE(ear.Connect(server_->Address(), true));
    Child player(TELBO_PLAY_TOOL, {"--server", server_->Address(), Tone("long.mp3", 30.0).string()});
    ASSERT_TRUE(player.Running());
    ASSERT_TRUE(ear.WaitForSound(true, 5s));
    const std::int64_t stream = ear.StreamIndex();
    ASSERT_GE(stream, 0);

    ::kill(player.Pid(), SIGSTOP);
    std::this_thread::sleep_for(2500ms);
    ::kill(player.Pid(), SIGCONT);
    const auto resumed = Clock::now();
    ASSERT_TRUE(ear.WaitForSound(true, 2s));
    std::this_thread::sleep_for(1200ms); // the watchdog has looked by now
    EXPECT_EQ(ear.StreamIndex(), stream);
    // And it plays on without a gap.
    const std::vector<float> heard = ear.Samples();
    const std::size_t at = ear.FrameAt(resumed);
    ASSERT_GE(heard.size() / 2, at + Ms(900));
    EXPECT_EQ(SoundingFrames(heard, at + Ms(300), at + Ms(900)), Ms(600));
}

TEST_P(SoundServerTest, APausedPlayerDoesNotWakeAndTheSinkSuspends) {
    Listener ear;
    ASSERT_TRUE(ear.Connect(server_->Address(), false));
    Child player(TELBO_PLAY_TOOL,
                 {"--server", server_->Address(), Tone("long.mp3", 30.0).string()});
    ASSERT_TRUE(player.Running());
    ASSERT_TRUE(WaitUntil([&] { return ear.StreamCorked() == 0; }, 5s));
    ASSERT_TRUE(WaitUntil([&] { return ear.State() == SinkState::Running; }, 5s));
    // The samples go over the socket: no shared buffer whose release would wake the player.
    std::ifstream maps("/proc/" + std::to_string(player.Pid()) + "/maps");
    for (std::string line; std::getline(maps, line);) {
        EXPECT_EQ(line.find("memfd:pulseaudio"), std::string::npos) << line;
        EXPECT_EQ(line.find("pulse-shm"), std::string::npos) << line;
    }
    player.Send("pause");
    ASSERT_TRUE(WaitUntil([&] { return ear.StreamCorked() == 1; }, 2s));
    // Corked, nobody listening: the server lets the sink sleep (the server tells the stream).
    EXPECT_TRUE(WaitUntil([&] { return ear.State() == SinkState::Suspended; }, 6s));
    // From then on no thread of the player has anything to do: no timer, no polling.
    const double before = ContextSwitches(player.Pid());
    std::this_thread::sleep_for(1s);
    EXPECT_EQ(ContextSwitches(player.Pid()), before);
}

// A request is about 320 ms, and where PipeWire would round it up to whole 2048-frame graph
// cycles past one write buffer (16368 frames), the whole cycles that fit.
TEST(PulseRequest, AboutAThirdOfASecondInOneWriteOnceRoundedToPipeWireCycles) {
    struct Case {
        std::uint32_t rate;
        std::size_t frames;
    };
    for (const Case c : {Case{8000, 2560}, Case{44100, 14112}, Case{48000, 14336},
                         Case{50000, 14336}, Case{88200, 28224}, Case{96000, 30720},
                         Case{192000, 61440}}) {
        SCOPED_TRACE(c.rate);
        const std::size_t frames = engine::PulseRequestFrames(c.rate);
        EXPECT_EQ(frames, c.frames);
        if (c.rate <= 48000) {
            EXPECT_LE((frames + 2047) / 2048 * 2048, 16368u);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Servers, SoundServerTest, ::testing::ValuesIn(SoundServer::Kinds()),
                         [](const auto& info) { return SoundServer::Name(info.param); });

} // namespace
} // namespace telbo::test
