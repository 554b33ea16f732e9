// The saved state comes back through the user's own operations, and the command line plays.
#include "TelboFixture.h"
#include "core/SettingsFile.h"
#include "playlist/ListFileFormat.h"
#include "ui/Label.h"
#include "ui/ListBox.h"
#include "ui/Panel.h"
#include "ui/Twips.h"

#include <QLineEdit>
#include <QRadioButton>
#include <QScrollBar>
#include <QTimer>

namespace telbo::test {
namespace {

class RestoreTest : public TelboFixture {
protected:
    PlayerState saved;
    QString templ = QStringLiteral("%0");

    void SetUp() override {
        saved.ConfigSave = true;
        saved.Volume = 100;
        saved.PlaySpeed = 100;
        saved.ScrollSpeed = -100;
        saved.FormSmallWidth = 5475;
        saved.LastDir = platform.programFolder();
    }
    void SaveAndStart(double width = 5475) {
        WriteConfig(WriteSettingsText({&saved, 300, 450, width, templ}));
        Start();
    }
    void SavedTracks(const QStringList& tracks) {
        for (int i = 0; i < tracks.size(); ++i) saved.TitleFiles[i] = tracks[i];
        saved.KO = static_cast<std::int16_t>(tracks.size());
    }
    QString Caption(int i) const { return w->ui.lblConfValue[i]->caption(); }
};

TEST_F(RestoreTest, CyclesEndOnTheStoredValueWithItsName) {
    saved.PlayTypeFlag = PlayMode::Normal;
    saved.NextTypeFlag = ListEndAction::Stop;
    SaveAndStart();
    EXPECT_EQ(w->st.PlayTypeFlag, PlayMode::Normal);
    EXPECT_EQ(Caption(7), QStringLiteral("Normal"));
    EXPECT_EQ(w->st.NextTypeFlag, ListEndAction::Stop);
    EXPECT_EQ(Caption(8), QStringLiteral("Stop"));
}

TEST_F(RestoreTest, LastPlayModeAndEndAction) {
    saved.PlayTypeFlag = PlayMode::RandomAllList;
    saved.NextTypeFlag = ListEndAction::RandomList;
    SaveAndStart();
    EXPECT_EQ(w->st.PlayTypeFlag, PlayMode::RandomAllList);
    EXPECT_EQ(Caption(7), QStringLiteral("RandomAllList"));
    EXPECT_EQ(w->st.NextTypeFlag, ListEndAction::RandomList);
    EXPECT_EQ(Caption(8), QStringLiteral("RandomList"));
}

TEST_F(RestoreTest, ConfigSaveShowsItsState) {
    SaveAndStart();
    EXPECT_TRUE(w->st.ConfigSave);
    EXPECT_EQ(Caption(5), QStringLiteral("On"));

    TearDown();
    saved.ConfigSave = false;
    SaveAndStart();
    EXPECT_FALSE(w->st.ConfigSave);
    EXPECT_EQ(Caption(5), QStringLiteral("Off"));
}

TEST_F(RestoreTest, AutoPlayWithAnEmptyListPlaysNothing) {
    saved.AutoPlay = true;
    SaveAndStart();
    EXPECT_EQ(Caption(6), QStringLiteral("On"));
    EXPECT_TRUE(engine.callsStartingWith(QStringLiteral("open")).isEmpty());
}

TEST_F(RestoreTest, AutoPlayThenTheCommandLineTrackReplacesIt) {
    const QStringList tracks = MakeTracks(3);
    SavedTracks(tracks);
    saved.PlayPoint = 1;
    saved.AutoPlay = true;
    const QString extra = platform.makeFile(QStringLiteral("extra.mp3"));
    platform.arguments = {extra};
    SaveAndStart();
    const QStringList opens = engine.callsStartingWith(QStringLiteral("open"));
    ASSERT_EQ(opens.size(), 2);
    EXPECT_EQ(opens[0], QStringLiteral("open ") + tracks[1]);
    EXPECT_EQ(opens[1], QStringLiteral("open ") + extra);
    EXPECT_EQ(w->st.KO, 4);
    EXPECT_EQ(w->st.PlayPoint, 3);
    EXPECT_EQ(w->ui.lstFile[1]->currentRow(), 3);
    EXPECT_EQ(w->ui.lblPoint[0]->caption(), QStringLiteral("4"));
}

TEST_F(RestoreTest, CommandLineListFileReplacesTheTracksAndPlaysTheFirst) {
    SavedTracks(MakeTracks(2, QStringLiteral("old")));
    const QStringList listed = MakeTracks(3, QStringLiteral("new"));
    const QString list = platform.makeFile(QStringLiteral("mix.m3u"), WriteListFile(listed));
    platform.arguments = {list};
    SaveAndStart();
    EXPECT_EQ(w->st.ListKO, 1);
    EXPECT_EQ(w->st.ListPoint, 0);
    EXPECT_EQ(w->st.ListFiles[0], list);
    EXPECT_EQ(w->st.KO, 3);
    EXPECT_EQ(w->st.TitleFiles[0], listed[0]);
    EXPECT_EQ(w->st.PlayPoint, 0);
    EXPECT_EQ(engine.callsStartingWith(QStringLiteral("open")), QStringList{QStringLiteral("open ") + listed[0]});
    EXPECT_EQ(w->ui.lblTitle[1]->caption(), QStringLiteral("mix"));
}

TEST_F(RestoreTest, CommandLineWithNothingPlayableAddsNothing) {
    platform.arguments = {platform.makeFile(QStringLiteral("notes.txt"))};
    Start();
    EXPECT_EQ(w->st.KO, 0);
    EXPECT_EQ(w->st.ListKO, 0);
    EXPECT_TRUE(engine.callsStartingWith(QStringLiteral("open")).isEmpty());
}

TEST_F(RestoreTest, CommandLineWithoutSettingsPlaysTheTrack) {
    const QString song = platform.makeFile(QStringLiteral("song.mp3"));
    platform.arguments = {song};
    Start();
    EXPECT_EQ(engine.callsStartingWith(QStringLiteral("open")), QStringList{QStringLiteral("open ") + song});
    EXPECT_EQ(w->windowTitle(), QStringLiteral("♪song.mp3"));
}

TEST_F(RestoreTest, NoSettingsAndNoArgumentsGiveAnEmptyTitle) {
    Start();
    EXPECT_EQ(w->ui.lblTitle[0]->caption(), QString());
    EXPECT_EQ(w->windowTitle(), QStringLiteral("♪"));
}

TEST_F(RestoreTest, TagPanelWithoutTracksIsShownOnceATrackExists) {
    saved.TagShowFlag = TagPanel::Editor;
    SaveAndStart();
    EXPECT_EQ(w->st.TagShowFlag, TagPanel::Editor);
    EXPECT_TRUE(w->ui.frmTag[1]->isVisibleTo(w.get()));
    EXPECT_FALSE(w->ui.frmTag[0]->isVisibleTo(w.get()));
    EXPECT_EQ(tw::Height(w->ui.lstFile[1]), 1770);
}

TEST_F(RestoreTest, TagPanelWithTracksShowsTheStoredPanel) {
    SavedTracks(MakeTracks(2));
    saved.TagShowFlag = TagPanel::View;
    SaveAndStart();
    EXPECT_EQ(w->st.TagShowFlag, TagPanel::View);
    EXPECT_TRUE(w->ui.frmTag[0]->isVisibleTo(w.get()));
    EXPECT_EQ(w->ui.lstFile[1]->currentRow(), 0);
}

TEST_F(RestoreTest, TheCurrentTracksTagIsReadOnceAtStart) {
    const QStringList tracks = MakeTracks(2);
    TagRecord tag;
    tag.Title.Fill("Song");
    engine.tags[tracks[0].toStdString()] = tag;
    SavedTracks(tracks);
    saved.TagShowFlag = TagPanel::View; // the tag view shows the first row, the current track
    saved.AutoPlay = true;
    templ = QStringLiteral("%1");
    SaveAndStart();
    const QString read = QStringLiteral("readTag ") + tracks[0];
    EXPECT_EQ(engine.calls.count(read), 1) << engine.calls.join(" | ").toStdString();
    EXPECT_EQ(w->ui.lblTitle[0]->caption(), QStringLiteral("Song"));
    EXPECT_EQ(w->ui.lblTagData[0]->caption().trimmed(), QStringLiteral("Song"));

    // Later a play reads the file again: it may have changed meanwhile.
    w->transport.lblPlaySet_Click(Transport::Play);
    EXPECT_EQ(engine.calls.count(read), 2);
}

TEST_F(RestoreTest, DecodeOptionsAndSlidersReachTheEngine) {
    saved.SamplingRate = DecodeRate::Quarter;
    saved.StereoConf = DecodeChannels::Mono;
    saved.Volume = 30;
    saved.PlaySpeed = 250;
    SaveAndStart();
    EXPECT_TRUE(w->ui.optSmpRate[2]->isChecked());
    EXPECT_TRUE(w->ui.optStereo[1]->isChecked());
    EXPECT_EQ(engine.options, (DecodeOptions{DecodeRate::Quarter, DecodeChannels::Mono}));
    EXPECT_TRUE(engine.calls.contains(QStringLiteral("setVolume 30 30")));
    EXPECT_TRUE(engine.calls.contains(QStringLiteral("setSpeed 250")));
    EXPECT_EQ(Caption(0), QStringLiteral("30"));
    EXPECT_EQ(Caption(1), QStringLiteral("2.50"));
}

// Round trips through the real program folder: what was shown comes back.
class RoundTripTest : public TelboFixture {
protected:
    struct Shown {
        double width, height;
        bool config, equalizer, small, onTop;
        QString lock, down, scroll, mode, next;
        int volume, speed, scrollSpeed;
        std::int16_t ko, playPoint;
        bool operator==(const Shown&) const = default;
        friend void PrintTo(const Shown& s, std::ostream* os) {
            *os << s.width << "x" << s.height << " config " << s.config << " eq " << s.equalizer
                << " small " << s.small << " onTop " << s.onTop << " lock " << s.lock.toStdString()
                << " down " << s.down.toStdString() << " scroll " << s.scroll.toStdString()
                << " mode " << s.mode.toStdString() << " next " << s.next.toStdString() << " vol "
                << s.volume << " speed " << s.speed << " scrollSpeed " << s.scrollSpeed << " KO "
                << s.ko << " PlayPoint " << s.playPoint;
        }
    };
    Shown Capture() {
        const Controls& ui = w->ui;
        return {w->Width(), w->Height(), ui.frmConfig->isVisibleTo(w.get()),
                ui.frmEqualizer->isVisibleTo(w.get()), ui.lblSmallSet[1]->isVisibleTo(w.get()),
                platform.onTop,
                // Only what is shown: the lock label is hidden in small mode.
                ui.lblPlayerControl[2]->isVisibleTo(w.get()) ? ui.lblPlayerControl[2]->caption() : QString(),
                ui.lblDown[0]->caption(),
                ui.lblConfValue[2]->caption(), ui.lblConfValue[7]->caption(),
                ui.lblConfValue[8]->caption(), ui.sclConfig[0]->value(), ui.sclConfig[1]->value(),
                ui.sclConfig[2]->value(), w->st.KO, w->st.PlayPoint};
    }
    Shown Restart() {
        Close();
        TearDown();
        platform.onTop = false;
        Start();
        return Capture();
    }
    void Click(Label* l) { emit l->clicked(); }
};

TEST_F(RoundTripTest, NormalFolded) {
    Start();
    Click(w->ui.lblConfValue[5]); // ConfigSave on
    Click(w->ui.lblConfValue[7]); // Repert
    w->ui.sclConfig[0]->setValue(70);
    SetTracks(MakeTracks(4));
    w->collections.RefreshLists();
    const Shown before = Capture();
    EXPECT_EQ(Restart(), before);
}

TEST_F(RoundTripTest, UnfoldedWithTheSettingsPanel) {
    Start();
    Click(w->ui.lblConfValue[5]);
    Click(w->ui.lblDown[0]);     // unfold
    Click(w->ui.lblDown[1]);     // settings panel
    Click(w->ui.lblConfValue[2]); // scrolling on
    w->ui.sclConfig[1]->setValue(180);
    w->ui.sclConfig[2]->setValue(60);
    const Shown before = Capture();
    EXPECT_EQ(before.height, 6720);
    EXPECT_TRUE(before.config);
    const Shown after = Restart();
    EXPECT_EQ(after, before);
    EXPECT_TRUE(w->ui.tmrScroll->isActive());
}

TEST_F(RoundTripTest, LockedNormalWindowComesBackLockedWhole) {
    Start();
    Click(w->ui.lblConfValue[5]);
    Click(w->ui.lblPlayerControl[2]); // lock
    const Shown before = Capture();
    EXPECT_TRUE(before.onTop);
    EXPECT_EQ(before.lock, QStringLiteral("unLock"));
    EXPECT_EQ(Restart(), before);
    EXPECT_TRUE(w->ui.lblSmallSet[6]->isHidden());
    // One click unlocks, and the caption, the on-top state and the flag agree again.
    Click(w->ui.lblPlayerControl[2]);
    EXPECT_FALSE(w->st.LockFlag);
    EXPECT_FALSE(platform.onTop);
    EXPECT_EQ(w->ui.lblPlayerControl[2]->caption(), QStringLiteral("Lock"));
}

TEST_F(RoundTripTest, LockedSmallModeWithAChangedWidth) {
    Start();
    Click(w->ui.lblConfValue[5]);
    w->windowModes.lblBack_DblClick(0); // small mode
    w->SetWidth(4000);
    w->st.FormSmallWidth = 4000;
    w->windowModes.LayoutSymbolButtons();
    Click(w->ui.lblSmallSet[7]); // lock
    const Shown before = Capture();
    EXPECT_TRUE(before.small);
    EXPECT_TRUE(before.onTop);
    EXPECT_EQ(before.height, 735);
    EXPECT_EQ(Restart(), before);
    EXPECT_TRUE(w->st.LockFlag);
    EXPECT_EQ(w->st.FormSmallWidth, 4000);
}

TEST_F(RoundTripTest, QuittingDockedKeepsTheStripsOwnWidth) {
    Start();
    Click(w->ui.lblConfValue[5]);
    w->windowModes.lblBack_DblClick(0);
    w->SetWidth(4000);
    w->st.FormSmallWidth = 4000;
    Click(w->ui.lblSmallSet[6]); // dock: as wide as the work area
    ASSERT_EQ(w->Width(), platform.workArea.width());
    Restart();
    EXPECT_EQ(w->st.FormSmallWidth, 4000);
    EXPECT_EQ(w->Width(), 4000);
    EXPECT_TRUE(ReadConfig().contains("\r\nFormSmallWidth= 4000\r\n"));
}

} // namespace
} // namespace telbo::test
