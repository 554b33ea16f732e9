#include "playback/RandomIndex.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

using namespace telbo;

TEST(RandomIndex, StaysInRangeAtTheEdgesOfTheDraw) {
    const float almostOne = 0.99999994f; // largest float below 1
    for (int n : {1, 2, 3, 10, 101, 1000, 100000}) {
        EXPECT_EQ(RandomIndex(n, 0.0f), 0) << n;
        EXPECT_EQ(RandomIndex(n, almostOne), n - 1) << n;
    }
    EXPECT_EQ(RandomIndex(101, 0.5f), 50);
    EXPECT_EQ(RandomIndex(2, 0.5026f), 1); // 1.99 * r crosses 1 at r = 0.50251...
    EXPECT_EQ(RandomIndex(2, 0.5025f), 0);
}

TEST(RandomIndex, GuardsAgainstEmptyListsAndBadDraws) {
    EXPECT_EQ(RandomIndex(0, 0.5f), 0);
    EXPECT_EQ(RandomIndex(-5, 0.5f), 0);
    EXPECT_EQ(RandomIndex(10, 1.0f), 9);
    EXPECT_EQ(RandomIndex(10, 7.0f), 9);
    EXPECT_EQ(RandomIndex(10, -0.5f), 0);
    EXPECT_EQ(RandomIndex(10, std::numeric_limits<float>::quiet_NaN()), 0);
    EXPECT_EQ(RandomIndex(10, std::numeric_limits<float>::infinity()), 9);
}

TEST(RandomIndex, TopIndexIsSlightlyRarer) {
    StdRandomSource source(12345u);
    constexpr int n = 3;
    constexpr int draws = 300000;
    std::vector<int> counts(n, 0);
    for (int i = 0; i < draws; ++i) {
        const float r = source.Next();
        ASSERT_GE(r, 0.0f);
        ASSERT_LT(r, 1.0f);
        ++counts[static_cast<std::size_t>(RandomIndex(n, r))];
    }
    const double top = 0.99 / (n - 0.01);
    const double other = 1.0 / (n - 0.01);
    EXPECT_NEAR(counts[2] / double(draws), top, 0.005);
    EXPECT_NEAR(counts[0] / double(draws), other, 0.005);
    EXPECT_NEAR(counts[1] / double(draws), other, 0.005);
}

TEST(StdRandomSource, FixedSeedRepeatsAndNeverReachesOne) {
    StdRandomSource a(7u);
    StdRandomSource b(7u);
    for (int i = 0; i < 100000; ++i) {
        const float x = a.Next();
        ASSERT_EQ(x, b.Next());
        ASSERT_LT(x, 1.0f);
        ASSERT_GE(x, 0.0f);
    }
}

TEST(RandomSource, ScriptedDrawsCanStandIn) {
    struct Scripted : RandomSource {
        std::vector<float> draws;
        std::size_t next = 0;
        float Next() override { return draws[next++ % draws.size()]; }
    } scripted;
    scripted.draws = {0.0f, 0.999f};
    RandomSource& source = scripted;
    EXPECT_EQ(RandomIndex(5, source.Next()), 0);
    EXPECT_EQ(RandomIndex(5, source.Next()), 4);
}
