#include "wizards/c51/Mcu51CodeGen.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>

#include "wizards/c51/Mcu51Model.h"
#include "wizards/c51/Mcu51Scenarios.h"

namespace viz {
namespace {

std::string Expected(const std::string& name) {
    std::ifstream file(std::string(VIZ_C51_TEST_DATA) + "/" + name, std::ios::binary);
    EXPECT_TRUE(file.is_open()) << name;
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

TEST(Mcu51CodeGen, AllZeroImageHasNoDiagnosticsAndNoRoutines) {
    Mcu51Model model;
    EXPECT_EQ(BuildMcu51Code(model), Expected("all_zero.c"));
}

TEST(Mcu51CodeGen, TimerInterruptWithoutGlobalEnable) {
    Mcu51Model model;
    testing::SetUpTimer0InterruptWithoutGlobal(model);
    EXPECT_EQ(BuildMcu51Code(model), Expected("timer0_interrupt_without_global.c"));
}

TEST(Mcu51CodeGen, CountTimeOnATimerThatIsNotRunning) {
    Mcu51Model model;
    model.SetCountText(0, "500");
    EXPECT_EQ(BuildMcu51Code(model), Expected("timer0_not_running.c"));
}

TEST(Mcu51CodeGen, PowerDownIsEnteredInTheLoopNotInTheSetUp) {
    Mcu51Model model;
    model.Toggle(Mcu51Switch::DoubleBaud);
    model.SelectPowerMode(2);
    EXPECT_EQ(BuildMcu51Code(model), Expected("power_down.c"));
}

TEST(Mcu51CodeGen, DiagnosticsAreNumberedConsecutively) {
    Mcu51Model model;
    testing::SetUpManyMistakes(model);
    EXPECT_EQ(BuildMcu51Code(model), Expected("numbering.c"));
}

TEST(Mcu51CodeGen, EveryInterruptGetsItsRoutineWithReloads) {
    Mcu51Model model;
    testing::SetUpAllInterrupts(model, 1, 0, 0);
    EXPECT_EQ(BuildMcu51Code(model), Expected("all_interrupts.c"));
}

TEST(Mcu51CodeGen, RoutinesRecomputeTheirTimerAndMayLogAnOverflow) {
    Mcu51Model model;
    model.Toggle(Mcu51Switch::GlobalInterrupt);
    model.Toggle(Mcu51Switch::Timer0Interrupt);
    model.Toggle(Mcu51Switch::Timer0Run);
    model.SelectTimer0Mode(2);
    model.SetCountText(0, "300");
    model.log().Clear();
    const std::string code = BuildMcu51Code(model);
    // The overflow item comes from the flag before the routine is written;
    // the routine's own recompute logs again.
    EXPECT_NE(code.find("        1.定时器/计数器0设置定时时间300us已溢出！\r\n\r\n"), std::string::npos);
    EXPECT_EQ(model.log().text(), "> 定时器/计数器0计数值已溢出！\r\n");
    // Mode 2 reloads by itself: the routine writes no reload lines.
    EXPECT_NE(code.find("void T0Isr(void) interrupt 1\r\n{\r\n\r\n  //添加你的代码\r\n\r\n}\r\n"),
              std::string::npos);
    // The frequency line shows F, not the crystal.
    model.SelectSpeed(1);
    EXPECT_NE(BuildMcu51Code(model).find(" *Info  :Mcu run frequency(not crystal) 72000000 HZ\r\n"),
              std::string::npos);
}

}  // namespace
}  // namespace viz
