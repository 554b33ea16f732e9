#include "titles/ScrollStep.h"

#include <gtest/gtest.h>

using namespace telbo;

TEST(ScrollStep, LeftMovingTitleWrapsOnceFullyOut) {
    const double back = 4000;
    double left = 0;
    for (int tick = 1; tick <= 30; ++tick) left = ScrollStep(left, 3000, -100, back);
    EXPECT_EQ(left, -3000); // right edge exactly at 0: still counts as visible
    left = ScrollStep(left, 3000, -100, back);
    EXPECT_EQ(left, -3100);
    left = ScrollStep(left, 3000, -100, back);
    EXPECT_EQ(left, back);
}

TEST(ScrollStep, EmptyTitleWrapsAsSoonAsLeftIsNegative) {
    EXPECT_EQ(ScrollStep(0, 0, -10, 500), -10);
    EXPECT_EQ(ScrollStep(-10, 0, -10, 500), 500);
}

TEST(ScrollStep, RightMovingTitleWrapsAtTheRightLimit) {
    double left = ScrollStep(5400, 2000, 100, 4000);
    EXPECT_EQ(left, 5500);
    left = ScrollStep(left, 2000, 100, 4000);
    EXPECT_EQ(left, -2000);
    EXPECT_EQ(ScrollStep(5474, 10, 1, 0), 5475);
    EXPECT_EQ(ScrollStep(5475, 10, 1, 0), -10);
}

TEST(ScrollStep, SpeedZeroStandsStill) {
    EXPECT_EQ(ScrollStep(-99999, 10, 0, 500), -99999);
    EXPECT_EQ(ScrollStep(9999, 10, 0, 500), 9999);
}
