#include "core/TimeText.h"

#include <gtest/gtest.h>

#include <limits>
#include <tuple>

using namespace telbo;

TEST(TimeText, MinutesAndSecondsWithLeadingZeros) {
    EXPECT_EQ(TimeText(0), "00:00");
    EXPECT_EQ(TimeText(7), "00:07");
    EXPECT_EQ(TimeText(187), "03:07");
    EXPECT_EQ(TimeText(3725), "62:05");
    EXPECT_EQ(TimeText(6000), "100:00");
    EXPECT_EQ(TimeText(36000), "600:00");
    EXPECT_EQ(TimeText(std::numeric_limits<qint32>::max()), "35791394:07");
}

TEST(TimeText, NegativeShowsZero) {
    EXPECT_EQ(TimeText(-1), "00:00");
    EXPECT_EQ(TimeText(std::numeric_limits<qint32>::min()), "00:00");
}

TEST(SpeedText, TwoDecimals) {
    EXPECT_EQ(SpeedText(20), "0.20");
    EXPECT_EQ(SpeedText(100), "1.00");
    EXPECT_EQ(SpeedText(105), "1.05");
    EXPECT_EQ(SpeedText(29), "0.29");
    EXPECT_EQ(SpeedText(300), "3.00");
    EXPECT_EQ(SpeedText(0), "0.00");
    EXPECT_EQ(SpeedText(-5), "-0.05");
    EXPECT_EQ(SpeedText(std::numeric_limits<int>::min()), "-21474836.48");
}

TEST(SliderValue, ClampedToTheSliderRange) {
    EXPECT_EQ(SliderValue(100, 300), 100);
    EXPECT_EQ(SliderValue(301, 300), 300);   // elapsed past the length
    EXPECT_EQ(SliderValue(-3, 300), 0);
    EXPECT_EQ(SliderValue(40000, 50000), 32767); // track longer than the slider reaches
    EXPECT_EQ(SliderValue(20000, 50000), 20000);
    EXPECT_EQ(SliderValue(5, -1), 0);
    EXPECT_EQ(SliderValue(std::numeric_limits<qint32>::max(), std::numeric_limits<int>::max()),
              32767);
}

TEST(ClockText, TimePlayedOrTimeLeft) {
    const std::tuple<qint32, qint32, bool, const char*> cases[] = {
        {62, 250, false, "01:02"},
        {62, 250, true, "-03:08"},
        {0, 250, true, "-04:10"},
        {260, 250, true, "-00:00"}, // a clock that runs past the length
        {62, 0, true, "01:02"},     // no length known (nothing open): the time played
        {3, std::numeric_limits<qint32>::max(), true, "-35791394:04"},
    };
    for (const auto& [elapsed, length, remaining, want] : cases)
        EXPECT_EQ(ClockText(elapsed, length, remaining), want) << elapsed << " of " << length;
    EXPECT_EQ(PositionText(62, 250), "01:02 / 04:10");
}
