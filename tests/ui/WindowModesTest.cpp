// Fold, settings panel, close labels, lock, small mode and dock, driven by clicks and
// double-clicks on the shown window.

#include "ShellFixture.h"

#include "ui/Label.h"
#include "ui/ListBox.h"
#include "ui/Panel.h"
#include "ui/Twips.h"

#include <QTest>

namespace telbo::test {
namespace {

class WindowModesTest : public ShellFixture {};

TEST_F(WindowModesTest, FoldToggleSwitchesHeightAndArrow) {
    Show();
    Click(w->ui.lblDown[0]);
    EXPECT_TRUE(w->st.DownListFlag);
    EXPECT_EQ(w->Height(), 6720);
    EXPECT_EQ(w->ui.lblDown[0]->caption(), QStringLiteral("↑"));
    Click(w->ui.lblDown[0]);
    EXPECT_FALSE(w->st.DownListFlag);
    EXPECT_EQ(w->Height(), 1635);
    EXPECT_EQ(w->ui.lblDown[0]->caption(), QStringLiteral("↓"));
    EXPECT_EQ(w->Width(), 5475);
}

TEST_F(WindowModesTest, ConfigToggleAndEveryPanelCloseLabel) {
    Show();
    Click(w->ui.lblDown[0]);
    Click(w->ui.lblDown[1]);
    EXPECT_TRUE(w->st.DownConfigFlag);
    EXPECT_TRUE(w->ui.frmConfig->isVisible());
    EXPECT_EQ(Color(w->ui.lblDown[1]), "#FFFF00");
    Click(w->ui.lblClose[0]);
    EXPECT_FALSE(w->st.DownConfigFlag);
    EXPECT_TRUE(w->ui.frmConfig->isHidden());
    EXPECT_EQ(Color(w->ui.lblDown[1]), "#808000");

    Click(w->ui.lblDown[1]);
    Click(w->ui.lblConf[9]);
    ASSERT_TRUE(w->ui.frmEqualizer->isVisible());
    Click(w->ui.lblClose[1]);
    EXPECT_TRUE(w->ui.frmEqualizer->isHidden());
    EXPECT_FALSE(w->st.EqualizerShown);

    Click(w->ui.lblConf[2]);
    ASSERT_TRUE(w->ui.frmTitle->isVisible());
    Click(w->ui.lblClose[2]);
    EXPECT_TRUE(w->ui.frmTitle->isHidden());
    EXPECT_FALSE(w->st.TitleEditShown);
    // Closing the other panels leaves the settings panel open.
    EXPECT_TRUE(w->ui.frmConfig->isVisible());
}

TEST_F(WindowModesTest, TagPanelCloseLabelsHideEitherPanel) {
    Show();
    SetTracks(MakeTracks(2));
    w->ui.lstFile[1]->addItem(QStringLiteral("t1"));
    w->ui.lstFile[1]->addItem(QStringLiteral("t2"));
    w->ui.lstFile[1]->setCurrentRow(0);

    Click(w->ui.lblShowTag); // tag view
    ASSERT_EQ(w->st.TagShowFlag, TagPanel::View);
    Click(w->ui.lblClose[3]);
    EXPECT_EQ(w->st.TagShowFlag, TagPanel::None);
    EXPECT_TRUE(w->ui.frmTag[0]->isHidden());
    EXPECT_TRUE(w->ui.frmTag[1]->isHidden());

    Click(w->ui.lblShowTag);
    Click(w->ui.lblShowTag); // tag editor
    ASSERT_EQ(w->st.TagShowFlag, TagPanel::Editor);
    Click(w->ui.lblClose[4]);
    EXPECT_EQ(w->st.TagShowFlag, TagPanel::None);
    EXPECT_TRUE(w->ui.frmTag[0]->isHidden());
    EXPECT_TRUE(w->ui.frmTag[1]->isHidden());
}

TEST_F(WindowModesTest, EnteringSmallModeShowsTheStripWhereTheWindowWas) {
    Show();
    DoubleClickHeader(QPoint(40, 20));
    EXPECT_TRUE(w->st.MinFlag);
    EXPECT_EQ(w->Width(), 5475);
    EXPECT_EQ(w->Height(), 735);
    EXPECT_EQ(w->Left(), kStartLeft);
    EXPECT_EQ(w->Top(), kStartTop);
    for (const Label* back : w->ui.lblBack) EXPECT_EQ(tw::Width(back), 5475);
    for (const Label* control : w->ui.lblPlayerControl) EXPECT_TRUE(control->isHidden());
    for (const Label* symbol : w->ui.lblSmallSet) EXPECT_FALSE(symbol->isHidden());
    // Unlocked: a red lock symbol, the dock symbol beside it, not on top.
    EXPECT_EQ(Color(w->ui.lblSmallSet[7]), "#FF0000");
    EXPECT_FALSE(platform.onTop);
    EXPECT_EQ(tw::Left(w->ui.lblSmallSet[8]), 5475 - 315 - 100);
    EXPECT_EQ(tw::Left(w->ui.lblSmallSet[6]), 5475 - 3 * 415);
    EXPECT_EQ(tw::Left(w->ui.lblSmallSet[0]), 5475 - 6 * 415);
    EXPECT_EQ(tw::Top(w->ui.lblSmallSet[0]), 315);
}

TEST_F(WindowModesTest, LeavingSmallModeRestoresFoldAndPutsCornerAtTheClick) {
    // A screen tall enough for the unfolded window below the clicked point.
    platform.workArea.setHeight(1200 * 15);
    for (const bool unfolded : {true, false}) {
        SCOPED_TRACE(unfolded ? "unfolded" : "folded");
        Show();
        if (unfolded) Click(w->ui.lblDown[0]);
        DoubleClickHeader(QPoint(10, 10));
        ASSERT_TRUE(w->st.MinFlag);
        const double left = w->Left(), top = w->Top();

        DoubleClickHeader(QPoint(120, 30)); // 1800, 450 twips into the strip
        EXPECT_FALSE(w->st.MinFlag);
        EXPECT_EQ(w->Width(), 5475);
        EXPECT_EQ(w->Height(), unfolded ? 6720 : 1635);
        EXPECT_EQ(w->st.DownListFlag, unfolded);
        EXPECT_EQ(w->ui.lblDown[0]->caption(), unfolded ? QStringLiteral("↑") : QStringLiteral("↓"));
        EXPECT_EQ(w->Left(), left + 1800);
        EXPECT_EQ(w->Top(), top + 450);
        for (const Label* back : w->ui.lblBack) EXPECT_EQ(tw::Width(back), 5475);
        for (const Label* control : w->ui.lblPlayerControl) EXPECT_FALSE(control->isHidden());
        EXPECT_FALSE(AnySymbolShown());
        w.reset();
    }
}

TEST_F(WindowModesTest, LeavingSmallModeKeepsTheWholeWindowOnTheWorkArea) {
    const QRect area = platform.workArea;
    // From the docked strip: the corner keeps the clicked column, the window rises to fit.
    Show();
    Click(w->ui.lblDown[0]);
    DoubleClickHeader(QPoint(10, 10));
    Click(w->ui.lblSmallSet[6]);
    DoubleClickHeader(QPoint(40, 20));
    EXPECT_EQ(w->Left(), 600);
    EXPECT_EQ(w->Top(), area.height() - 6720);
    // Near the screen's right edge: the window moves left just enough.
    DoubleClickHeader(QPoint(10, 10));
    w->SetLeft(area.width() - 5475);
    w->SetTop(3000);
    DoubleClickHeader(QPoint(300, 20));
    EXPECT_EQ(w->Left(), area.width() - 5475);
    EXPECT_EQ(w->Top(), 3300);
}

TEST_F(WindowModesTest, LockIsKeptIntoSmallModeAndDroppedOnLeaving) {
    Show();
    Click(w->ui.lblPlayerControl[2]);
    ASSERT_TRUE(w->st.LockFlag);
    DoubleClickHeader(QPoint(10, 10));
    EXPECT_TRUE(platform.onTop);
    EXPECT_EQ(Color(w->ui.lblSmallSet[7]), "#8080FF");
    EXPECT_TRUE(w->ui.lblSmallSet[6]->isHidden());

    DoubleClickHeader(QPoint(10, 10));
    EXPECT_FALSE(w->st.LockFlag);
    EXPECT_FALSE(platform.onTop);
    EXPECT_EQ(w->ui.lblPlayerControl[2]->caption(), QStringLiteral("Lock"));
    EXPECT_FALSE(AnySymbolShown());
}

TEST_F(WindowModesTest, LockInNormalModeShowsNoSymbol) {
    Show();
    Click(w->ui.lblPlayerControl[2]);
    EXPECT_TRUE(w->st.LockFlag);
    EXPECT_TRUE(platform.onTop);
    EXPECT_EQ(w->ui.lblPlayerControl[2]->caption(), QStringLiteral("unLock"));
    EXPECT_FALSE(AnySymbolShown());
    Click(w->ui.lblPlayerControl[2]);
    EXPECT_FALSE(w->st.LockFlag);
    EXPECT_FALSE(platform.onTop);
    EXPECT_EQ(w->ui.lblPlayerControl[2]->caption(), QStringLiteral("Lock"));
    EXPECT_FALSE(AnySymbolShown());
}

TEST_F(WindowModesTest, LockSymbolInSmallModeTogglesDockSymbol) {
    Show();
    DoubleClickHeader(QPoint(10, 10));
    Click(w->ui.lblSmallSet[7]);
    EXPECT_TRUE(w->st.LockFlag);
    EXPECT_TRUE(platform.onTop);
    EXPECT_EQ(Color(w->ui.lblSmallSet[7]), "#8080FF");
    EXPECT_TRUE(w->ui.lblSmallSet[6]->isHidden());
    Click(w->ui.lblSmallSet[7]);
    EXPECT_FALSE(w->st.LockFlag);
    EXPECT_FALSE(platform.onTop);
    EXPECT_EQ(Color(w->ui.lblSmallSet[7]), "#FF0000");
    EXPECT_FALSE(w->ui.lblSmallSet[6]->isHidden());
    EXPECT_EQ(tw::Left(w->ui.lblSmallSet[6]), tw::Left(w->ui.lblSmallSet[7]) - 415);
}

TEST_F(WindowModesTest, DockGivesALockedStripAcrossTheWorkArea) {
    Show();
    DoubleClickHeader(QPoint(10, 10));
    Click(w->ui.lblSmallSet[6]);
    const QRect area = platform.workArea;
    EXPECT_EQ(w->Left(), 0);
    EXPECT_EQ(w->Top(), area.height() - 735);
    EXPECT_EQ(w->Width(), area.width());
    EXPECT_EQ(w->Height(), 735);
    for (const Label* back : w->ui.lblBack) EXPECT_EQ(tw::Width(back), area.width());
    EXPECT_TRUE(w->st.LockFlag);
    EXPECT_TRUE(w->st.MinFlag);
    EXPECT_TRUE(platform.onTop);
    EXPECT_TRUE(w->ui.lblSmallSet[6]->isHidden());
    EXPECT_EQ(Color(w->ui.lblSmallSet[7]), "#8080FF");
    EXPECT_EQ(tw::Left(w->ui.lblSmallSet[8]), area.width() - 415);
    EXPECT_EQ(tw::Left(w->ui.lblSmallSet[5]), area.width() - 415);
    for (int i = 0; i < 9; ++i)
        if (i != 6) {
            EXPECT_FALSE(w->ui.lblSmallSet[i]->isHidden()) << i;
        }

    // Docking leaves the small width alone: the next strip is as wide as before.
    EXPECT_EQ(w->st.FormSmallWidth, 5475);
    DoubleClickHeader(QPoint(10, 10));
    EXPECT_FALSE(w->st.LockFlag);
    DoubleClickHeader(QPoint(10, 10));
    EXPECT_EQ(w->Width(), 5475);
}

TEST_F(WindowModesTest, DockLandsOnTheWorkAreaOfTheWindowsScreen) {
    // A second screen to the right with a panel along its top edge.
    platform.workArea = QRect(1920 * 15, 30 * 15, 1280 * 15, 994 * 15);
    Show();
    DoubleClickHeader(QPoint(10, 10));
    Click(w->ui.lblSmallSet[6]);
    EXPECT_EQ(w->Left(), 1920 * 15);
    EXPECT_EQ(w->Top(), 30 * 15 + 994 * 15 - 735);
    EXPECT_EQ(w->Width(), 1280 * 15);
}

TEST_F(WindowModesTest, OnACompositorThatPlacesWindowsLockAndDockSayWhatTheyLackOnce) {
    const QString note =
        QStringLiteral("Staying on top and docking need X11: start with QT_QPA_PLATFORM=xcb");
    platform.compositorPlaces = true;
    platform.workArea = QRect(0, 0, 320 * 15, 240 * 15); // narrower than the strip
    Show();
    const QPointF corner(w->Left(), w->Top());
    Click(w->ui.lblPlayerControl[2]);
    EXPECT_TRUE(w->st.LockFlag); // still holds the window against drags
    EXPECT_EQ(w->ui.lblTitle[0]->caption(), note);
    EXPECT_EQ(QPointF(w->Left(), w->Top()), corner);
    Click(w->ui.lblPlayerControl[2]);
    w->titleBuilder.BuildTitle();
    // Once per run: locking again, or docking, says nothing more.
    Click(w->ui.lblPlayerControl[2]);
    Click(w->ui.lblPlayerControl[2]);
    DoubleClickHeader(QPoint(10, 10));
    Click(w->ui.lblSmallSet[6]);
    EXPECT_NE(w->ui.lblTitle[0]->caption(), note);
    // The strip cannot be put at the bottom: a locked strip no wider than the work area.
    EXPECT_EQ(w->Width(), 320 * 15);
    EXPECT_EQ(w->Height(), 735);
    EXPECT_TRUE(w->st.LockFlag);
}

TEST_F(WindowModesTest, LeavingSmallModeOnAScreenSmallerThanTheWindowShrinksToIt) {
    platform.workArea = QRect(0, 0, 320 * 15, 240 * 15);
    Show();
    Click(w->ui.lblDown[0]); // unfolded: 6720 twips high, more than 3600
    DoubleClickHeader(QPoint(10, 10));
    DoubleClickHeader(QPoint(10, 10));
    EXPECT_EQ(w->Left(), 0);
    EXPECT_EQ(w->Top(), 0);
    EXPECT_EQ(w->Width(), 320 * 15);
    EXPECT_EQ(w->Height(), 240 * 15);
}

TEST_F(WindowModesTest, NarrowStripPutsButtonsLeftOfTheWindow) {
    Show();
    w->st.FormSmallWidth = 1500;
    DoubleClickHeader(QPoint(10, 10));
    EXPECT_EQ(w->Width(), 1500);
    EXPECT_EQ(tw::Left(w->ui.lblSmallSet[5]), 1085);
    EXPECT_EQ(tw::Left(w->ui.lblSmallSet[2]), -160);
    EXPECT_EQ(tw::Left(w->ui.lblSmallSet[0]), -990);
    EXPECT_EQ(tw::Left(w->ui.lblSmallSet[6]), 255);
    EXPECT_FALSE(w->ui.lblSmallSet[0]->isHidden());
}

TEST_F(WindowModesTest, SymbolButtonsRunTheirCommands) {
    Show();
    SetTracks(MakeTracks(1));
    DoubleClickHeader(QPoint(10, 10));
    Click(w->ui.lblSmallSet[1]);
    EXPECT_TRUE(engine.calls.contains(QStringLiteral("play"))) << engine.calls.join(", ").toStdString();
    engine.clearCalls();
    Click(w->ui.lblSmallSet[2]);
    EXPECT_TRUE(engine.calls.contains(QStringLiteral("stop"))) << engine.calls.join(", ").toStdString();

    Click(w->ui.lblSmallSet[0]); // open: the file dialog, cancelled
    EXPECT_EQ(platform.dialogRequests.size(), 1);
    EXPECT_FALSE(platform.dialogRequests.value(0).save);

    Click(w->ui.lblSmallSet[8]);
    EXPECT_EQ(platform.endProgramCalls, 1);
    EXPECT_FALSE(w->isVisible());
}

TEST_F(WindowModesTest, MinAndPowerOffLabels) {
    Show();
    Click(w->ui.lblPlayerControl[1]);
    EXPECT_EQ(platform.minimizeCalls, 1);
    EXPECT_EQ(platform.endProgramCalls, 0);
    Click(w->ui.lblPlayerControl[0]);
    EXPECT_EQ(platform.endProgramCalls, 1);
    EXPECT_FALSE(w->isVisible());
}

} // namespace
} // namespace telbo::test
