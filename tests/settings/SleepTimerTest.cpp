// The sleep timer counting finished tracks, its three actions, and the power-off countdown.
#include "TelboFixture.h"

#include "settings/PowerOffDialog.h"
#include "ui/Label.h"

#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QPointer>
#include <QPushButton>
#include <QScrollBar>
#include <QTimer>
#include <QWindow>

namespace telbo::test {
namespace {

class SleepTimerTest : public TelboFixture {
protected:
    void SetUp() override { Start(); }

    // Arms the timer the way the user does: type from the list, count on the slider.
    void Arm(int count, int type) {
        w->sleepTimer.cmbTimer_Click(type);
        w->ui.sclConfig[4]->setValue(count);
    }
    void PlayFirst(int tracks) {
        paths = MakeTracks(tracks);
        SetTracks(paths);
        w->st.PlayPoint = 0;
        w->transport.lblPlaySet_Click(0);
        Tick();
    }
    // A tick of the play clock, as the running clock would give one.
    void Tick() {
        if (w->ui.tmrTime->isActive()) w->transport.tmrTime_Timer();
    }
    // The current track plays to its end; the next tick notices.
    void EndTrack() {
        engine.state = PlaybackState::Stopped;
        Tick();
    }
    QStringList Opened() const { return engine.callsStartingWith(QStringLiteral("open ")); }
    QString Open(int i) const { return QStringLiteral("open ") + paths[i]; }
    QString TimerText() const { return w->ui.lblConfValue[4]->caption(); }
    // The engine was stopped and closed after the last track started.
    bool StoppedAfterLastPlay() const {
        const qsizetype play = engine.calls.lastIndexOf(QStringLiteral("play"));
        return engine.calls.lastIndexOf(QStringLiteral("stop")) > play &&
               engine.calls.lastIndexOf(QStringLiteral("close")) > play;
    }

