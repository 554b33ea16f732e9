// Transport commands, the play clock and the position slider against the fake engine.

#include "playback/Transport.h"
#include "PlaybackFixture.h"
#include "ui/Label.h"

#include "ui/ListBox.h"

#include <QApplication>
#include <QFile>
#include <QImage>
#include <QMouseEvent>
#include <QScrollBar>
#include <QTest>
#include <QTimer>

namespace telbo::test {
namespace {

using Cmd = Transport::Command;

class TransportTest : public PlaybackFixture {
protected:
    QString TimeShown() const { return w->ui.lblNowTime->caption(); }
    QScrollBar* Slider() const { return w->ui.sclNowTime; }
    bool ClockOn() const { return w->ui.tmrTime->isActive(); }
    const QString stoppedCaption = QString(QChar(0x266A)) + QStringLiteral("Telbo Ver.1.00");
};

TEST_F(TransportTest, PlayStopPlayRestartsTheSameTrackAndTheClock) {
    CreateWithTracks(3);
    w->st.PlayPoint = 1;
    Click(Cmd::Play);
    EXPECT_EQ(Calls(), QStringList({Open(1), "play"}));
    EXPECT_TRUE(ClockOn());
    EXPECT_EQ(Slider()->maximum(), 180);

    engine.elapsed = 65;
    Tick();
    EXPECT_EQ(TimeShown(), "01:05");
    EXPECT_EQ(Slider()->value(), 65);

    engine.clearCalls();
    Click(Cmd::Stop);
    EXPECT_EQ(Calls(), QStringList({"stop", "close"}));
    EXPECT_FALSE(ClockOn());
    EXPECT_EQ(TimeShown(), "00:00");
    EXPECT_EQ(Slider()->value(), 0);
    EXPECT_EQ(Slider()->maximum(), 0);
    EXPECT_EQ(w->st.PlayPoint, 1);
    EXPECT_EQ(w->windowTitle(), stoppedCaption);

    engine.clearCalls();
    Click(Cmd::Play);
    EXPECT_EQ(Calls(), QStringList({Open(1), "play"}));
    EXPECT_TRUE(ClockOn());
    Tick();
    EXPECT_EQ(TimeShown(), "00:00");
}

TEST_F(TransportTest, PlayOpensOnlySlotsOfTheTrackList) {
    Create();
    Click(Cmd::Play); // empty list
    tracks = MakeTracks(3);
    SetTracks(tracks);
    for (int outside : {-1, -2, 3, 100}) {
        w->st.PlayPoint = static_cast<std::int16_t>(outside);
        Click(Cmd::Play);
    }
    EXPECT_TRUE(Calls().isEmpty()) << Calls().join(" | ").toStdString();
    EXPECT_FALSE(ClockOn());
}

TEST_F(TransportTest, RevStepsBackButNotBeforeTheFirstTrack) {
    CreateWithTracks(5);
    w->st.PlayPoint = 4;
    Click(Cmd::Rev);
    EXPECT_EQ(w->st.PlayPoint, 3);
    EXPECT_EQ(Calls(), QStringList({Open(3), "play"}));

    w->st.PlayPoint = 0;
    engine.clearCalls();
    Click(Cmd::Rev);
    EXPECT_EQ(w->st.PlayPoint, 0);
    EXPECT_EQ(Calls(), QStringList({Open(0), "play"}));

    // From "before the first track" Rev plays nothing and leaves Next its first track.
    w->st.PlayPoint = -1;
    engine.clearCalls();
    Click(Cmd::Rev);
    EXPECT_EQ(w->st.PlayPoint, -1);
    EXPECT_TRUE(Calls().isEmpty());
    Click(Cmd::Next);
    EXPECT_EQ(Calls(), QStringList({Open(0), "play"}));
}

TEST_F(TransportTest, RevSkipsMissingTracksBackwardsAndFollowsARemovedPlayingRow) {
    CreateWithTracks(6);
    w->collections.RefreshLists();
    // The playing track's row removed: Rev plays the row before it, not one further back
    // and not the row that moved into its place.
    w->st.PlayPoint = 3;
    Click(Cmd::Play);
    w->ui.lstFile[1]->setCurrentRow(3);
    w->listEditor.lblListSet_Click(1); // "Del": rows t1 t2 t3 t5 t6
    engine.clearCalls();
    Click(Cmd::Rev);
    EXPECT_EQ(w->st.PlayPoint, 2);
    EXPECT_EQ(Calls(), QStringList({Open(2), "play"}));

    QFile::remove(tracks[1]);
    QFile::remove(tracks[2]);
    w->st.PlayPoint = 3;
    engine.clearCalls();
    Click(Cmd::Rev);
    EXPECT_EQ(w->st.PlayPoint, 0);
    EXPECT_EQ(Calls(), QStringList({Open(0), "play"}));

    // Nothing earlier is there: the current track again, as on the first track.
    QFile::remove(tracks[0]);
    w->st.PlayPoint = 3;
    engine.clearCalls();
    Click(Cmd::Rev);
    EXPECT_EQ(w->st.PlayPoint, 3);
    EXPECT_EQ(Calls(), QStringList({Open(4), "play"}));
}

TEST_F(TransportTest, PauseFollowsTheStateOfTheLastTick) {
    CreateWithTracks(2);
    Click(Cmd::Pause); // nothing has played
    EXPECT_TRUE(Calls().isEmpty());

    Click(Cmd::Play);
    engine.elapsed = 12;
    Tick();
    engine.clearCalls();
    Click(Cmd::Pause);
    EXPECT_EQ(Calls(), QStringList({"pause"}));

    // Paused: the tick leaves the display alone even if the engine reports another time.
    engine.elapsed = 14;
    Tick();
    EXPECT_EQ(w->st.PlayState, PlaybackState::Paused);
    EXPECT_EQ(TimeShown(), "00:12");
    EXPECT_EQ(Slider()->value(), 12);

    engine.clearCalls();
    Click(Cmd::Pause);
    EXPECT_EQ(Calls(), QStringList({"resume"}));
    Tick();
    EXPECT_EQ(w->st.PlayState, PlaybackState::Playing);

    // Stop keeps the last state read, so Pause still sends a pause to a closed engine.
    Click(Cmd::Stop);
    engine.clearCalls();
    Click(Cmd::Pause);
    EXPECT_EQ(Calls(), QStringList({"pause"}));
}

TEST_F(TransportTest, TimeLabelShowsTheTrueTimeWhileTheSliderStaysInRange) {
    CreateWithTracks(3);
    engine.lengths[tracks[0].toStdString()] = 3725;
    engine.lengths[tracks[1].toStdString()] = 40000;
    engine.lengths[tracks[2].toStdString()] = 100;

    Click(Cmd::Play);
    EXPECT_EQ(Slider()->maximum(), 3725);
    engine.elapsed = 3725;
    Tick();
    EXPECT_EQ(TimeShown(), "62:05");
    EXPECT_EQ(Slider()->value(), 3725);

    w->st.PlayPoint = 1; // longer than the slider can count
    Click(Cmd::Play);
    EXPECT_EQ(Slider()->maximum(), 32767);
    engine.elapsed = 36000;
    Tick();
    EXPECT_EQ(TimeShown(), "600:00");
    EXPECT_EQ(Slider()->value(), 32767);

    w->st.PlayPoint = 2; // the engine runs past the announced length
    Click(Cmd::Play);
    engine.elapsed = 130;
    Tick();
    EXPECT_EQ(TimeShown(), "02:10");
    EXPECT_EQ(Slider()->value(), 100);
}

TEST_F(TransportTest, IntroStopsEachTrackAndTheNextTickMovesOn) {
    CreateWithTracks(3);
    w->st.IntroTime = 10;
    Click(Cmd::Play);
    engine.elapsed = 9;
    Tick();
    engine.clearCalls();
    engine.elapsed = 10;
    Tick();
    EXPECT_EQ(Calls(), QStringList({"stop"}));
    EXPECT_EQ(TimeShown(), "00:10");

    engine.clearCalls();
    Tick();
    EXPECT_EQ(Calls(), QStringList({Open(1), "play"}));
    EXPECT_EQ(w->st.PlayPoint, 1);

    // The check runs while paused too.
    engine.elapsed = 5;
    Tick();
    Click(Cmd::Pause);
    Tick();
    ASSERT_EQ(w->st.PlayState, PlaybackState::Paused);
    engine.clearCalls();
    engine.elapsed = 12;
    Tick();
    EXPECT_EQ(Calls(), QStringList({"stop"}));
}

TEST_F(TransportTest, EndedTrackIsFollowedByTheNextOrRepeatedInRepert) {
    CreateWithTracks(3);
    Click(Cmd::Play);
    Tick();
    engine.state = PlaybackState::Stopped; // the track ended
    engine.clearCalls();
    Tick();
    EXPECT_EQ(Calls(), QStringList({Open(1), "play"}));

    w->st.PlayTypeFlag = PlayMode::Repert;
    engine.state = PlaybackState::Stopped;
    engine.clearCalls();
    Tick();
    EXPECT_EQ(Calls(), QStringList({Open(1), "play"}));
    EXPECT_EQ(w->st.PlayPoint, 1);

    engine.clearCalls();
    Click(Cmd::Next); // the button still advances
    EXPECT_EQ(Calls(), QStringList({Open(2), "play"}));
    EXPECT_EQ(w->st.PlayPoint, 2);
}

TEST_F(TransportTest, UnplayableTrackIsSkippedWithinATick) {
    CreateWithTracks(3);
    engine.unplayable.insert(tracks[0].toStdString());
    Click(Cmd::Play);
    EXPECT_TRUE(ClockOn());
    engine.clearCalls();
    Tick();
    EXPECT_EQ(Calls(), QStringList({Open(1), "play"}));
}

TEST_F(TransportTest, ThumbFillsTheSliderAndPressesOrDragsSeek) {
    CreateWithTracks(1);
    Click(Cmd::Play); // 180 s
    engine.elapsed = 30;
    Tick(); // moves the thumb from code
    Slider()->triggerAction(QAbstractSlider::SliderPageStepAdd);
    EXPECT_TRUE(engine.callsStartingWith("seek").isEmpty());

    // Every column the thumb covers in the middle row, it covers from top to bottom.
    const QImage shot = Slider()->grab().toImage();
    const int middle = shot.height() / 2;
    const QRgb trough = shot.pixel(shot.width() - 2, middle);
    int thumbColumns = 0;
    for (int x = 0; x < shot.width(); ++x) {
        if (shot.pixel(x, middle) == trough) continue;
        ++thumbColumns;
        for (int y = 0; y < shot.height(); ++y)
            ASSERT_NE(shot.pixel(x, y), trough) << x << "," << y;
    }
    EXPECT_GT(thumbColumns, shot.height());

    // A press on the trough brings the thumb's middle there and seeks; dragging on seeks on.
    const QPoint threeQuarters(Slider()->width() * 3 / 4, middle);
    QTest::mousePress(Slider(), Qt::LeftButton, {}, threeQuarters);
    ASSERT_EQ(engine.callsStartingWith("seek").size(), 1);
    EXPECT_NEAR(engine.callsStartingWith("seek")[0].mid(5).toInt(), 135, 3);
    QMouseEvent move(QEvent::MouseMove, QPointF(Slider()->width() + 50, middle),
                     Slider()->mapToGlobal(QPointF(Slider()->width() + 50, middle)), Qt::NoButton,
                     Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(Slider(), &move);
    QTest::mouseRelease(Slider(), Qt::LeftButton, {}, QPoint(Slider()->width() + 50, middle));
    EXPECT_EQ(engine.callsStartingWith("seek").last(), "seek 180");
    EXPECT_FALSE(Slider()->isSliderDown());
}

TEST_F(TransportTest, StopShowsTheIdleCaptionWhateverPlayed) {
    CreateWithTracks(2);
    Click(Cmd::Play);
    w->setWindowTitle(QStringLiteral("some track - Telbo"));
    Click(Cmd::Stop);
    EXPECT_EQ(w->windowTitle(), stoppedCaption);
}

TEST_F(TransportTest, ClockShowsTheLengthAndSwitchesToTheTimeLeft) {
    CreateWithTracks(2);
    engine.lengths[tracks[0].toStdString()] = 250;
    Click(Cmd::Play);
    engine.state = PlaybackState::Playing;
    engine.elapsed = 62;
    Tick();
    EXPECT_EQ(TimeShown(), "01:02");
    emit w->ui.lblNowTime->clicked();
    engine.elapsed = 70;
    Tick();
    EXPECT_EQ(TimeShown(), "-03:00");
    for (QWidget* shown :
         {static_cast<QWidget*>(w->ui.lblNowTime), static_cast<QWidget*>(Slider())})
        EXPECT_TRUE(shown->toolTip().startsWith("01:10 / 04:10\n"));
    Click(Cmd::Stop); // nothing open: nothing to count down
    EXPECT_EQ(TimeShown(), "00:00");
    Click(Cmd::Play); // the new track from its whole length
    EXPECT_EQ(TimeShown(), "-04:10");
    w->transport.SetShowRemaining(false);
    EXPECT_EQ(TimeShown(), "00:00");
}

TEST_F(TransportTest, PlayOnAnEmptyListSaysWhatToDo) {
    Create();
    Click(Cmd::Play);
    EXPECT_EQ(w->ui.lblTitle[0]->caption(), "Nothing to play: Open or drop files");
    EXPECT_EQ(w->ui.lblPoint[0]->caption() + " / " + w->ui.lblPoint[1]->caption(), "0 / 0");
}

// Paused, the clock rests; Resume or a seek (past the intro's end) wakes it, and it still
// queues the following track and lets the sleep timer count the end.
TEST_F(TransportTest, TheClockRestsWhilePausedAndWakesForWhatCanFallDue) {
    struct Case {
        int intro, sleepCount, pauseAt, seekTo; // seekTo 0: Resume
        QString callAfter;                      // what the woken clock has the engine do
    } cases[] = {{0, 0, 175, 0, "queueNext"}, {0, 1, 175, 0, "close"}, {10, 0, 6, 12, "stop"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.callAfter.toStdString());
        CreateWithTracks(3);
        w->st.IntroTime = static_cast<std::int16_t>(c.intro);
        w->sleepTimer.cmbTimer_Click(0); // MusicStop
        w->ui.sclConfig[4]->setValue(c.sleepCount);
        Click(Cmd::Play);
        engine.elapsed = 5;
        Tick();
        engine.elapsed = c.pauseAt; // of 180: 175 comes before the following track is queued
        Click(Cmd::Pause);
        Tick();
        EXPECT_FALSE(ClockOn());
        EXPECT_EQ(TimeShown(), "00:05");
        engine.clearCalls();
        if (c.seekTo > 0)
            w->transport.SeekTo(c.seekTo);
        else
            Click(Cmd::Pause);
        if (c.sleepCount > 0) engine.state = PlaybackState::Stopped; // played to its end
        ASSERT_TRUE(ClockOn());
        Tick();
        EXPECT_EQ(engine.calls.filter(c.callAfter).size(), 1)
            << engine.calls.join(" | ").toStdString();
    }
}

} // namespace
} // namespace telbo::test
