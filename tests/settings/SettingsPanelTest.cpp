// The "Config" panel: name labels, value labels, sliders, "Default" and "Window".
#include "TelboFixture.h"

#include "ui/Label.h"
#include "ui/ListBox.h"
#include "ui/Panel.h"
#include "ui/Twips.h"

#include <QComboBox>
#include <QRadioButton>
#include <QScrollBar>
#include <QTimer>

namespace telbo::test {
namespace {

const QString kLightYellow = QStringLiteral("#FFFFC0");
const QString kGrey = QStringLiteral("#808080");

class SettingsPanelTest : public TelboFixture {
protected:
    void SetUp() override { Start(); }
    Label* Value(int i) const { return w->ui.lblConfValue[i]; }
    QScrollBar* Slider(int i) const { return w->ui.sclConfig[i]; }
};

TEST_F(SettingsPanelTest, ValueLabelsStepThroughModesAndToggles) {
    QStringList modes;
    for (int i = 0; i < 5; ++i) {
        Value(7)->clicked();
        modes << Value(7)->caption();
    }
    EXPECT_EQ(modes.join(u','), QStringLiteral("Repert,Shuffle,Random,RandomAllList,Normal"));
    EXPECT_EQ(w->st.PlayTypeFlag, PlayMode::Normal);

    QStringList types;
    for (int i = 0; i < 4; ++i) {
        Value(8)->clicked();
        types << Value(8)->caption();
    }
    EXPECT_EQ(types.join(u','), QStringLiteral("Repert,NextList,RandomList,Stop"));
    EXPECT_EQ(w->st.NextTypeFlag, ListEndAction::Stop);

    // One step leaves state and caption in agreement.
    Value(7)->clicked();
    EXPECT_EQ(w->st.PlayTypeFlag, PlayMode::Repert);
    EXPECT_EQ(Value(7)->caption(), QStringLiteral("Repert"));

    // On/off settings change their text only, never their colour.
    for (int i : {5, 6}) {
        const QString colour = Color(Value(i));
        Value(i)->clicked();
        EXPECT_EQ(Value(i)->caption(), QStringLiteral("On")) << i;
        EXPECT_EQ(Color(Value(i)), colour) << i;
    }
    EXPECT_TRUE(w->st.ConfigSave);
    EXPECT_TRUE(w->st.AutoPlay);
    Value(5)->clicked();
    EXPECT_EQ(Value(5)->caption(), QStringLiteral("Off"));
    EXPECT_FALSE(w->st.ConfigSave);
}

TEST_F(SettingsPanelTest, VolumeAndSpeedReachTheEngineAndTheirLabels) {
    engine.clearCalls();
    Slider(1)->setValue(20);
    EXPECT_EQ(Value(1)->caption(), QStringLiteral("0.20"));
    EXPECT_EQ(w->st.PlaySpeed, 20);
    EXPECT_EQ(engine.calls, QStringList{QStringLiteral("setSpeed 20")});
    Slider(1)->setValue(300);
    EXPECT_EQ(Value(1)->caption(), QStringLiteral("3.00"));

    engine.clearCalls();
    Slider(0)->setValue(37);
    EXPECT_EQ(Value(0)->caption(), QStringLiteral("37"));
    EXPECT_EQ(w->st.Volume, 37);
    EXPECT_EQ(engine.calls, QStringList{QStringLiteral("setVolume 37 37")});

    // The scroll speed is stored; its value label stays with the scrolling switch.
    Slider(2)->setValue(250);
    EXPECT_EQ(w->st.ScrollSpeed, 250);
    EXPECT_EQ(Value(2)->caption(), QStringLiteral("Off"));
}

TEST_F(SettingsPanelTest, IntroAndTimerShowOffInGreyAndCountsInLightYellow) {
    Slider(3)->setValue(30);
    EXPECT_EQ(Value(3)->caption(), QStringLiteral("30"));
    EXPECT_EQ(Color(Value(3)), kLightYellow);
    EXPECT_EQ(w->st.IntroTime, 30);
    Slider(3)->setValue(0);
    EXPECT_EQ(Value(3)->caption(), QStringLiteral("Off"));
    EXPECT_EQ(Color(Value(3)), kGrey);
    EXPECT_EQ(w->st.IntroTime, 0);

    Slider(4)->setValue(5);
    EXPECT_EQ(Value(4)->caption(), QStringLiteral("5"));
    EXPECT_EQ(Color(Value(4)), kLightYellow);
    EXPECT_EQ(Color(Value(9)), kLightYellow);
    EXPECT_EQ(w->st.TimerCount, 5);
    Slider(4)->setValue(0);
    EXPECT_EQ(Value(4)->caption(), QStringLiteral("Off"));
    EXPECT_EQ(Color(Value(4)), kGrey);
    EXPECT_EQ(Color(Value(9)), kGrey);
    EXPECT_EQ(w->st.TimerCount, 0);
}

TEST_F(SettingsPanelTest, TimerTypeChoiceShowsTheEntry) {
    EXPECT_EQ(Value(9)->caption(), QStringLiteral("MusicStop"));
    w->sleepTimer.cmbTimer_Click(2);
    EXPECT_EQ(w->st.TimerType, 2);
    EXPECT_EQ(Value(9)->caption(), QStringLiteral("PowerOff"));
    // Text typed into the editable list that matches no entry chooses nothing.
    w->sleepTimer.cmbTimer_Click(-1);
    w->sleepTimer.cmbTimer_Click(3);
    EXPECT_EQ(w->st.TimerType, 2);
    EXPECT_EQ(Value(9)->caption(), QStringLiteral("PowerOff"));
}

TEST_F(SettingsPanelTest, NameLabelsShowAndHideTheirSlidersAndPanels) {
    Controls& ui = w->ui;
    for (int i : {0, 1, 3, 4}) {
        ui.lblConf[i]->clicked();
        EXPECT_FALSE(Slider(i)->isHidden()) << i;
        EXPECT_EQ(Color(ui.lblConf[i]), kLightYellow) << i;
        if (i == 4) {
            EXPECT_FALSE(ui.cmbTimer->isHidden());
        }
        ui.lblConf[i]->clicked();
        EXPECT_TRUE(Slider(i)->isHidden()) << i;
        EXPECT_EQ(Color(ui.lblConf[i]), kGrey) << i;
        if (i == 4) {
            EXPECT_TRUE(ui.cmbTimer->isHidden());
        }
    }

    ui.lblConf[2]->clicked();
    EXPECT_TRUE(w->st.TitleEditShown);
    EXPECT_FALSE(Slider(2)->isHidden());
    EXPECT_FALSE(ui.frmTitle->isHidden());
    EXPECT_EQ(Color(ui.lblConf[2]), kLightYellow);
    ui.lblConf[2]->clicked();
    EXPECT_FALSE(w->st.TitleEditShown);
    EXPECT_TRUE(Slider(2)->isHidden());
    EXPECT_TRUE(ui.frmTitle->isHidden());
    EXPECT_EQ(Color(ui.lblConf[2]), kGrey);

    ui.lblConf[9]->clicked();
    EXPECT_TRUE(w->st.EqualizerShown);
    EXPECT_FALSE(ui.frmEqualizer->isHidden());
    EXPECT_EQ(Color(ui.lblConf[9]), QStringLiteral("#FFFF00"));
    ui.lblConf[9]->clicked();
    EXPECT_FALSE(w->st.EqualizerShown);
    EXPECT_TRUE(ui.frmEqualizer->isHidden());
    EXPECT_EQ(Color(ui.lblConf[9]), QStringLiteral("#808000"));

    // The rows without a slider have nothing to show.
    for (int i = 5; i <= 8; ++i) {
        ui.lblConf[i]->clicked();
        EXPECT_EQ(Color(ui.lblConf[i]), kGrey) << i;
    }
    EXPECT_TRUE(ui.frmTitle->isHidden());
    EXPECT_TRUE(ui.frmEqualizer->isHidden());
}

TEST_F(SettingsPanelTest, ScrollValueLabelSwitchesTheTickerOnAndOff) {
    Value(2)->clicked();
    EXPECT_TRUE(w->st.ScrollFlag);
    EXPECT_EQ(Value(2)->caption(), QStringLiteral("On"));
    EXPECT_EQ(Color(Value(2)), kLightYellow);
    EXPECT_TRUE(w->ui.tmrScroll->isActive());

    tw::SetLeft(w->ui.lblTitle[0], -700);
    Value(2)->clicked();
    EXPECT_FALSE(w->st.ScrollFlag);
    EXPECT_EQ(Value(2)->caption(), QStringLiteral("Off"));
    EXPECT_EQ(Color(Value(2)), kGrey);
    EXPECT_FALSE(w->ui.tmrScroll->isActive());
    EXPECT_EQ(tw::Left(w->ui.lblTitle[0]), 0);
}

TEST_F(SettingsPanelTest, DefaultStopsAndResetsTheNumbersButNotTheChoices) {
    SetTracks(MakeTracks(2));
    w->transport.lblPlaySet_Click(0);
    Slider(0)->setValue(40);
    Slider(1)->setValue(150);
    Slider(2)->setValue(200);
    Slider(3)->setValue(10);
    Slider(4)->setValue(3);
    Value(2)->clicked(); // scrolling on
    Value(7)->clicked(); // "Repert"
    Value(8)->clicked(); // "Repert"
    Value(5)->clicked(); // ConfigSave on
    w->sleepTimer.cmbTimer_Click(1);
    w->ui.optSmpRate[2]->setChecked(true);
    w->ui.optStereo[1]->setChecked(true);
    engine.clearCalls();

    w->ui.lblDefault[0]->clicked();

    ASSERT_FALSE(engine.calls.isEmpty());
    EXPECT_EQ(engine.calls.first(), QStringLiteral("stop"));
    EXPECT_FALSE(w->ui.tmrTime->isActive());
    QStringList shown;
    for (int i = 0; i < 5; ++i)
        shown << Value(i)->caption();
    EXPECT_EQ(shown.join(u','), QStringLiteral("100,1.00,Off,Off,Off"));
    EXPECT_EQ(w->st.Volume, 100);
    EXPECT_EQ(w->st.PlaySpeed, 100);
    EXPECT_EQ(w->st.ScrollSpeed, -100);
    EXPECT_EQ(w->st.IntroTime, 0);
    EXPECT_EQ(w->st.TimerCount, 0);
    EXPECT_EQ(Color(Value(9)), kGrey);
    EXPECT_TRUE(engine.calls.contains(QStringLiteral("setVolume 100 100")));
    EXPECT_TRUE(engine.calls.contains(QStringLiteral("setSpeed 100")));
    EXPECT_FALSE(w->st.ScrollFlag);
    EXPECT_FALSE(w->ui.tmrScroll->isActive());
    EXPECT_TRUE(w->ui.optSmpRate[0]->isChecked());
    EXPECT_TRUE(w->ui.optStereo[0]->isChecked());
    EXPECT_EQ(w->st.SamplingRate, DecodeRate::Full);
    EXPECT_EQ(w->st.StereoConf, DecodeChannels::Stereo);

    EXPECT_EQ(w->st.PlayTypeFlag, PlayMode::Repert);
    EXPECT_EQ(w->st.NextTypeFlag, ListEndAction::Repert);
    EXPECT_TRUE(w->st.ConfigSave);
    EXPECT_EQ(w->st.TimerType, 1);
    EXPECT_EQ(Value(9)->caption(), QStringLiteral("PlayerEnd"));
}

TEST_F(SettingsPanelTest, DefaultRefreshesSlidersThatDidNotMove) {
    // Scrolling already off and every slider at its design value: "Default" still sends the
    // volume and speed (the engine may hold others) and leaves scrolling off.
    engine.clearCalls();
    w->ui.lblDefault[0]->clicked();
    EXPECT_EQ(engine.callsStartingWith(QStringLiteral("setVolume")),
              QStringList{QStringLiteral("setVolume 100 100")});
    EXPECT_EQ(engine.callsStartingWith(QStringLiteral("setSpeed")),
              QStringList{QStringLiteral("setSpeed 100")});
    EXPECT_FALSE(w->st.ScrollFlag);
    EXPECT_EQ(Value(2)->caption(), QStringLiteral("Off"));
    EXPECT_FALSE(w->ui.tmrScroll->isActive());
}

TEST_F(SettingsPanelTest, WindowAlignsThePanelsToTheListBoxCorner) {
    Controls& ui = w->ui;
    const ListBox* list = ui.lstFile[0];
    const double right = tw::Left(list) + tw::Width(list);  // 5415
    const double bottom = tw::Top(list) + tw::Height(list); // 6360
    w->windowModes.lblDown_Click(0);
    w->windowModes.lblDown_Click(1);
    SetTracks(MakeTracks(1));
    w->collections.RefreshLists();
    ui.lstFile[1]->setCurrentRow(0);
    // Without and with the tag panel, which shortens the list box: the panels keep the list
    // box's designed corner, inside the window, their close labels clear of "Config".
    for (int tagClicks : {0, 1}) {
        SCOPED_TRACE(tagClicks);
        for (int i = 0; i < tagClicks; ++i)
            ui.lblShowTag->clicked();
        for (Panel* p : {ui.frmConfig, ui.frmTitle, ui.frmEqualizer}) {
            tw::SetLeft(p, 15);
            tw::SetTop(p, 30);
        }
        ui.lblDefault[1]->clicked();

        EXPECT_EQ(tw::Left(ui.frmConfig), right - 4110);
        EXPECT_EQ(tw::Top(ui.frmConfig), bottom - 4425);
        for (Panel* p : {ui.frmTitle, ui.frmEqualizer}) {
            EXPECT_EQ(tw::Left(p) + tw::Width(p), right) << p->caption().toStdString();
            EXPECT_EQ(tw::Top(p), tw::Top(ui.frmConfig)) << p->caption().toStdString();
        }
        EXPECT_EQ(tw::Left(ui.frmTitle), 990);
        EXPECT_EQ(tw::Left(ui.frmEqualizer), 2520);
        const QRect inWindow = w->rect();
        const QRect close(ui.lblClose[0]->mapTo(w.get(), QPoint(0, 0)), ui.lblClose[0]->size());
        EXPECT_TRUE(inWindow.contains(ui.frmConfig->geometry()));
        EXPECT_TRUE(inWindow.contains(close));
        EXPECT_FALSE(ui.frmConfig->geometry().contains(ui.lblDown[1]->geometry().center()));
    }
    EXPECT_FALSE(ui.frmTag[0]->isHidden());
}

} // namespace
} // namespace telbo::test
