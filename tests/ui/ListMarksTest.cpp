// The track list marks the playing track and greys missing files, whatever row is selected.
#include "TelboFixture.h"
#include "playback/Transport.h"
#include "ui/ListBox.h"
#include "ui/Twips.h"

namespace telbo::test {
namespace {

class ListMarksTest : public TelboFixture {
protected:
    QList<int> Marked() const {
        QList<int> out;
        for (int row = 0; row < w->ui.lstFile[1]->count(); ++row)
            if (!w->ui.lstFile[1]->item(row)->icon().isNull()) out << row;
        return out;
    }
    QString Ink(int row) const { return tw::ColorText(w->ui.lstFile[1]->item(row)->foreground().color()); }
};

TEST_F(ListMarksTest, PlayingTrackAndMissingFilesAreMarkedWithoutSelectingThem) {
    Create();
    QStringList paths = MakeTracks(4);
    paths.insert(2, platform.path(QStringLiteral("gone.mp3")));
    SetTracks(paths);
    w->collections.RefreshLists();
    ListBox* list = w->ui.lstFile[1];
    ASSERT_EQ(list->count(), 5); // the missing row stays until someone selects it
    EXPECT_EQ(list->currentRow(), 0);
    EXPECT_EQ(Ink(2), "#808080");
    EXPECT_NE(Ink(1), "#808080");
    EXPECT_TRUE(Marked().isEmpty());

    w->st.PlayPoint = 3;
    w->transport.lblPlaySet_Click(Transport::Play);
    list->setCurrentRow(1);
    EXPECT_EQ(Marked(), QList<int>({3}));
    EXPECT_NE(Ink(3), Ink(1));
    EXPECT_EQ(Ink(2), "#808080");

    // The marker stays with the file: moved up, or the list refilled with the index reset.
    list->setCurrentRow(3);
    w->listEditor.lblListSet_Click(3);
    EXPECT_EQ(Marked(), QList<int>({2}));
    list->setCurrentRow(0);
    w->listEditor.lblListSet_Click(1);
    EXPECT_EQ(Marked(), QList<int>({1}));

    w->transport.lblPlaySet_Click(Transport::Stop);
    EXPECT_TRUE(Marked().isEmpty());
}

} // namespace
} // namespace telbo::test
