// The player's memory with the real engine: the equalizer saved in telbo.ini is heard from the
// first sample of the next start, and the position comes back after an orderly shut-down and
// after the process died without one.

#include "CaptureSink.h"
#include "FakePlatform.h"
#include "support/AudioFixture.h"

#include "core/SessionFile.h"
#include "core/SettingsFile.h"
#include "engine/Engine.h"
#include "tags/TagFiles.h"
#include "ui/Telbo.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QFile>
#include <QTest>
#include <QTimer>

#include <cmath>
#include <memory>

using namespace telbo;
using namespace telbo::test;

namespace {

class SessionEndToEnd : public ::testing::Test {
protected:
    FakePlatform platform;
    CaptureSink* sink = nullptr; // the engine's, while it lives
    std::unique_ptr<Engine> engine;
    tags::TagFiles tagFiles;
    std::unique_ptr<Telbo> w;

    void SetUp() override {
        Engine::Options o;
        o.makeSink = [this](engine::Playhead& p) {
            auto s = std::make_unique<CaptureSink>(p);
            sink = s.get();
            return s;
        };
        engine = std::make_unique<Engine>(o);
    }
    void TearDown() override {
        w.reset();
        engine.reset();
    }

    QString Tone(double hz, double seconds, int rate) {
        AudioSpec a;
        a.sampleRate = rate;
        a.channels = 1;
        a.frames = std::llround(seconds * rate);
        a.frequencies = {hz};
        return QString::fromStdString(
            WriteAudio(platform.dir.path().toStdString(), "tone.wav", a).string());
    }
    void Config(const QString& track) {
        PlayerState st;
        st.TitleFiles[0] = track;
        st.KO = 1;
        st.Volume = 100;
        st.PlaySpeed = 100;
        st.ScrollSpeed = -100;
        st.ConfigSave = true;
        st.AutoPlay = true;
        QFile f(platform.path(QStringLiteral("config.ini")));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(WriteSettingsText({&st, 1500, 1500, kDefaultFormSmallWidth, QStringLiteral("%0")}));
    }
    void Start() {
        w = std::make_unique<Telbo>(*engine, tagFiles, platform);
        w->lifecycle.StartUp();
        w->show();
    }
    template <class Done> static bool WaitFor(Done done, int ms = 10000) {
        QElapsedTimer clock;
        clock.start();
        while (!done()) {
            if (clock.elapsed() > ms) return false;
            QTest::qWait(10);
        }
        return true;
    }
    int Elapsed() {
        std::int32_t s = -1;
        engine->State(s);
        return s;
    }
};

// RMS of the middle half of what the sink took, in dB.
double LevelDb(const std::vector<float>& samples) {
    const std::size_t from = samples.size() / 4, to = samples.size() * 3 / 4;
    double sum = 0;
    for (std::size_t i = from; i < to; ++i) sum += double(samples[i]) * samples[i];
    return 10 * std::log10(sum / double(std::max<std::size_t>(to - from, 1)));
}

TEST_F(SessionEndToEnd, TheSavedEqualizerIsHeardFromTheFirstSample) {
    const QString track = Tone(1000, 2.0, 44100);
    Config(track);
    double level[2] = {};
    for (const bool on : {false, true}) {
        SessionSettings s;
        s.EqualizerOn = on;
        s.Equalizer[4] = -120; // the 1 kHz band at -12 dB
        ASSERT_TRUE(WriteSessionFile(platform.path(QStringLiteral("telbo.ini")), s));
        SetUp();
        Start();
        ASSERT_TRUE(WaitFor([this] { return !w->ui.tmrTime->isActive(); }));
        ASSERT_NE(sink, nullptr);
        const std::vector<float> heard = sink->Captured();
        ASSERT_GT(heard.size(), 44100u * 2);
        level[on] = LevelDb(heard);
        w->close();
        TearDown();
    }
    EXPECT_NEAR(level[1] - level[0], -12.0, 1.5);
}

TEST_F(SessionEndToEnd, PositionComesBackAfterShutDownAndAfterADeathWithoutOne) {
    Config(Tone(440, 120.0, 8000));
    Start();
    ASSERT_TRUE(WaitFor([this] { return w->transport.status() == Transport::Status::Playing; }));
    sink->held = true; // time stands still where the test puts it
    w->transport.SeekTo(40);
    w->transport.PauseTrack();
    w->close(); // the orderly way: shut-down saves
    w.reset();

    Start();
    EXPECT_EQ(w->transport.status(), Transport::Status::Paused);
    EXPECT_EQ(Elapsed(), 40);
    sink->held = true;
    w->transport.ResumeTrack();
    w->transport.SeekTo(75);
    // Saved once the thumb rests (a drag is not written at every step).
    ASSERT_TRUE(WaitFor([this] {
        return ReadSessionFile(platform.path(QStringLiteral("telbo.ini"))).Second >= 75;
    }));
    // Gone without a shut-down, long after the start-up (whose crash would stop auto-play):
    // only what was saved on the way counts.
    w->session.StartedSafely();
    w.reset();
    engine->Stop();

    Start();
    EXPECT_EQ(w->transport.status(), Transport::Status::Playing);
    EXPECT_GE(Elapsed(), 75);
    EXPECT_LT(Elapsed(), 80);
}

} // namespace
