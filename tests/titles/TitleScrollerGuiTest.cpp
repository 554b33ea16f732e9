// The scrolling title line, driven tick by tick.

#include "TitlesFixture.h"

#include "ui/Twips.h"

#include <QLineEdit>
#include <QTimer>

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
