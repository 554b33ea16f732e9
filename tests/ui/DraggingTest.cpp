// Moving the window and the panels, changing the strip's width, press feedback: real mouse
// events, with global positions that follow the moving window.

#include "ShellFixture.h"

#include "ui/Dragging.h"
#include "ui/Label.h"
#include "ui/Panel.h"
#include "ui/Twips.h"

#include <QTest>

#include <cmath>
#include <limits>

namespace telbo::test {
namespace {

class DraggingTest : public ShellFixture {
protected:
    Label* Back() const { return w->ui.lblBack[0]; }
    // A local pixel of lblBack(0) this far from the window's right edge.
    QPoint FromRight(int px, int y = 10) const { return {w->width() - px, y}; }
};

TEST(WholeTwips, RoundsToNearestAndSaturates) {
    EXPECT_EQ(WholeTwips(7.5), 8);
    EXPECT_EQ(WholeTwips(-7.5), -8);
    EXPECT_EQ(WholeTwips(7.49), 7);
    EXPECT_EQ(WholeTwips(32767.4), 32767);
    EXPECT_EQ(WholeTwips(40000), 32767);
    EXPECT_EQ(WholeTwips(-40000), -32768);
    EXPECT_EQ(WholeTwips(std::numeric_limits<double>::quiet_NaN()), 0);
}

TEST_F(DraggingTest, HeaderDragMovesWindowWithThePointer) {
    Show();
    Drag(Back(), QPoint(30, 20), QPoint(40, 25));
    EXPECT_EQ(w->Left(), kStartLeft + 600);
    EXPECT_EQ(w->Top(), kStartTop + 375);
    EXPECT_EQ(w->Width(), 5475);
    EXPECT_FALSE(w->st.DragFlag);
    EXPECT_EQ(w->st.DragX, 450);
    EXPECT_EQ(w->st.DragY, 300);
}

TEST_F(DraggingTest, BackgroundDragMovesWindowToo) {
    Show();
    Click(w->ui.lblDown[0]);
    // A bare spot of the window below the bottom row.
    const QPoint bare(3, w->height() - 1);
    ASSERT_EQ(w->childAt(bare), nullptr);
    Drag(w.get(), bare, QPoint(-50, 12));
    EXPECT_EQ(w->Left(), kStartLeft - 750);
    EXPECT_EQ(w->Top(), kStartTop + 180);
}

TEST_F(DraggingTest, DragStartsFromWhereTheDesktopPutTheWindow) {
    Show();
    // Moved by the desktop (a keyboard or Alt-drag move), not by the player.
    const QPoint moved = w->pos() + QPoint(100, -40);
    w->move(moved);
    ASSERT_EQ(w->pos(), moved);
    Drag(Back(), QPoint(30, 20), QPoint(40, 25));
    EXPECT_EQ(w->pos(), moved + QPoint(40, 25));
    EXPECT_EQ(w->Left(), (moved.x() + 40) * 15);
    EXPECT_EQ(w->Top(), (moved.y() + 25) * 15);

    // Leaving small mode puts the corner at the double-clicked point of the real strip.
    DoubleClickHeader(QPoint(10, 10));
    const QPoint strip = w->pos() + QPoint(-70, 30);
    w->move(strip);
    DoubleClickHeader(QPoint(20, 10));
    EXPECT_EQ(w->pos(), strip + QPoint(20, 10));
}

TEST_F(DraggingTest, NormalWindowPressAtRightEdgeNeitherMovesNorResizes) {
    Show();
    Drag(Back(), FromRight(3), QPoint(30, 10), 4, false);
    EXPECT_TRUE(w->st.ResizeFlag);
    EXPECT_EQ(Cursor(), "resize");
    EXPECT_EQ(w->Width(), 5475);
    EXPECT_EQ(w->Left(), kStartLeft);
    EXPECT_EQ(w->Top(), kStartTop);
    Send(Back(), QEvent::MouseButtonRelease, Back()->mapToGlobal(FromRight(3)), Qt::LeftButton,
         Qt::NoButton);
    EXPECT_FALSE(w->st.ResizeFlag);
    EXPECT_FALSE(w->st.DragFlag);
    EXPECT_EQ(Cursor(), "arrow");
}

TEST_F(DraggingTest, LockedWindowStaysButPanelsStillMove) {
    Show();
    Click(w->ui.lblDown[0]);
    Click(w->ui.lblPlayerControl[2]);
    ASSERT_TRUE(w->st.LockFlag);
    Drag(Back(), QPoint(30, 20), QPoint(40, 25));
    EXPECT_EQ(w->Left(), kStartLeft);
    EXPECT_EQ(w->Top(), kStartTop);

    Click(w->ui.lblDown[1]);
    Panel* config = w->ui.frmConfig;
    const QPoint bare(4, 100);
    ASSERT_EQ(config->childAt(bare), nullptr);
    Drag(config, bare, QPoint(-20, 10));
    EXPECT_EQ(tw::Left(config), 1305 - 300);
    EXPECT_EQ(tw::Top(config), 1935 + 150);
    EXPECT_FALSE(w->st.DragFlag);
}

TEST_F(DraggingTest, LockedStripShowsArrowsOnPressButKeepsItsWidth) {
    Show();
    DoubleClickHeader(QPoint(10, 10));
    Click(w->ui.lblSmallSet[7]);
    ASSERT_TRUE(w->st.LockFlag);
    // No hover feedback while locked.
    Hover(Back(), FromRight(3));
    EXPECT_EQ(Cursor(), "arrow");

    Drag(Back(), FromRight(3), QPoint(-100, 0), 4, false);
    EXPECT_EQ(Cursor(), "resize");
    EXPECT_EQ(w->Width(), 5475);
    EXPECT_EQ(w->st.FormSmallWidth, 5475);
    EXPECT_EQ(w->Left(), kStartLeft);
    Send(Back(), QEvent::MouseButtonRelease, Back()->mapToGlobal(FromRight(103)), Qt::LeftButton,
         Qt::NoButton);
    EXPECT_EQ(Cursor(), "arrow");
}

TEST_F(DraggingTest, HoveringTheStripsRightEdgeShowsResizeArrows) {
    Show();
    Hover(Back(), FromRight(3));
    EXPECT_EQ(Cursor(), "arrow") << "no hover feedback in normal mode";

    DoubleClickHeader(QPoint(10, 10));
    Hover(Back(), FromRight(3));
    EXPECT_EQ(Cursor(), "resize");
    Hover(Back(), FromRight(8)); // 120 twips from the edge
    EXPECT_EQ(Cursor(), "arrow");
    Hover(Back(), FromRight(6)); // 90 twips
    EXPECT_EQ(Cursor(), "resize");
    Hover(Back(), QPoint(20, 20));
    EXPECT_EQ(Cursor(), "arrow");
}

TEST_F(DraggingTest, StripWidthDragKeepsLastPositiveWidthForNextTime) {
    Show();
    DoubleClickHeader(QPoint(10, 10));
    const QPoint start = Back()->mapToGlobal(FromRight(2)); // x = 363 px
    Send(Back(), QEvent::MouseButtonPress, start, Qt::LeftButton, Qt::LeftButton);
    Send(Back(), QEvent::MouseMove, start - QPoint(163, 0), Qt::NoButton, Qt::LeftButton);
    EXPECT_EQ(w->Width(), 3000);
    EXPECT_EQ(w->st.FormSmallWidth, 3000);
    for (const Label* back : w->ui.lblBack) EXPECT_EQ(tw::Width(back), 3000);
    EXPECT_EQ(tw::Left(w->ui.lblSmallSet[8]), 3000 - 415);
    EXPECT_EQ(tw::Left(w->ui.lblSmallSet[0]), 3000 - 6 * 415);
    EXPECT_EQ(w->Left(), kStartLeft);

    // At the strip's left edge and beyond the width stays.
    Send(Back(), QEvent::MouseMove, start - QPoint(363, 0), Qt::NoButton, Qt::LeftButton);
    Send(Back(), QEvent::MouseMove, start - QPoint(500, 0), Qt::NoButton, Qt::LeftButton);
    EXPECT_EQ(w->Width(), 3000);
    EXPECT_EQ(w->st.FormSmallWidth, 3000);
    Send(Back(), QEvent::MouseButtonRelease, start - QPoint(500, 0), Qt::LeftButton, Qt::NoButton);
    EXPECT_EQ(Cursor(), "arrow");

    DoubleClickHeader(QPoint(10, 10));
    EXPECT_EQ(w->Width(), 5475);
    DoubleClickHeader(QPoint(10, 10));
    EXPECT_EQ(w->Width(), 3000);
}

TEST_F(DraggingTest, StripWidthStopsAtWhatTheSavedWidthCanHold) {
    Show();
    DoubleClickHeader(QPoint(10, 10));
    Drag(Back(), FromRight(2), QPoint(2500, 0));
    EXPECT_EQ(w->Width(), 32767);
    EXPECT_EQ(w->st.FormSmallWidth, 32767);
}

TEST_F(DraggingTest, PanelsAreClampedAtEveryEdge) {
    Show();
    Click(w->ui.lblDown[0]);
    Click(w->ui.lblDown[1]);
    Panel* config = w->ui.frmConfig;
    const QPoint bare(4, 100);
    ASSERT_EQ(config->childAt(bare), nullptr);

    Drag(config, bare, QPoint(300, 0)); // Left 5805 is past the window's width
    EXPECT_EQ(tw::Left(config), 5475 - 100);
    EXPECT_EQ(tw::Top(config), 1935);

    Click(w->ui.lblDown[0]); // folded to 1635
    Drag(config, bare, QPoint(0, 10));
    EXPECT_EQ(tw::Top(config), 1535);

    Drag(config, bare, QPoint(-700, 0));
    EXPECT_EQ(tw::Left(config), 100 - 4110);
    Drag(config, bare, QPoint(0, -800));
    EXPECT_EQ(tw::Top(config), 100 - 4425);
}

TEST_F(DraggingTest, PressFeedbackColoursAndPasteUnchanged) {
    Show();
    struct Case {
        Label* label;
        const char* pressed;
        const char* released;
    };
    const Case cases[] = {
        {w->ui.lblPlaySet[4], "#C0C0FF", "#8080FF"},     {w->ui.lblListSet[0], "#FFC0C0", "#FF0000"},
        {w->ui.lblFileSet[1], "#FFC0FF", "#FF80FF"},     {w->ui.lblScrollTitle[7], "#808000", "#FFFFC0"},
        {w->ui.lblTagSet[0], "#808000", "#FFFFC0"},      {w->ui.lblTagSet[3], "#808000", "#FFFFC0"},
        {w->ui.lblTagSet[4], "#FFC0FF", "#FFC0FF"},      {w->ui.lblTagSet[5], "#FFC0FF", "#FFC0FF"},
        {w->ui.lblTagSet[7], "#C0FFC0", "#C0FFC0"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label->objectName().toStdString());
        QTest::mousePress(c.label, Qt::LeftButton, {}, Center(c.label));
        EXPECT_EQ(Color(c.label), c.pressed);
        // Released off the label: the feedback ends without running the command.
        QTest::mouseRelease(c.label, Qt::LeftButton, {}, QPoint(-5, -5));
        EXPECT_EQ(Color(c.label), c.released);
    }
}

} // namespace
} // namespace telbo::test
