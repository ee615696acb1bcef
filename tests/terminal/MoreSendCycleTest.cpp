#include "terminal/MoreSendCycle.h"

#include <gtest/gtest.h>

namespace viz {
namespace {

TEST(MoreSendCycleTest, CycleVisitsTheEightEntriesInTurnFromTheFirst) {
    MoreSendCycle cycle;
    std::vector<std::size_t> order;
    for (int i = 0; i < 10; ++i) order.push_back(cycle.Tick());
    EXPECT_EQ(order, (std::vector<std::size_t>{0, 1, 2, 3, 4, 5, 6, 7, 0, 1}));
    cycle.Restart();
    EXPECT_EQ(cycle.Tick(), 0u);
}

TEST(MoreSendCycleTest, SlotsHoldAtMost255Characters) {
    const MoreSendList entries{std::u16string(300, u'x'), u"短"};
    const MoreSendList slots = MoreSendSlots(entries);
    EXPECT_EQ(slots[0].size(), 255u);
    EXPECT_EQ(slots[1], u"短");
}

}  // namespace
}  // namespace viz
