// The scrolling title line, driven tick by tick.

#include "TitlesFixture.h"

#include "ui/Twips.h"

#include <QElapsedTimer>
#include <QLineEdit>
#include <QTest>
#include <QTimer>

#include <cmath>

using namespace telbo;
using namespace telbo::test;

namespace {

class TitleScrollerTest : public TitlesFixture {
protected:
    Label* title = nullptr;

    void SetUp() override {
        TitlesFixture::SetUp();
        title = w->ui.lblTitle[0];
        title->setCaption("A title");
        tw::SetWidth(title, 3000);
        tw::SetLeft(title, 0);
    }
    void Ticks(int n) {
        for (int i = 0; i < n; ++i)
            w->titleScroller.tmrScroll_Timer();
    }
    double Left() const { return tw::Left(title); }
};

TEST_F(TitleScrollerTest, LeftwardTitleReentersAtTheBackPanelsWidth) {
    w->st.ScrollSpeed = -100;
    Ticks(30);
    EXPECT_EQ(Left(), -3000); // right end exactly at the edge: not yet gone
    Ticks(1);
    EXPECT_EQ(Left(), -3100);
    Ticks(1);
    EXPECT_EQ(Left(), 5475);
    EXPECT_EQ(Left(), tw::Width(w->ui.lblBack[0]));
}

TEST_F(TitleScrollerTest, LeftwardReentryFollowsANarrowerBackPanel) {
    tw::SetWidth(w->ui.lblBack[0], 3300);
    w->st.ScrollSpeed = -300;
    tw::SetLeft(title, -3001);
    Ticks(1);
    EXPECT_EQ(Left(), 3300);
}

TEST_F(TitleScrollerTest, RightwardTitleLeavesAtTheFixedEdge) {
    w->st.ScrollSpeed = 100;
    tw::SetLeft(title, 5400);
    Ticks(1);
    EXPECT_EQ(Left(), 5500);
    Ticks(1);
    EXPECT_EQ(Left(), -3000);
    // The bound does not follow the window: a narrow back panel changes nothing.
    tw::SetWidth(w->ui.lblBack[0], 3300);
    tw::SetLeft(title, 5400);
    Ticks(1);
    EXPECT_EQ(Left(), 5500);
}

TEST_F(TitleScrollerTest, FractionalPositionsAreKeptExactly) {
    w->st.ScrollSpeed = -7;
    tw::SetLeft(title, 0.5);
    Ticks(3);
    EXPECT_EQ(Left(), -20.5);
}

TEST_F(TitleScrollerTest, SpeedZeroHoldsTheTitle) {
    w->titleScroller.SwitchOn();
    w->st.ScrollSpeed = 0;
    tw::SetLeft(title, -1234);
    Ticks(5);
    EXPECT_EQ(Left(), -1234);
}

TEST_F(TitleScrollerTest, SwitchingRunsTheTimerAndOffReturnsToTheEdge) {
    w->ui.tmrScroll->setInterval(100);
    w->titleScroller.SwitchOn();
    EXPECT_TRUE(w->ui.tmrScroll->isActive());
    EXPECT_EQ(w->ui.tmrScroll->interval(), 100);
    EXPECT_TRUE(w->st.ScrollFlag);
    w->st.ScrollSpeed = -100;
    Ticks(7);
    w->titleScroller.SwitchOff();
    EXPECT_FALSE(w->ui.tmrScroll->isActive());
    EXPECT_FALSE(w->st.ScrollFlag);
    EXPECT_EQ(Left(), 0);
}

TEST_F(TitleScrollerTest, EmptyTitleWrapsOnceLeftIsBelowZero) {
    SetTracks({});
    w->titleBuilder.BuildTitle();
    ASSERT_EQ(title->caption(), "");
    EXPECT_EQ(tw::Width(title), 0);
    w->st.ScrollSpeed = -100;
    Ticks(1);
    EXPECT_EQ(Left(), -100);
    Ticks(1);
    EXPECT_EQ(Left(), 5475);
}

TEST_F(TitleScrollerTest, RebuildingTheTitleKeepsItsPosition) {
    ShowTracks({platform.makeFile("a.mp3")});
    w->st.ScrollSpeed = -100;
    Ticks(4);
    w->ui.txtScrollTitle->setText("%0 %0");
    EXPECT_EQ(title->caption(), "a.mp3 a.mp3");
    EXPECT_EQ(Left(), -400);
}

} // namespace

namespace {

// Minimised, the ticker rests; seen again it runs on from where the missed ticks would have
// taken the title (a whole number of steps from where it was), and switching while unseen
// is followed on return.
TEST_F(TitleScrollerTest, AMinimisedWindowRestsTheTickerAndCatchesUpOnReturn) {
    struct Case {
        const char* what;
        bool switchOffWhileMinimised, switchOnWhileMinimised, startOn;
        bool runningAfter;
    } cases[] = {
        {"scrolling", false, false, true, true},
        {"switched off while minimised", true, false, true, false},
        {"switched on while minimised", false, true, false, true},
        {"never on", false, false, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        w->ui.tmrScroll->setInterval(100);
        w->st.ScrollSpeed = -100;
        if (c.startOn) w->titleScroller.SwitchOn();
        else w->titleScroller.SwitchOff();
        tw::SetLeft(title, -300);
        w->setWindowState(Qt::WindowMinimized);
        EXPECT_FALSE(w->ui.tmrScroll->isActive());
        if (c.switchOffWhileMinimised) w->titleScroller.SwitchOff();
        if (c.switchOnWhileMinimised) w->titleScroller.SwitchOn();
        EXPECT_FALSE(w->ui.tmrScroll->isActive());
        const double before = Left();
        QElapsedTimer resting;
        resting.start();
        QTRY_VERIFY(resting.hasExpired(250));
        w->setWindowState(Qt::WindowNoState);
        EXPECT_EQ(w->ui.tmrScroll->isActive(), c.runningAfter);
        EXPECT_EQ(w->st.ScrollFlag, c.runningAfter);
        if (c.runningAfter) {
            // Missed ticks, taken whole: at least two in a quarter second, none half done.
            EXPECT_LE(Left(), before - 200);
            EXPECT_EQ(std::fmod(before - Left(), 100.0), 0.0);
        } else {
            EXPECT_EQ(Left(), c.switchOffWhileMinimised ? 0 : before);
        }
    }
}

} // namespace
