// s51 running the test's own 8051 firmware with its value change dump on:
// every byte and bit write to the port latches reaches the learning board
// with its simulated time, so the LCD shows its text and the scanned display
// its number, however the dump arrives split.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "LearnTestSupport.h"
#include "board/S51PinTrace.h"
#include "board/parts/LearningBoard.h"

namespace viz {
namespace {

using testing::ReadWhole;

TEST(S51PinTrace, FirmwareWritesReachTheLcdAndTheDisplayWithTheirTimes) {
    testing::TempDir dir;
    const std::string dump = testing::RunS51WithDump(dir, "lcd_digits_8051.c", {"step 300000", "quit"});
    ASSERT_FALSE(dump.empty()) << ReadWhole(dir / "s51.log");

    LearningBoard board(Mcs51LearningBoard());
    S51PinTrace trace;
    SimNanos last = 0;
    trace.Feed(dump, [&](std::size_t port, std::uint8_t levels, SimNanos at) {
        EXPECT_GE(at, last);
        last = at;
        board.SetPort(port, levels, at);
    });
    board.AdvanceTo(last);
    EXPECT_EQ(trace.badLines(), 0u);
    EXPECT_EQ(board.lcd().LineText(0), "Hello, Duvezer  ");
    EXPECT_EQ(board.digits().Text(), "20261208");
    // The firmware ran for about 0.47 s of simulated time at 12 MHz.
    EXPECT_GT(last, 400'000'000u);
    EXPECT_LT(last, 600'000'000u);

    // Pieces of any size give the same changes.
    S51PinTrace whole, pieces;
    std::vector<std::tuple<std::size_t, std::uint8_t, SimNanos>> fromWhole, fromPieces;
    whole.Feed(dump, [&](std::size_t p, std::uint8_t l, SimNanos t) { fromWhole.emplace_back(p, l, t); });
    for (std::size_t at = 0; at < dump.size(); at += 7)
        pieces.Feed(std::string_view(dump).substr(at, 7),
                    [&](std::size_t p, std::uint8_t l, SimNanos t) { fromPieces.emplace_back(p, l, t); });
    EXPECT_EQ(fromWhole, fromPieces);
    EXPECT_GT(fromWhole.size(), 100u);
}

}  // namespace
}  // namespace viz
