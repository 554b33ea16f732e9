// The whole player with the real engine: generated audio files played through the null sink
// faster than real time, the play clock running on its own timer, start-up from a real
// config.ini in the program folder. What is checked is what a listener would notice: which
// tracks played, in which order, each to its end, and where the player came to rest.

#include "FakePlatform.h"
#include "Mp3Fixture.h"
#include "RecordingEngine.h"
#include "support/AudioFixture.h"

#include "core/SettingsFile.h"
#include "engine/Engine.h"
#include "tags/TagFiles.h"
#include "playlist/ListFileFormat.h"
#include "ui/Label.h"
#include "ui/Layout.h"
#include "ui/ListBox.h"
#include "ui/Telbo.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QElapsedTimer>
#include <QFile>
#include <QScrollBar>
#include <QTest>
#include <QTimer>

#include <memory>
#include <string>
#include <tuple>
#include <vector>

using namespace telbo;
using namespace telbo::test;

namespace {

using Names = std::vector<std::string>;

const QString kIdleCaption = QStringLiteral("♪") + QString::fromUtf8(kCaption);

class EndToEnd : public ::testing::Test {
protected:
    // 25 times real time: a 2 s track ends after 80 ms, inside one 100 ms clock tick.
    static Engine::Options Fast() {
        Engine::Options o;
        o.nullAudio = true;
        o.nullSpeedup = 25;
        return o;
    }

    FakePlatform platform;
    Engine engine{Fast()};
    RecordingEngine recorder{engine};
    tags::TagFiles tagFiles;
    std::unique_ptr<Telbo> w;

    QString Track(const std::string& name, double seconds, int rate = 44100, int channels = 2) {
        ToneSpec tone;
        tone.seconds = seconds;
        tone.sampleRate = rate;
        tone.channels = channels;
        return QString::fromStdString(
            WriteToneMp3(platform.dir.path().toStdString(), name, tone).string());
    }

    QString Audio(const std::string& name, Container container, double seconds, int rate = 44100,
                  int channels = 2) {
        AudioSpec a;
        a.container = container;
        a.sampleRate = rate;
        a.channels = channels;
        a.frames = std::llround(seconds * rate);
        return QString::fromStdString(
            WriteAudio(platform.dir.path().toStdString(), name, a).string());
    }

    QString ListFile(const QString& name, const QStringList& tracks) {
        return platform.makeFile(name, WriteListFile(tracks));
    }

    // A config.ini as the player itself writes it, holding `st` and the title template.
    void WriteConfig(const PlayerState& st, const QString& titleTemplate = QStringLiteral("%0")) {
        QFile f(platform.path(QStringLiteral("config.ini")));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(WriteSettingsText({&st, 1500, 1500, kDefaultFormSmallWidth, titleTemplate}));
    }

