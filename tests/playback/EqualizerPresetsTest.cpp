#include "playback/EqualizerPresets.h"

#include <gtest/gtest.h>

#include <tuple>

using namespace telbo;

using Gains = std::array<int, kEqualizerBandCount>;

TEST(EqualizerPresets, NamesAndTextsLineUp) {
    const QStringList& names = EqualizerPresetNames();
    ASSERT_EQ(names.size(), 10);
    EXPECT_EQ(names.front(), "Default");
    EXPECT_EQ(names[3], "Bass Cut");
    EXPECT_EQ(names.back(), "WooferBoost");
    EXPECT_EQ(EqualizerPresetText(0), "");
    EXPECT_EQ(EqualizerPresetText(-1), "");
    EXPECT_EQ(EqualizerPresetText(10), "");
    for (int i = 1; i < names.size(); ++i) {
        const QString text = EqualizerPresetText(i);
        EXPECT_EQ(text.count(u','), 10) << i;
        EXPECT_TRUE(text.endsWith(u',')) << i;
    }
}

TEST(EqualizerPresets, PresetsParseToTheirGains) {
    EXPECT_EQ(ParsePreset(EqualizerPresetText(0)), Gains{});
    EXPECT_EQ(ParsePreset(EqualizerPresetText(1)),
              (Gains{-120, -120, -102, -89, -55, 120, 120, -120, -120, -120}));
    EXPECT_EQ(ParsePreset(EqualizerPresetText(4)),
              (Gains{83, 0, -25, -71, -80, -71, -25, 0, 34, 40}));
    EXPECT_EQ(ParsePreset(EqualizerPresetText(9)), (Gains{120, 120, 60, 0, 0, 0, 0, 0, 0, 0}));
}

TEST(NextPresetToken, SplitsAtTheFirstComma) {
    PresetStep step = NextPresetToken("65,86,");
    EXPECT_EQ(step.token, "65");
    EXPECT_EQ(step.rest, "86,");
    step = NextPresetToken(step.rest);
    EXPECT_EQ(step.token, "86");
    EXPECT_EQ(step.rest, "");
    step = NextPresetToken("12");
    EXPECT_EQ(step.token, "12");
    EXPECT_EQ(step.rest, "");
    step = NextPresetToken("");
    EXPECT_EQ(step.token, "");
    EXPECT_EQ(step.rest, "");
}

TEST(ParsePreset, BadOrShortTextGivesZerosAndClampedValues) {
    EXPECT_EQ(ParsePreset("1,2,3"), (Gains{1, 2, 3, 0, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(ParsePreset("x,,5,9.5, 7 ,"), (Gains{0, 0, 5, 0, 7, 0, 0, 0, 0, 0}));
    EXPECT_EQ(ParsePreset("500,-500,99999999999999999999999,"),
              (Gains{120, -120, 0, 0, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(ParsePreset("1,2,3,4,5,6,7,8,9,10,11,12,"), (Gains{1, 2, 3, 4, 5, 6, 7, 8, 9, 10}));
}

TEST(EqualizerBandText, FrequencyAndGain) {
    const std::tuple<int, int, const char*> cases[] = {
        {0, -120, "60 Hz: -12.0 dB"}, {3, 0, "600 Hz: 0.0 dB"},     {4, 35, "1 kHz: +3.5 dB"},
        {4, -5, "1 kHz: -0.5 dB"},    {9, 120, "16 kHz: +12.0 dB"}, {10, 0, ""},
    };
    for (const auto& [band, tenths, want] : cases)
        EXPECT_EQ(EqualizerBandText(band, tenths), want);
}
