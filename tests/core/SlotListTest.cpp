#include "core/SlotList.h"

#include <gtest/gtest.h>

namespace telbo {
namespace {

TEST(SlotList, AppendNeverWritesPastTheLastSlot) {
    std::array<QString, kSlots> cells{};
    std::int16_t count = 0;
    std::int16_t point = 0;
    SlotList list(cells, count, point);
    EXPECT_EQ(list.Append({"a", "b"}), 2);
    EXPECT_EQ(count, 2);
    EXPECT_EQ(cells[1], "b");
    EXPECT_EQ(list.Append({}), 0);

    count = 100;
    EXPECT_EQ(list.Append({"x", "y"}), 1);
    EXPECT_EQ(count, 101);
    EXPECT_EQ(cells[100], "x");
    EXPECT_EQ(list.Append({"z"}), 0);
    EXPECT_EQ(count, 101);
}

TEST(SlotList, DamagedCountIsBroughtIntoRange) {
    std::array<QString, kSlots> cells{};
    std::int16_t count = -7;
    std::int16_t point = 0;
    SlotList list(cells, count, point);
    EXPECT_EQ(list.Append({"a"}), 1);
    EXPECT_EQ(count, 1);
    EXPECT_EQ(cells[0], "a");

    count = 30000;
    EXPECT_EQ(list.Append({"b"}), 0);
    EXPECT_EQ(count, 101);
}

} // namespace
} // namespace telbo
