#include "wizards/c51/Mcu51Delay.h"

#include <gtest/gtest.h>

#include <optional>

namespace viz {
namespace {

// Every triple in the wizard's search order, as the loop nest is defined.
std::optional<DelayLoops> VisitEveryTriple(std::int32_t target) {
    std::optional<DelayLoops> nearHit;
    for (int k = 1; k <= 254; ++k) {
        for (int j = 1; j <= 254; ++j) {
            for (int i = 1; i <= 254; ++i) {
                const std::int64_t d = 2 + std::int64_t{i} * (std::int64_t{j} * (2 * k + 3) + 3) - target;
                if (d == 0) return DelayLoops{i, j, k};
                if (d == 1 || d == -1) nearHit = DelayLoops{i, j, k};
            }
        }
    }
    return nearHit;
}

void ExpectLoops(const std::optional<DelayLoops>& loops, int i, int j, int k) {
    ASSERT_TRUE(loops.has_value());
    EXPECT_EQ(loops->i, i);
    EXPECT_EQ(loops->j, j);
    EXPECT_EQ(loops->k, k);
}

TEST(Mcu51Delay, TargetCyclesScaleWithTheMachineFrequency) {
    EXPECT_EQ(DelayTargetCycles(1000, 12000000), 1000);
    // 11059200 / 12000000 = 0.9216 in single precision
    EXPECT_EQ(DelayTargetCycles(1000, 11059200), 921);
    EXPECT_EQ(DelayTargetCycles(1000, 144000000), 12000);
    EXPECT_EQ(DelayTargetCycles(-3, 12000000), -3);
    EXPECT_FALSE(DelayTargetCycles(2000000000, 576000000).has_value());
}

TEST(Mcu51Delay, FindsTheExactLoopsOfKnownCases) {
    ExpectLoops(FindDelayLoops(1000), 1, 199, 1);
    ExpectLoops(FindDelayLoops(921), 1, 4, 113);
    ExpectLoops(FindDelayLoops(12000), 14, 122, 2);
    ExpectLoops(FindDelayLoops(10), 1, 1, 1);
    EXPECT_FALSE(FindDelayLoops(5).has_value());
    EXPECT_FALSE(FindDelayLoops(-100).has_value());
    EXPECT_EQ(DelayCycles({14, 122, 2}), 12000);
}

TEST(Mcu51Delay, AgreesWithVisitingEveryTriple) {
    // Exact hits, near hits only (the last one met wins), misses and targets
    // beyond the largest nest.
    for (std::int32_t target : {9, 11, 13, 997, 4001, 123457, 16581375, 40000000}) {
        const std::optional<DelayLoops> expected = VisitEveryTriple(target);
        const std::optional<DelayLoops> found = FindDelayLoops(target);
        ASSERT_EQ(found.has_value(), expected.has_value()) << target;
        if (!expected) continue;
        EXPECT_EQ(found->i, expected->i) << target;
        EXPECT_EQ(found->j, expected->j) << target;
        EXPECT_EQ(found->k, expected->k) << target;
    }
}

TEST(Mcu51Delay, BuildsTheDelayFunctionText) {
    EXPECT_EQ(BuildDelayCode(1000, 12000000),
              "//延时时间：1000微秒\r\n\r\n"
              "void Delay(void)\r\n"
              "{\r\n"
              "  unsigned char i,j,k;\r\n"
              " \r\n"
              "  for(i=1;i>0;i--)\r\n"
              "     for(j=199;j>0;j--)\r\n"
              "        for(k=1;k>0;k--);\r\n"
              "}\r\n");
    EXPECT_NE(BuildDelayCode(1000, 11059200)->find("        for(k=113;k>0;k--);\r\n"), std::string::npos);
    EXPECT_NE(BuildDelayCode(1000, 144000000)->find("  for(i=14;i>0;i--)\r\n     for(j=122;j>0;j--)\r\n"),
              std::string::npos);
    EXPECT_NE(BuildDelayCode(10, 12000000)->find("//延时时间：10微秒"), std::string::npos);
    EXPECT_FALSE(BuildDelayCode(5, 12000000).has_value());
}

}  // namespace
}  // namespace viz
