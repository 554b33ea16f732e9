// The choice of sound output against a sound server of the test's own (PulseAudio, and
// PipeWire with its PulseAudio service) with two null sinks, "probe" (the default) and
// "other": where the stream opens, where a move while playing lands, and what a remembered
// output that is gone does.

#include "EngineTestSupport.h"
#include "SoundServer.h"

#include "engine/Engine.h"

#include <gtest/gtest.h>

#include <map>
#include <sstream>

namespace telbo::test {
namespace {

using namespace std::chrono_literals;

class OutputChoiceTest : public ::testing::TestWithParam<SoundServer::Kind> {
protected:
    void SetUp() override {
        server_ = std::make_unique<SoundServer>(dir_.Path() / "server", GetParam());
        server_->moreSinks = {"other"};
        if (server_->Start() && !server_->Pactl("info").empty()) return;
        if (ServerRequired()) FAIL() << server_->error;
        GTEST_SKIP() << "no sound server or pactl: " << server_->error;
    }

    std::unique_ptr<Engine> Start(const std::string& remembered, bool beforeInit) {
        Engine::Options o;
        o.soundServer = server_->Address();
        auto e = std::make_unique<Engine>(o);
        if (beforeInit) e->SetOutputDevice(remembered);
        e->Init();
        if (!beforeInit) e->SetOutputDevice(remembered); // as the player does it
        return e;
    }
    bool Play(Engine& e, double seconds) {
        ToneSpec t;
        t.seconds = seconds;
        OpenInfoRecord info;
        return e.Open(WriteToneMp3(dir_.Path(), "tone.mp3", t).string(), info) &&
               e.Play() && WaitUntil([&] { return e.SinkName() == "pulse"; }, 10s);
    }
    // The sink the one playback stream plays into ("" for none), and the stream's index.
    std::string StreamSink(std::string* stream = nullptr) {
        std::map<std::string, std::string> sinks; // index -> name
        std::istringstream sinkLines(server_->Pactl("list sinks short"));
        for (std::string index, name, rest;
             sinkLines >> index >> name && std::getline(sinkLines, rest);)
            sinks[index] = name;
        std::istringstream inputs(server_->Pactl("list sink-inputs short"));
        std::string index, sink, rest;
        if (!(inputs >> index >> sink) || !std::getline(inputs, rest)) return {};
        if (stream) *stream = index;
        return sinks[sink];
    }

    TempFolder dir_;
    std::unique_ptr<SoundServer> server_;
};

TEST_P(OutputChoiceTest, TheRememberedOutputIsListedAndPlaysFromTheStart) {
    for (const bool beforeInit : {true, false}) {
        SCOPED_TRACE(beforeInit ? "set before init" : "set after init");
        auto e = Start("other", beforeInit);
        ASSERT_TRUE(Play(*e, 10));
        EXPECT_TRUE(WaitUntil([&] { return StreamSink() == "other"; }, 5s)) << StreamSink();
        std::vector<std::string> names;
        for (const OutputDevice& o : e->ListOutputs()) names.push_back(o.Name);
        EXPECT_EQ(names, (std::vector<std::string>{"probe", "other"}));
        EXPECT_FALSE(e->OutputMissing());
    }
}

TEST_P(OutputChoiceTest, AMoveWhilePlayingKeepsTheStreamAndThePositionAndDefaultFollowsTheDesktop) {
    auto e = Start("", false);
    ASSERT_TRUE(Play(*e, 30));
    std::string stream;
    ASSERT_TRUE(WaitUntil([&] { return StreamSink(&stream) == "probe"; }, 5s)) << StreamSink();
    ASSERT_TRUE(WaitUntil([&] { return e->HeardSeconds() > 0.3; }, 5s));

    struct Step {
        const char* what;
        std::string choice;
        std::string landsOn;
    };
    for (const Step& step :
         {Step{"to other", "other", "other"}, Step{"back to default", "", "probe"},
          Step{"to other again", "other", "other"}}) {
        SCOPED_TRACE(step.what);
        const double before = e->HeardSeconds();
        e->SetOutputDevice(step.choice);
        std::string now;
        ASSERT_TRUE(WaitUntil([&] { return StreamSink(&now) == step.landsOn; }, 5s))
            << StreamSink();
        EXPECT_EQ(now, stream); // moved, not reopened
        EXPECT_TRUE(WaitUntil([&] { return e->HeardSeconds() > before + 0.5; }, 5s));
        std::int32_t elapsed = 0;
        EXPECT_EQ(e->State(elapsed), PlaybackState::Playing);
    }
    // Back on the default, the stream follows the desktop's default when it changes.
    e->SetOutputDevice("");
    ASSERT_TRUE(WaitUntil([&] { return StreamSink() == "probe"; }, 5s));
    server_->Pactl("set-default-sink other");
    EXPECT_TRUE(WaitUntil([&] { return StreamSink() == "other"; }, 5s)) << StreamSink();
}

TEST_P(OutputChoiceTest, AMissingOutputFallsBackToTheDefaultAndIsReportedOnce) {
    auto e = Start("unplugged", false);
    ASSERT_TRUE(Play(*e, 10));
    ASSERT_TRUE(WaitUntil([&] { return StreamSink() == "probe"; }, 5s)) << StreamSink();
    ASSERT_TRUE(WaitUntil([&] { return e->HeardSeconds() > 0.3; }, 5s));
    EXPECT_TRUE(e->OutputMissing());
    EXPECT_FALSE(e->OutputMissing());
    // Chosen while playing: the stream stays where it plays, and the player is told.
    e->SetOutputDevice("gone too");
    EXPECT_TRUE(WaitUntil([&] { return e->OutputMissing(); }, 5s));
    EXPECT_EQ(StreamSink(), "probe");
}

INSTANTIATE_TEST_SUITE_P(Servers, OutputChoiceTest, ::testing::ValuesIn(SoundServer::Kinds()),
                         [](const auto& info) { return SoundServer::Name(info.param); });

} // namespace
} // namespace telbo::test