    QStringList paths;
};

TEST_F(SleepTimerTest, MusicStopStopsAfterTheTrackAndNothingMorePlays) {
    Arm(1, 0);
    PlayFirst(3);
    EndTrack();
    EXPECT_EQ(w->st.TimerCount, 0);
    EXPECT_EQ(TimerText(), QStringLiteral("Off"));
    EXPECT_EQ(Color(w->ui.lblConfValue[4]), QStringLiteral("#808080"));
    EXPECT_EQ(w->ui.sclConfig[4]->value(), 0);
    EXPECT_FALSE(w->ui.tmrTime->isActive());
    for (int i = 0; i < 5; ++i)
        Tick();
    EXPECT_EQ(Opened(), QStringList{Open(0)});
    EXPECT_TRUE(StoppedAfterLastPlay()) << engine.calls.join(u' ').toStdString();
    EXPECT_EQ(platform.endProgramCalls, 0);
    EXPECT_FALSE(w->form2);
}

TEST_F(SleepTimerTest, PlayerEndClosesAfterTheThirdTrackAndSaves) {
    w->ui.lblConfValue[5]->clicked(); // ConfigSave on
    Arm(3, 1);
    PlayFirst(5);
    EndTrack();
    EXPECT_EQ(TimerText(), QStringLiteral("2"));
    Tick();
    EndTrack();
    EXPECT_EQ(TimerText(), QStringLiteral("1"));
    EXPECT_EQ(platform.endProgramCalls, 0);
    EXPECT_FALSE(QFile::exists(platform.path(QStringLiteral("config.ini"))));
    Tick();
    EndTrack();
    EXPECT_EQ(Opened(), (QStringList{Open(0), Open(1), Open(2)}));
    EXPECT_EQ(platform.endProgramCalls, 1);
    EXPECT_TRUE(w->lifecycle.shutDownDone());
    // Saved as it stood when the third track ended.
    const QByteArray saved = ReadConfig();
    EXPECT_TRUE(saved.contains("ConfigSave= True")) << saved.toStdString();
    EXPECT_TRUE(saved.contains("PlayPoint= 2")) << saved.toStdString();
    EXPECT_EQ(platform.powerOffCalls, 0);
}

TEST_F(SleepTimerTest, PowerOffStopsAndOpensTheCountdownWithoutBlocking) {
    Arm(1, 2);
    PlayFirst(3);
    EndTrack();
    EXPECT_FALSE(w->ui.tmrTime->isActive());
    EXPECT_EQ(Opened(), QStringList{Open(0)});
    EXPECT_TRUE(StoppedAfterLastPlay()) << engine.calls.join(u' ').toStdString();
    ASSERT_TRUE(w->form2);
    EXPECT_TRUE(w->form2->isVisible());
    EXPECT_FALSE(w->form2->isModal());
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    EXPECT_EQ(w->form2->windowTitle(), QStringLiteral("PowerOff"));
    EXPECT_EQ(w->form2->Seconds(), 30);
    EXPECT_EQ(w->form2->controls().lblPowerOff[1]->caption(), QStringLiteral("30"));
    EXPECT_TRUE(w->form2->controls().tmrPowerOff->isActive());
    EXPECT_EQ(w->form2->controls().tmrPowerOff->interval(), 1000);

    // The main window keeps working while the dialog counts.
    w->transport.lblPlaySet_Click(0);
    EXPECT_EQ(Opened().size(), 2);
    EXPECT_EQ(platform.powerOffCalls, 0);
}

TEST_F(SleepTimerTest, InRepertTheCountComesBeforeTheReplay) {
    w->ui.lblConfValue[7]->clicked(); // "Repert"
    Arm(2, 0);
    PlayFirst(3);
    EndTrack(); // counted, then the same track again
    EXPECT_EQ(TimerText(), QStringLiteral("1"));
    EXPECT_EQ(Opened(), (QStringList{Open(0), Open(0)}));
    Tick();
    EndTrack(); // the last one counted: stopped, not replayed
    EXPECT_EQ(Opened(), (QStringList{Open(0), Open(0)}));
    EXPECT_FALSE(w->ui.tmrTime->isActive());
    EXPECT_TRUE(StoppedAfterLastPlay()) << engine.calls.join(u' ').toStdString();
}

TEST_F(SleepTimerTest, ManualStopAndPauseCountNothing) {
    Arm(2, 0);
    PlayFirst(3);
    w->transport.lblPlaySet_Click(1);
    for (int i = 0; i < 3; ++i)
        Tick();
    EXPECT_EQ(w->st.TimerCount, 2);

    w->transport.lblPlaySet_Click(0);
    Tick();
    w->transport.lblPlaySet_Click(4);
    for (int i = 0; i < 3; ++i)
        Tick();
    EXPECT_EQ(w->st.PlayState, PlaybackState::Paused);
    EXPECT_EQ(w->st.TimerCount, 2);

    // Resumed and played to its end: that one counts, and the next track follows.
    w->transport.lblPlaySet_Click(4);
    Tick();
    EndTrack();
    EXPECT_EQ(w->st.TimerCount, 1);
    EXPECT_EQ(TimerText(), QStringLiteral("1"));
    EXPECT_EQ(Opened().last(), Open(1));
}

TEST_F(SleepTimerTest, IntroStopsCountAsFinishedTracks) {
    w->ui.sclConfig[3]->setValue(10);
    Arm(2, 0);
    PlayFirst(4);
    engine.elapsed = 10;
    Tick(); // the intro limit stops the track
    Tick(); // which the next tick counts; the second track follows
    EXPECT_EQ(w->st.TimerCount, 1);
    EXPECT_EQ(Opened(), (QStringList{Open(0), Open(1)}));
    Tick();
    engine.elapsed = 10;
    Tick();
    Tick();
    EXPECT_EQ(w->st.TimerCount, 0);
    EXPECT_FALSE(w->ui.tmrTime->isActive());
    for (int i = 0; i < 3; ++i)
        Tick();
    EXPECT_EQ(Opened(), (QStringList{Open(0), Open(1)}));
}

// The step itself, as the play clock runs it for every ended track.
TEST_F(SleepTimerTest, StepIsInertWhileTheTimerIsOff) {
    w->sleepTimer.cmbTimer_Click(1);
    engine.clearCalls();
    EXPECT_FALSE(w->sleepTimer.Step());
    EXPECT_EQ(w->st.TimerCount, 0);
    EXPECT_TRUE(engine.calls.isEmpty());
    EXPECT_EQ(platform.endProgramCalls, 0);
}

TEST_F(SleepTimerTest, StepCountsDownOnTheSliderAndEndsTheTickAtZero) {
    Arm(3, 1);
    EXPECT_FALSE(w->sleepTimer.Step());
    EXPECT_EQ(w->st.TimerCount, 2);
    EXPECT_EQ(w->ui.sclConfig[4]->value(), 2);
    EXPECT_EQ(TimerText(), QStringLiteral("2"));
    // Moving the slider while armed sets a new count.
    w->ui.sclConfig[4]->setValue(1);
    EXPECT_TRUE(w->sleepTimer.Step());
    EXPECT_EQ(platform.endProgramCalls, 1);
    EXPECT_EQ(TimerText(), QStringLiteral("Off"));
    EXPECT_EQ(Color(w->ui.lblConfValue[9]), QStringLiteral("#808080"));
}

class PowerOffTest : public SleepTimerTest {
protected:
    // Counts one track with the timer on "PowerOff", which opens the dialog.
    PowerOffDialog* OpenDialog() {
        Arm(1, 2);
        EXPECT_TRUE(w->sleepTimer.Step());
        return w->form2.data();
    }
};

TEST_F(PowerOffTest, CountdownIsAWindowOfItsOwnSeenWhileThePlayerIsMinimised) {
    w->show();
    w->showMinimized();
    ASSERT_TRUE(w->isMinimized());
    PowerOffDialog* dialog = OpenDialog();
    ASSERT_TRUE(dialog);
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_FALSE(dialog->isMinimized());
    // Not tied to the main window, which desktops hide and move between workspaces with
    // its utility windows.
    EXPECT_EQ(dialog->parentWidget(), nullptr);
    ASSERT_TRUE(dialog->windowHandle());
    EXPECT_EQ(dialog->windowHandle()->transientParent(), nullptr);
    EXPECT_EQ(dialog->windowType(), Qt::Window);
    EXPECT_TRUE(dialog->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_EQ(platform.attentionAskedFor, QList<QWidget*>{dialog});
}

TEST_F(PowerOffTest, CountsDownThenPowersOffOnceAndCloses) {
    w->ui.lblConfValue[5]->clicked(); // ConfigSave on
    PowerOffDialog* dialog = OpenDialog();
    ASSERT_TRUE(dialog);
    for (int left = 29; left >= 1; --left) {
        dialog->tmrPowerOff_Timer();
        EXPECT_EQ(dialog->Seconds(), left);
        EXPECT_EQ(dialog->controls().lblPowerOff[1]->caption(), QString::number(left));
    }
    EXPECT_EQ(platform.powerOffCalls, 0);
    EXPECT_EQ(platform.endProgramCalls, 0);

    QPointer<PowerOffDialog> guard(dialog);
    dialog->tmrPowerOff_Timer();
    EXPECT_EQ(platform.powerOffCalls, 1);
    EXPECT_EQ(platform.endProgramCalls, 1);
    EXPECT_TRUE(w->lifecycle.shutDownDone());
    EXPECT_TRUE(QFile::exists(platform.path(QStringLiteral("config.ini"))));
    // Ticks already queued do not power off a second time.
    if (guard) {
        EXPECT_FALSE(guard->controls().tmrPowerOff->isActive());
        guard->tmrPowerOff_Timer();
        guard->tmrPowerOff_Timer();
    }
    EXPECT_EQ(platform.powerOffCalls, 1);
}

TEST_F(PowerOffTest, PlayerClosesEvenWhenThePowerOffCannotStart) {
    platform.powerOffSucceeds = false;
    PowerOffDialog* dialog = OpenDialog();
    ASSERT_TRUE(dialog);
    for (int i = 0; i < 30; ++i)
        dialog->tmrPowerOff_Timer();
    EXPECT_EQ(platform.powerOffCalls, 1);
    EXPECT_EQ(platform.endProgramCalls, 1);
}

TEST_F(PowerOffTest, CancelAtAnySecondPowersNothingOffAndTheNextStartsFromThirty) {
    for (int ticks : {0, 1, 17, 29}) {
        SCOPED_TRACE(ticks);
        QPointer<PowerOffDialog> dialog = OpenDialog();
        ASSERT_TRUE(dialog);
        EXPECT_EQ(dialog->Seconds(), 30);
        EXPECT_EQ(dialog->controls().lblPowerOff[1]->caption(), QStringLiteral("30"));
        for (int i = 0; i < ticks; ++i)
            dialog->tmrPowerOff_Timer();
        dialog->controls().cmdCancel->click();
        EXPECT_FALSE(w->form2);
        if (dialog) {
            EXPECT_FALSE(dialog->isVisible());
            EXPECT_FALSE(dialog->controls().tmrPowerOff->isActive());
            EXPECT_EQ(dialog->Seconds(), 30);
            // A tick already on its way does nothing after Cancel.
            dialog->tmrPowerOff_Timer();
        }
        EXPECT_EQ(w->st.TimerCount, 0);
    }
    // Closing the dialog's window is a Cancel too.
    QPointer<PowerOffDialog> dialog = OpenDialog();
    ASSERT_TRUE(dialog);
    dialog->close();
    EXPECT_FALSE(w->form2);
    if (dialog) dialog->tmrPowerOff_Timer();

    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(platform.powerOffCalls, 0);
    EXPECT_EQ(platform.endProgramCalls, 0);
    EXPECT_FALSE(w->lifecycle.shutDownDone());
}

} // namespace
} // namespace telbo::test