    QByteArray ReadConfig() const {
        QFile f(platform.path(QStringLiteral("config.ini")));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

    QStringList Rows() const {
        QStringList rows;
        for (int i = 0; i < w->ui.lstFile[1]->count(); ++i)
            rows << w->ui.lstFile[1]->item(i)->text();
        return rows;
    }

    static PlayerState WithTracks(const QStringList& tracks) {
        PlayerState st;
        for (int i = 0; i < tracks.size(); ++i)
            st.TitleFiles[i] = tracks[i];
        st.KO = static_cast<std::int16_t>(tracks.size());
        st.Volume = 100;
        st.PlaySpeed = 100;
        st.ScrollSpeed = -100;
        return st;
    }

    // As the program's entry point does it.
    void Start() {
        w = std::make_unique<Telbo>(recorder, tagFiles, platform);
        w->lifecycle.StartUp();
        w->show();
    }

    // Runs the event loop (the play clock included) until `done`, at most `ms`.
    template <class Done> static bool WaitFor(Done done, int ms = 10000) {
        QElapsedTimer clock;
        clock.start();
        while (!done()) {
            if (clock.elapsed() > ms) return false;
            QTest::qWait(10);
        }
        return true;
    }

    bool WaitUntilStopped() {
        return WaitFor([this] { return !w->ui.tmrTime->isActive(); });
    }

    std::string Played() const {
        std::string out;
        for (const auto& p : recorder.played)
            out += p.name + " (" + std::to_string(p.heardSeconds) + " s) ";
        return out;
    }

    // Nothing open, the clock off, the displays at rest.
    void ExpectIdle() {
        std::int32_t elapsed = -1;
        EXPECT_EQ(engine.State(elapsed), PlaybackState::Stopped);
        EXPECT_FALSE(w->ui.tmrTime->isActive());
        EXPECT_EQ(w->ui.lblNowTime->caption(), QStringLiteral("00:00"));
        EXPECT_EQ(w->ui.sclNowTime->maximum(), 0);
        EXPECT_EQ(w->windowTitle(), kIdleCaption);
    }

    void TearDown() override { w.reset(); }
};

TEST_F(EndToEnd, NormalWithStopPlaysAMixedListThroughWithoutGapsAndRestsOnTheFirstTrack) {
    // Four formats, rates and channel counts: each track follows the one before in the same
    // output, the clock doing a natural end's bookkeeping at the instant it is heard.
    // The second is the longest: after the seek below, the clock has 11 s of it (440 ms at
    // this speed) to queue the third before the decoder reaches its end, a margin that holds
    // on a loaded machine.
    const QStringList tracks{Track("t1.mp3", 6.0), Audio("t2.flac", Container::Flac, 12.0, 22050, 1),
                             Audio("t3.wav", Container::Wav, 6.0, 48000),
                             Audio("t4.opus", Container::Opus, 6.0)};
    PlayerState st = WithTracks(tracks);
    st.PlayTypeFlag = PlayMode::Normal;
    st.NextTypeFlag = ListEndAction::Stop;
    WriteConfig(st);
    Start();
    // Track, counter, title line and slider range, as each change is announced.
    using Change = std::tuple<int, std::string, std::string, int>;
    std::vector<Change> changes;
    QObject::connect(w.get(), &Telbo::trackChanged, w.get(), [&] {
        changes.emplace_back(w->st.PlayPoint, w->ui.lblPoint[0]->caption().toStdString(),
                             w->ui.lblTitle[0]->caption().toStdString(), w->ui.sclNowTime->maximum());
    });

    emit w->ui.lblPlaySet[0]->clicked();
    ASSERT_TRUE(WaitUntilStopped()) << Played();

    ASSERT_EQ(recorder.Names(), (Names{"t1.mp3", "t2.flac", "t3.wav", "t4.opus"}));
    for (std::size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(recorder.played[i].joined, i > 0) << recorder.played[i].name;
        EXPECT_NEAR(recorder.played[i].heardSeconds, i == 1 ? 12.0 : 6.0, 0.15)
            << recorder.played[i].name;
    }
    const std::vector<Change> expected{{0, "1", "t1.mp3", 6}, {1, "2", "t2.flac", 12},
                                       {2, "3", "t3.wav", 6},  {3, "4", "t4.opus", 6},
                                       {0, "1", "t1.mp3", 0}};
    EXPECT_EQ(changes, expected);
    EXPECT_EQ(w->st.PlayPoint, 0);
    ExpectIdle();

    // A click while the next track is queued drops it: "Next" opens it the plain way.
    emit w->ui.lblPlaySet[0]->clicked();
    ASSERT_TRUE(WaitFor([this] { return recorder.Queued() == "t2.flac"; })) << Played();
    emit w->ui.lblPlaySet[3]->clicked();
    ASSERT_TRUE(WaitFor([this] { return recorder.Queued() == "t3.wav"; })) << Played();
    // So does a seek; the clock then chooses afresh and queues it again.
    w->transport.SeekTo(1);
    EXPECT_EQ(recorder.Queued(), "");
    ASSERT_TRUE(WaitFor([this] { return recorder.played.size() >= 7; })) << Played();
    const Names names = recorder.Names();
    EXPECT_EQ(Names(names.begin() + 4, names.begin() + 7), (Names{"t1.mp3", "t2.flac", "t3.wav"}));
    EXPECT_FALSE(recorder.played[5].joined);
    EXPECT_TRUE(recorder.played[6].joined) << Played();
    EXPECT_NEAR(recorder.played[5].heardSeconds, 12.0, 0.15);
    emit w->ui.lblPlaySet[1]->clicked();
    ExpectIdle();
}

TEST_F(EndToEnd, NextListMovesToTheSecondListAndPlaysItsFirstTrack) {
    const QStringList a{Track("a1.mp3", 1.0), Track("a2.mp3", 1.0)};
    const QStringList b{Track("b1.mp3", 2.0), Track("b2.mp3", 2.0)};
    PlayerState st = WithTracks(a);
    st.ListFiles[0] = ListFile(QStringLiteral("A.m3u"), a);
    st.ListFiles[1] = ListFile(QStringLiteral("B.m3u"), b);
    st.ListKO = 2;
    st.ListPoint = 0;
    st.NextTypeFlag = ListEndAction::NextList;
    st.AutoPlay = true;
    WriteConfig(st);
    Start();
    EXPECT_EQ(recorder.Names(), (Names{"a1.mp3"})) << "auto-play starts the stored track";

    ASSERT_TRUE(WaitFor([this] { return recorder.played.size() >= 3; })) << Played();

    const Names names = recorder.Names();
    ASSERT_EQ(Names(names.begin(), names.begin() + 3), (Names{"a1.mp3", "a2.mp3", "b1.mp3"}));
    EXPECT_NEAR(recorder.played[0].heardSeconds, 1.0, 0.15);
    EXPECT_NEAR(recorder.played[1].heardSeconds, 1.0, 0.15);
    EXPECT_EQ(w->st.ListPoint, 1);
    ASSERT_EQ(w->st.KO, 2);
    EXPECT_EQ(w->st.TitleFiles[0], b[0]);
    EXPECT_EQ(w->st.TitleFiles[1], b[1]);
    EXPECT_TRUE(w->st.TitleFiles[2].isEmpty());
    ASSERT_EQ(w->ui.lstFile[1]->count(), 2);
    EXPECT_EQ(w->ui.lstFile[1]->item(0)->text(), QStringLiteral("b1"));
    EXPECT_EQ(w->ui.lstFile[1]->item(1)->text(), QStringLiteral("b2"));
    EXPECT_EQ(w->ui.lblTitle[1]->caption(), QStringLiteral("B"));
    EXPECT_TRUE(w->ui.tmrTime->isActive());

    emit w->ui.lblPlaySet[1]->clicked();
    ExpectIdle();
}

TEST_F(EndToEnd, SleepTimerMusicStopEndsTheMusicAfterTwoFinishedTracks) {
    // Long enough for the clock to queue the second track; never the third.
    const QStringList tracks{Track("t1.mp3", 6.0), Track("t2.mp3", 6.0), Track("t3.mp3", 6.0)};
    PlayerState st = WithTracks(tracks);
    st.NextTypeFlag = ListEndAction::Repert; // without the timer the music would go on for ever
    WriteConfig(st);
    Start();

    w->ui.sclConfig[4]->setValue(2);
    w->ui.cmbTimer->setCurrentIndex(0);
    emit w->ui.cmbTimer->activated(0);
    ASSERT_EQ(w->st.TimerCount, 2);
    ASSERT_EQ(w->ui.lblConfValue[9]->caption(), QStringLiteral("MusicStop"));

    ListBox* list = w->ui.lstFile[1];
    list->setCurrentRow(0);
    emit list->itemDoubleClicked(list->item(0));
    ASSERT_TRUE(WaitUntilStopped()) << Played();

    ASSERT_EQ(recorder.Names(), (Names{"t1.mp3", "t2.mp3"}));
    EXPECT_TRUE(recorder.played[1].joined);
    for (const auto& p : recorder.played)
        EXPECT_NEAR(p.heardSeconds, 6.0, 0.15) << p.name;
    EXPECT_EQ(w->st.TimerCount, 0);
    EXPECT_EQ(w->ui.lblConfValue[4]->caption(), QStringLiteral("Off"));
    EXPECT_EQ(w->st.PlayPoint, 1);
    ExpectIdle();

    // Stopped for good: the third track never comes.
    QTest::qWait(500);
    EXPECT_EQ(recorder.played.size(), 2u);
}

TEST_F(EndToEnd, IntroModeCutsLongTracksAndSkipsNoneThatEndedSoonAfterTheIntro) {
    // A clock tick (100 ms) is 2.5 s of track time here: the short tracks pass the 1 s intro
    // and end before a tick sees them playing; the tick after that finds them stopped.
    const QStringList tracks{Track("t1.mp3", 1.6), Track("t2.mp3", 1.6), Track("long.mp3", 20.0),
                             Track("t4.mp3", 1.6)};
    PlayerState st = WithTracks(tracks);
    st.NextTypeFlag = ListEndAction::Stop; // Stop at the end of the list
    WriteConfig(st);
    Start();
    w->ui.sclConfig[3]->setValue(1);
    ASSERT_EQ(w->st.IntroTime, 1);

    emit w->ui.lblPlaySet[0]->clicked();
    ASSERT_TRUE(WaitUntilStopped()) << Played();

    // Each track opened once, in order, and heard at least up to the intro time: none was
    // stopped at once by the time where the one before it ended.
    ASSERT_EQ(recorder.Names(), (Names{"t1.mp3", "t2.mp3", "long.mp3", "t4.mp3"})) << Played();
    for (const auto& p : recorder.played) {
        EXPECT_GE(p.heardSeconds, 1.0) << Played();
        EXPECT_FALSE(p.joined) << "the intro mode stops every track";
    }
    EXPECT_LT(recorder.played[2].heardSeconds, 10.0) << "the intro cuts the long track";
    ExpectIdle();
}

TEST_F(EndToEnd, CommandLineTrackReplacesTheAutoPlayedOneAndPlaysToItsEnd) {
    // Long enough that start-up cannot get through it on a slow machine before replacing it.
    const QString stored = Track("stored.mp3", 20.0);
    const QString given = Track("given.mp3", 2.0);
    WriteTags(given.toStdString(), TagSpec{"Given Song", "Band", "", "", "", 0, 4, false, false});
    PlayerState st = WithTracks({stored});
    st.AutoPlay = true;
    WriteConfig(st, QStringLiteral("%1"));
    platform.arguments = QStringList{given};
    Start();

    // Start-up itself played the stored track, then the given one in its place.
    EXPECT_EQ(recorder.Names(), (Names{"stored.mp3", "given.mp3"}));
    EXPECT_TRUE(w->ui.tmrTime->isActive());
    EXPECT_EQ(w->st.KO, 2);
    EXPECT_EQ(w->st.PlayPoint, 1);
    EXPECT_EQ(w->ui.lstFile[1]->currentRow(), 1);
    EXPECT_EQ(w->windowTitle(), QStringLiteral("♪Given Song"));

    ASSERT_TRUE(WaitUntilStopped()) << Played();
    ASSERT_EQ(recorder.Names(), (Names{"stored.mp3", "given.mp3"}));
    EXPECT_LT(recorder.played[0].heardSeconds, 10.0); // cut short, not played through
    EXPECT_NEAR(recorder.played[1].heardSeconds, 2.0, 0.15);
    EXPECT_EQ(w->st.PlayPoint, 0); // the end of the list: Stop, on the first track
    ExpectIdle();
}

TEST_F(EndToEnd, MissingSavedTracksStayAndAutoPlayStartsOnlyTheSavedCurrentTrack) {
    // A track on a drive that is not mounted yet, before the one that was playing.
    const QStringList tracks{platform.path(QStringLiteral("unmounted.mp3")), Track("t2.mp3", 5.0),
                             Track("t3.mp3", 5.0)};
    PlayerState st = WithTracks(tracks);
    st.PlayPoint = 2;
    st.AutoPlay = true;
    st.ConfigSave = true;
    WriteConfig(st);
    const QByteArray saved = ReadConfig();
    Start();

    EXPECT_EQ(recorder.Names(), (Names{"t3.mp3"}));
    EXPECT_TRUE(w->ui.tmrTime->isActive());
    EXPECT_EQ(w->st.PlayPoint, 2);
    EXPECT_EQ(Rows(), (QStringList{"unmounted", "t2", "t3"}));
    EXPECT_EQ(w->ui.lblPoint[0]->caption() + u'/' + w->ui.lblPoint[1]->caption(), "3/3");
    w->close();
    EXPECT_EQ(ReadConfig(), saved); // nothing in the run changed it

    // The saved current track itself missing: nothing plays in its place, nothing goes.
    w.reset();
    recorder.played.clear();
    st.PlayPoint = 0;
    WriteConfig(st);
    Start();
    EXPECT_TRUE(recorder.Names().empty());
    EXPECT_EQ(w->st.KO, 3);
    EXPECT_EQ(w->st.PlayPoint, 0);
}

TEST_F(EndToEnd, AListNamedOnTheCommandLineThatCannotBeReadKeepsTheTracks) {
    const QStringList tracks{Track("t1.mp3", 5.0), Track("t2.mp3", 2.0)};
    PlayerState st = WithTracks(tracks);
    st.AutoPlay = true;
    WriteConfig(st);
    platform.arguments = QStringList{platform.path(QStringLiteral("typo.m3u"))};
    Start();

    EXPECT_EQ(recorder.Names(), (Names{"t1.mp3"}));
    EXPECT_TRUE(w->ui.tmrTime->isActive());
    ASSERT_EQ(w->st.KO, 2);
    EXPECT_EQ(w->st.TitleFiles[0], tracks[0]);
    EXPECT_EQ(w->st.TitleFiles[1], tracks[1]);
    EXPECT_EQ(w->st.PlayPoint, 0);
    EXPECT_EQ(Rows(), (QStringList{"t1", "t2"}));
}

TEST_F(EndToEnd, DeletingRowsWhilePlayingKeepsNextOnTheTrackThatFollows) {
    QStringList tracks;
    for (int i = 1; i <= 6; ++i)
        tracks << Track("t" + std::to_string(i) + ".mp3", 5.0);
    PlayerState st = WithTracks(tracks);
    st.PlayPoint = 3;
    st.AutoPlay = true;
    WriteConfig(st);
    Start();
    ASSERT_EQ(recorder.Names(), (Names{"t4.mp3"}));
    ListBox* list = w->ui.lstFile[1];
    const auto counter = [this] {
        return w->ui.lblPoint[0]->caption() + u'/' + w->ui.lblPoint[1]->caption();
    };

    list->setCurrentRow(0); // a row above the playing one
    emit w->ui.lblListSet[1]->clicked();
    EXPECT_EQ(counter(), "3/5");
    list->setCurrentRow(2); // the playing row itself
    emit w->ui.lblListSet[1]->clicked();
    EXPECT_EQ(Rows(), (QStringList{"t2", "t3", "t5", "t6"}));
    EXPECT_EQ(recorder.Names(), (Names{"t4.mp3"})); // still playing

    emit w->ui.lblPlaySet[3]->clicked();
    EXPECT_EQ(recorder.Names(), (Names{"t4.mp3", "t5.mp3"}));
    EXPECT_EQ(counter(), "3/4");
    EXPECT_TRUE(w->ui.tmrTime->isActive());
}

} // namespace
