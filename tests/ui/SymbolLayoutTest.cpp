#include "ui/SymbolLayout.h"

#include <gtest/gtest.h>

using namespace telbo;

TEST(LayoutSymbolButtons, EqualButtonsInAFullWidthWindow) {
    std::array<double, kSymbolButtons> widths;
    widths.fill(315);
    const SymbolLefts l = LayoutSymbolButtons(5475, widths);
    EXPECT_EQ(l.left[8], 5060);
    EXPECT_EQ(l.left[7], 4645);
    EXPECT_EQ(l.left[6], 4230);
    EXPECT_EQ(l.left[5], 5060);
    EXPECT_EQ(l.left[4], 4645);
    EXPECT_EQ(l.left[0], 5060 - 5 * 415);
}

TEST(LayoutSymbolButtons, EachRowPacksItsOwnWidthsRightToLeft) {
    const std::array<double, kSymbolButtons> widths{10, 20, 30, 40, 50, 60, 70, 80, 90};
    const SymbolLefts l = LayoutSymbolButtons(1000, widths);
    EXPECT_EQ(l.left[8], 810);
    EXPECT_EQ(l.left[7], 630);
    EXPECT_EQ(l.left[6], 460);
    EXPECT_EQ(l.left[5], 840);
    EXPECT_EQ(l.left[4], 690);
    EXPECT_EQ(l.left[3], 550);
    EXPECT_EQ(l.left[2], 420);
    EXPECT_EQ(l.left[1], 300);
    EXPECT_EQ(l.left[0], 190);
}

TEST(LayoutSymbolButtons, NarrowWindowPutsButtonsLeftOfZero) {
    std::array<double, kSymbolButtons> widths;
    widths.fill(315);
    const SymbolLefts l = LayoutSymbolButtons(1000, widths);
    EXPECT_EQ(l.left[5], 585);
    EXPECT_LT(l.left[0], 0);
    EXPECT_EQ(l.left[0], 585 - 5 * 415);
}
