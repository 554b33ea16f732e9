#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "core/WindowPlacement.h"

using namespace telbo;

namespace {
const QSizeF kWindow(5475, 1200);
const QList<QRectF> kTwoScreens = {QRectF(0, 0, 28800, 16200), QRectF(28800, 0, 19200, 15360)};
const QPointF kRescued(300, 300);
} // namespace

TEST(VisiblePosition, KeepsReachableWindows) {
    EXPECT_EQ(VisiblePosition({1000, 1000}, kWindow, kTwoScreens), QPointF(1000, 1000));
    EXPECT_EQ(VisiblePosition({30000, 500}, kWindow, kTwoScreens), QPointF(30000, 500));
    // Straddling both screens, or mostly off the left edge with 100 twips showing.
    EXPECT_EQ(VisiblePosition({27000, 0}, kWindow, kTwoScreens), QPointF(27000, 0));
    EXPECT_EQ(VisiblePosition({-5375, 1000}, kWindow, kTwoScreens), QPointF(-5375, 1000));
    EXPECT_EQ(VisiblePosition({0, 16100}, kWindow, kTwoScreens), QPointF(0, 16100));
}

TEST(VisiblePosition, RescuesWindowsOffEveryScreen) {
    EXPECT_EQ(VisiblePosition({-5400, 0}, kWindow, kTwoScreens), kRescued);  // 75 twips showing
    EXPECT_EQ(VisiblePosition({0, 16150}, kWindow, kTwoScreens), kRescued);  // 50 twips showing
    EXPECT_EQ(VisiblePosition({50000, 0}, kWindow, kTwoScreens), kRescued);  // unplugged monitor
    EXPECT_EQ(VisiblePosition({30000, 15300}, kWindow, kTwoScreens), kRescued); // below screen 2
    const double nan = std::numeric_limits<double>::quiet_NaN();
    EXPECT_EQ(VisiblePosition({nan, 0}, kWindow, kTwoScreens), kRescued);
    // Rescue goes to the first usable area.
    EXPECT_EQ(VisiblePosition({-99999, 0}, kWindow, {QRectF(), QRectF(1000, 2000, 9000, 9000)}),
              QPointF(1300, 2300));
}

TEST(VisiblePosition, TinyWindowsAndNoScreens) {
    EXPECT_EQ(VisiblePosition({10, 10}, QSizeF(50, 50), kTwoScreens), QPointF(10, 10));
    EXPECT_EQ(VisiblePosition({-60, 10}, QSizeF(50, 50), kTwoScreens), kRescued);
    EXPECT_EQ(VisiblePosition({-99999, 5}, kWindow, {}), QPointF(-99999, 5));
    EXPECT_EQ(VisiblePosition({-99999, 5}, kWindow, {QRectF()}), QPointF(-99999, 5));
}

TEST(InsideArea, MovesAndShrinksTheWindowIntoTheAreaOfItsCorner) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const struct {
        const char* what;
        QRectF wanted;
        QList<QRectF> areas;
        QRectF expected;
    } cases[] = {
        {"inside: unchanged", {1000, 1000, 5475, 6720}, kTwoScreens, {1000, 1000, 5475, 6720}},
        {"past the right edge: moved left", {25000, 0, 5475, 1635}, {kTwoScreens[0]},
         {28800 - 5475, 0, 5475, 1635}},
        {"past the bottom: moved up", {0, 15000, 5475, 6720}, kTwoScreens,
         {0, 16200 - 6720, 5475, 6720}},
        {"left of the area: moved right", {-300, 100, 5475, 1635}, kTwoScreens,
         {0, 100, 5475, 1635}},
        {"on the second screen: stays on it", {46000, 14000, 5475, 1635}, kTwoScreens,
         {48000 - 5475, 15360 - 1635, 5475, 1635}},
        {"wider and higher than the area: shrunk to it", {2000, 2000, 9000, 8000},
         {QRectF(0, 0, 4800, 3600)}, {0, 0, 4800, 3600}},
        {"off every screen: into the nearest", {60000, 2000, 5475, 1635}, kTwoScreens,
         {48000 - 5475, 2000, 5475, 1635}},
        {"offset work area (a top panel)", {100, 0, 5475, 1635}, {QRectF(0, 450, 28800, 15750)},
         {100, 450, 5475, 1635}},
        {"no usable area: unchanged", {-99999, 5, 5475, 1635}, {QRectF()},
         {-99999, 5, 5475, 1635}},
        {"no area at all: unchanged", {1, 2, 3, 4}, {}, {1, 2, 3, 4}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(InsideArea(c.wanted, c.areas), c.expected);
    }
    const QRectF notFinite(nan, 0, 5475, 1635);
    EXPECT_TRUE(std::isnan(InsideArea(notFinite, kTwoScreens).x()));
}
