// The board shared between the simulator's thread and the window: a new
// wiring keeps the user's inputs and the chip's levels, and the recording
// covers exactly the changes between its start and stop.
#include <gtest/gtest.h>

#include "board/parts/SharedBoard.h"

namespace viz {
namespace {

TEST(SharedBoard, RewiringKeepsInputsAndLevelsAndTheTraceCoversItsWindow) {
    SharedBoard shared(Mcs51LearningBoard());
    const std::uint64_t before = shared.inputsVersion();
    shared.PressKey(0, true);
    shared.SetPot(0.25);
    EXPECT_GT(shared.inputsVersion(), before);
    shared.SetPort(2, 0xFE, 1'000'000);  // D1 lit
    shared.AdvanceTo(50'000'000);
    EXPECT_TRUE(shared.Snapshot(5000).leds.lit[0]);
    EXPECT_EQ(shared.ToChip()[3].mask, 0x02);  // K1 on P3.1

    BoardLayout moved = Mcs51LearningBoard();
    moved.SetPin(part::kKeys, "K1", BoardPin{3, 4});
    moved.SetPin(part::kLeds, "D1", BoardPin{2, 1});
    moved.SetPin(part::kLeds, "D2", BoardPin{2, 0});
    const std::uint64_t beforeRelayout = shared.inputsVersion();
    shared.Relayout(moved);
    EXPECT_GT(shared.inputsVersion(), beforeRelayout);
    EXPECT_EQ(shared.ToChip()[3].mask, 0x10);
    EXPECT_EQ(shared.ToChip()[3].levels & 0x10, 0);
    shared.AdvanceTo(100'000'000);
    const BoardSnapshot shot = shared.Snapshot(5000);
    EXPECT_FALSE(shot.leds.lit[0]);
    EXPECT_TRUE(shot.leds.lit[1]);  // D2 now on P2.0, which the chip holds low
    EXPECT_TRUE(shot.inputs.keys[0]);
    EXPECT_EQ(shot.pot, "1.25 V");

    EXPECT_FALSE(shared.Trace());
    shared.StartTrace({{"BZ", {1, 5}}});
    shared.SetPin({1, 5}, false, 101'000'000);
    shared.SetPin({1, 5}, true, 101'250'000);
    shared.StopTrace();
    shared.SetPin({1, 5}, false, 102'000'000);
    const std::optional<LogicTrace> trace = shared.Trace();
    ASSERT_TRUE(trace);
    EXPECT_EQ(trace->start(), 100'000'000u);
    EXPECT_TRUE(trace->InitialLevel(0));
    EXPECT_EQ(trace->Edges(0), (std::vector<SimNanos>{101'000'000, 101'250'000}));
}

}  // namespace
}  // namespace viz
