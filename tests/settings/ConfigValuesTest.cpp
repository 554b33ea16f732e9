#include "settings/ConfigValues.h"

#include <QStringList>

#include <gtest/gtest.h>

namespace telbo {
namespace {

TEST(ConfigValues, ModeCyclesVisitEveryNameAndWrapAround) {
    QStringList modes;
    PlayMode mode = PlayMode::Normal;
    for (int i = 0; i < 5; ++i) {
        mode = NextMode(mode);
        modes << PlayModeName(mode);
    }
    EXPECT_EQ(modes.join(u','), QStringLiteral("Repert,Shuffle,Random,RandomAllList,Normal"));

    QStringList types;
    ListEndAction action = ListEndAction::Stop;
    for (int i = 0; i < 4; ++i) {
        action = NextMode(action);
        types << ListEndActionName(action);
    }
    EXPECT_EQ(types.join(u','), QStringLiteral("Repert,NextList,RandomList,Stop"));
}

TEST(ConfigValues, UnknownModeHasNoNameAndStepsBackIntoRange) {
    for (int bad : {-1, 5, 32767}) {
        const auto mode = static_cast<PlayMode>(bad);
        EXPECT_TRUE(PlayModeName(mode).isEmpty()) << bad;
        EXPECT_EQ(NextMode(mode), PlayMode::Normal) << bad;
    }
    for (int bad : {-32768, 4, 9}) {
        const auto action = static_cast<ListEndAction>(bad);
        EXPECT_TRUE(ListEndActionName(action).isEmpty()) << bad;
        EXPECT_EQ(NextMode(action), ListEndAction::Stop) << bad;
    }
}

TEST(ConfigValues, PanelsShareTheSettingsPanelsTopAndRightEdge) {
    // A list box that is not at the design place, so no coordinate can match by accident.
    const QRectF list(100, 2000, 5000, 4000); // right 5100, bottom 6000
    const PanelPlacement p = AlignPanels(list, {4110, 4425}, {4425, 1140}, {2895, 2535});
    EXPECT_EQ(p.config, QPointF(990, 1575));
    EXPECT_EQ(p.title, QPointF(5100 - 4425, 1575));
    EXPECT_EQ(p.equalizer, QPointF(5100 - 2895, 1575));
}

TEST(ConfigValues, SleepStepCountsDownThenActsOnce) {
    SleepStepResult r = SleepStep(3, 1);
    EXPECT_EQ(r.count, 2);
    EXPECT_TRUE(r.counted);
    EXPECT_EQ(r.action, SleepAction::None);
    r = SleepStep(r.count, 1);
    EXPECT_EQ(r.action, SleepAction::None);
    r = SleepStep(r.count, 1);
    EXPECT_EQ(r.count, 0);
    EXPECT_EQ(r.action, SleepAction::PlayerEnd);
    // Off afterwards: the next track is not counted.
    r = SleepStep(r.count, 1);
    EXPECT_FALSE(r.counted);
    EXPECT_EQ(r.action, SleepAction::None);
}

TEST(ConfigValues, SleepStepActionByType) {
    EXPECT_EQ(SleepStep(1, 0).action, SleepAction::MusicStop);
    EXPECT_EQ(SleepStep(1, 1).action, SleepAction::PlayerEnd);
    EXPECT_EQ(SleepStep(1, 2).action, SleepAction::PowerOff);
    // An unknown type still counts, and the tick goes on.
    const SleepStepResult r = SleepStep(1, 7);
    EXPECT_TRUE(r.counted);
    EXPECT_EQ(r.count, 0);
    EXPECT_EQ(r.action, SleepAction::None);
    // A negative count is never counted further down.
    EXPECT_FALSE(SleepStep(-1, 0).counted);
    EXPECT_EQ(SleepStep(-1, 0).count, -1);
}

} // namespace
} // namespace telbo
