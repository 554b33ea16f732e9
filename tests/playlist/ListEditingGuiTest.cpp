// The list boxes, the view switch, the editing buttons, selection and double-clicks.

#include "PlaylistGui.h"

#include <QFile>

namespace telbo::test {
namespace {

enum { Add = 0, Del = 1, AllClear = 2, Up = 3, Down = 4 };

using ListEditing = PlaylistGui;

TEST_F(ListEditing, RefreshShowsNamesAndSelectsTheFirstTrack) {
    w->collections.RefreshLists();
    EXPECT_EQ(w->ui.lstFile[1]->count(), 0);
    EXPECT_EQ(Sel(1), -1);
    EXPECT_EQ(Caption(w->ui.lblPoint[2]), "0"); // no selection action ran

    const QString song = platform.makeFile("song.live.mp3");
    SetTracks({song, song, platform.makeFile("01. Intro.mp3")});
    SetLists({"C:\\Lists\\rock.m3u", "/home/u/jazz.m3u"});
    w->st.PlayPoint = 2;
    w->collections.RefreshLists();
    EXPECT_EQ(Rows(1), (QStringList{"song.live", "song.live", "01. Intro"}));
    EXPECT_EQ(Rows(0), (QStringList{"rock", "jazz"}));
    EXPECT_EQ(Sel(1), 0);
    EXPECT_EQ(Sel(0), -1);
    EXPECT_EQ(Caption(w->ui.lblPoint[2]), "1");
    EXPECT_EQ(Caption(w->ui.lblTagInfo[0]), "song.live");

    w->st.KO = 101;
    w->collections.ShowCounts();
    EXPECT_EQ(Caption(w->ui.lblPoint[1]), "101");
    EXPECT_EQ(Caption(w->ui.lblPoint[3]), "101");
}

TEST_F(ListEditing, DelSelectsTheEntryThatTookItsPlace) {
    const QStringList t = MakeTracks(3);
    SetTracks(t);
    w->st.PlayPoint = 2;
    w->collections.RefreshLists();

    w->ui.lstFile[1]->setCurrentRow(2);
    w->listEditor.lblListSet_Click(Del);
    EXPECT_EQ(Tracks(), (QStringList{t[0], t[1]}));
    EXPECT_EQ(Sel(1), 1);
    EXPECT_EQ(w->st.PlayPoint, 1); // the current track's row went: "Next" plays what follows
    EXPECT_EQ(Caption(w->ui.lblPoint[3]), "2");
    EXPECT_TRUE(w->st.TitleFiles[2].isEmpty());

    w->ui.lstFile[1]->setCurrentRow(0);
    w->listEditor.lblListSet_Click(Del);
    EXPECT_EQ(Tracks(), QStringList{t[1]});
    EXPECT_EQ(Sel(1), 0);

    w->listEditor.lblListSet_Click(Del);
    EXPECT_EQ(w->st.KO, 0);
    EXPECT_EQ(w->ui.lstFile[1]->count(), 0);
    EXPECT_EQ(Sel(1), -1);
    // No row left: neither counter names one.
    EXPECT_EQ(Caption(w->ui.lblPoint[2]) + "/" + Caption(w->ui.lblPoint[3]), "0/0");
    EXPECT_EQ(Caption(w->ui.lblPoint[0]), "0");
    EXPECT_FALSE(engine.calls.contains("stop")); // playback is left alone

    w->listEditor.lblListSet_Click(Del); // nothing selected: nothing happens
    EXPECT_EQ(w->st.KO, 0);
}

TEST_F(ListEditing, UpAndDownSwapWithinBoundsAndTheCurrentIndexFollowsItsTrack) {
    const QStringList t = MakeTracks(3);
    SetTracks(t);
    w->st.PlayPoint = 1;
    w->collections.RefreshLists();

    w->listEditor.lblListSet_Click(Up); // row 0
    w->ui.lstFile[1]->setCurrentRow(2);
    w->listEditor.lblListSet_Click(Down); // last row
    EXPECT_EQ(Tracks(), t);
    EXPECT_EQ(Sel(1), 2);

    w->listEditor.lblListSet_Click(Up); // row 2
    EXPECT_EQ(Tracks(), (QStringList{t[0], t[2], t[1]}));
    EXPECT_EQ(Sel(1), 1);
    EXPECT_EQ(w->st.PlayPoint, 2);
    EXPECT_EQ(Caption(w->ui.lblPoint[0]), "3");

    w->ui.lstFile[1]->setCurrentRow(0);
    w->listEditor.lblListSet_Click(Down);
    EXPECT_EQ(Tracks(), (QStringList{t[2], t[0], t[1]}));
    EXPECT_EQ(Sel(1), 1);
    EXPECT_EQ(w->st.PlayPoint, 2);
}

TEST_F(ListEditing, ViewSwitchChoosesWhatTheButtonsEdit) {
    const QStringList t = MakeTracks(2);
    SetTracks(t);
    SetLists({"/a.m3u", "/b.m3u", "/c.m3u"});
    w->st.ListPoint = 2;
    w->collections.RefreshLists();

    w->listEditor.lblListSelect_Click(0);
    EXPECT_TRUE(w->st.ListSelectFlag);
    EXPECT_EQ(Color(w->ui.lblListSelect[0]), "#C0C0FF");
    EXPECT_EQ(Color(w->ui.lblListSelect[1]), "#808080");
    EXPECT_FALSE(w->ui.lstFile[0]->isHidden());
    EXPECT_TRUE(w->ui.lstFile[1]->isHidden());
    for (int i : {2, 5, 3}) EXPECT_TRUE(w->ui.lblPoint[i]->isHidden());

    // The current list's index follows it, as the current track's does.
    w->ui.lstFile[0]->setCurrentRow(1);
    w->listEditor.lblListSet_Click(Del);
    EXPECT_EQ(Lists(), (QStringList{"/a.m3u", "/c.m3u"}));
    EXPECT_EQ(Sel(0), 1);
    EXPECT_EQ(w->st.ListPoint, 1);
    EXPECT_EQ(Tracks(), t);

    w->listEditor.lblListSet_Click(Up);
    EXPECT_EQ(Lists(), (QStringList{"/c.m3u", "/a.m3u"}));
    EXPECT_EQ(w->st.ListPoint, 0);
    w->listEditor.lblListSet_Click(Down);
    EXPECT_EQ(w->st.ListPoint, 1);
    w->listEditor.lblListSet_Click(Del); // the current list's own row: the one before it
    EXPECT_EQ(Lists(), QStringList{"/a.m3u"});
    EXPECT_EQ(w->st.ListPoint, 0);

    w->listEditor.lblListSet_Click(Add); // cancelled
    ASSERT_EQ(platform.dialogRequests.size(), 1);
    EXPECT_EQ(platform.dialogRequests[0].filter, "Lists|*.m3u;*.m3u8");

    w->listEditor.lblListSet_Click(AllClear);
    EXPECT_EQ(w->st.ListKO, 0);
    EXPECT_EQ(w->st.ListPoint, 0);
    EXPECT_EQ(Tracks(), t);

    w->listEditor.lblListSelect_Click(1);
    EXPECT_FALSE(w->st.ListSelectFlag);
    EXPECT_EQ(Color(w->ui.lblListSelect[1]), "#C0C0FF");
    EXPECT_EQ(Color(w->ui.lblListSelect[0]), "#808080");
    EXPECT_TRUE(w->ui.lstFile[0]->isHidden());
    EXPECT_FALSE(w->ui.lblPoint[2]->isHidden());

    SetLists({"/x.m3u"});
    w->st.PlayPoint = 1;
    w->ui.lblPoint[0]->setCaption("2");
    w->listEditor.lblListSet_Click(AllClear);
    EXPECT_EQ(w->st.KO, 0);
    EXPECT_EQ(w->st.PlayPoint, 0);
    EXPECT_EQ(Lists(), QStringList{"/x.m3u"});
    EXPECT_EQ(w->ui.lstFile[1]->count(), 0);
    for (int i : {0, 1, 2, 3}) EXPECT_EQ(Caption(w->ui.lblPoint[i]), "0");
}

TEST_F(ListEditing, MissingTracksDisappearWhenSelected) {
    const QStringList t = MakeTracks(6);
    QFile::remove(t[0]);
    QFile::remove(t[2]);
    QFile::remove(t[3]);
    QFile::remove(t[5]);
    SetTracks(t);
    w->st.PlayPoint = 4; // t5 plays and stays the current track throughout

    // Row 0 is selected by the refresh and its file is gone.
    w->collections.RefreshLists();
    EXPECT_EQ(Tracks(), (QStringList{t[1], t[2], t[3], t[4], t[5]}));
    EXPECT_EQ(Sel(1), 0);
    EXPECT_EQ(w->st.PlayPoint, 3);

    // Two missing in a row go together; the next present one moves into the row.
    w->ui.lstFile[1]->setCurrentRow(1);
    EXPECT_EQ(Tracks(), (QStringList{t[1], t[4], t[5]}));
    EXPECT_EQ(Sel(1), 1);
    EXPECT_EQ(Caption(w->ui.lblPoint[2]), "2");
    EXPECT_EQ(Caption(w->ui.lblPoint[3]), "3");
    EXPECT_EQ(w->st.PlayPoint, 1);
    EXPECT_EQ(Caption(w->ui.lblPoint[0]), "2");

    // A missing last track: the new last row is selected.
    w->ui.lstFile[1]->setCurrentRow(2);
    EXPECT_EQ(Tracks(), (QStringList{t[1], t[4]}));
    EXPECT_EQ(Sel(1), 1);
    EXPECT_EQ(Rows(1), (QStringList{"t2", "t5"}));
}

TEST_F(ListEditing, AllMissingTracksLeaveAnEmptyBox) {
    QStringList gone;
    for (int i = 0; i < 101; ++i) gone << platform.path(QString("gone%1.mp3").arg(i));
    SetTracks(gone);
    w->collections.RefreshLists();
    EXPECT_EQ(w->st.KO, 0);
    EXPECT_EQ(w->ui.lstFile[1]->count(), 0);
}

TEST_F(ListEditing, DoubleClicks) {
    const QStringList t = MakeTracks(3);
    const QString list = MakeList("l.m3u", {"t3.mp3", t[0]}); // one relative entry
    SetTracks({t[1]});
    SetLists({platform.path("missing.m3u"), list});
    w->collections.RefreshLists();
    w->listEditor.lblListSelect_Click(0);

    w->listEditor.lstFile_DblClick(0); // no row selected
    EXPECT_EQ(Tracks(), QStringList{t[1]});

    w->ui.lstFile[0]->setCurrentRow(1);
    w->listEditor.lstFile_DblClick(0);
    EXPECT_EQ(Tracks(), (QStringList{t[2], t[0]}));
    EXPECT_EQ(w->st.ListPoint, 1);
    EXPECT_FALSE(w->st.ListSelectFlag);
    EXPECT_FALSE(w->ui.lstFile[1]->isHidden());
    EXPECT_EQ(Caption(w->ui.lblPoint[1]), "2");
    EXPECT_EQ(w->st.PlayPoint, 0);
    EXPECT_TRUE(engine.calls.contains("open " + t[2])) << engine.calls.join('|').toStdString();

    // A list file that is gone is removed instead.
    w->ui.lstFile[0]->setCurrentRow(0);
    w->listEditor.lstFile_DblClick(0);
    EXPECT_EQ(Lists(), QStringList{list});
    EXPECT_EQ(w->st.ListPoint, 0); // still the list the tracks came from
    EXPECT_EQ(Tracks(), (QStringList{t[2], t[0]}));

    engine.clearCalls();
    w->ui.lstFile[1]->setCurrentRow(1);
    w->listEditor.lstFile_DblClick(1);
    EXPECT_EQ(w->st.PlayPoint, 1);
    EXPECT_TRUE(engine.calls.contains("open " + t[0])) << engine.calls.join('|').toStdString();
}

} // namespace
} // namespace telbo::test
