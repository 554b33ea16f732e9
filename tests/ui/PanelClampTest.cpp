#include "ui/PanelClamp.h"

#include <gtest/gtest.h>

using namespace telbo;

TEST(ClampPanel, InsideStaysPut) {
    EXPECT_EQ(ClampPanel(200, 300, 1000, 800, 5475, 4000), QPointF(200, 300));
    // Partly outside but a part still inside: kept.
    EXPECT_EQ(ClampPanel(-900, -700, 1000, 800, 5475, 4000), QPointF(-900, -700));
    EXPECT_EQ(ClampPanel(5475, 4000, 1000, 800, 5475, 4000), QPointF(5475, 4000));
}

TEST(ClampPanel, EachEdgeLeavesAGrip) {
    EXPECT_EQ(ClampPanel(6000, 0, 1000, 800, 5475, 4000), QPointF(5375, 0));
    EXPECT_EQ(ClampPanel(-1001, 0, 1000, 800, 5475, 4000), QPointF(-900, 0));
    EXPECT_EQ(ClampPanel(0, -801, 1000, 800, 5475, 4000), QPointF(0, -700));
    EXPECT_EQ(ClampPanel(0, 4001, 1000, 800, 5475, 4000), QPointF(0, 3900));
    EXPECT_EQ(ClampPanel(9999, 9999, 1000, 800, 5475, 4000), QPointF(5375, 3900));
    EXPECT_EQ(ClampPanel(-9999, -9999, 1000, 800, 5475, 4000), QPointF(-900, -700));
}

TEST(ClampPanel, FoldedWindowPullsAPanelUp) {
    EXPECT_EQ(ClampPanel(100, 3000, 2000, 1500, 5475, 1635), QPointF(100, 1535));
}

TEST(ClampPanel, RulesApplyInOrder) {
    // Window narrower than the grip: the right-edge rule puts the panel left of 0 and the
    // left-edge rule then runs on that result.
    EXPECT_EQ(ClampPanel(500, 0, 10, 10, 50, 50), QPointF(90, 0));
}
