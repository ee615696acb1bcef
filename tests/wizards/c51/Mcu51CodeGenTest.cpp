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

// Keil's text with SDCC's header and interrupt keyword.
std::string AsSdcc(std::string keil) {
    const std::string include = "#include<at89x52.h>";
    keil.replace(keil.find(include), include.size(), "#include <8052.h>");
    for (int n = 0; n < 6; ++n) {
        const std::string keyword = ") interrupt " + std::to_string(n) + "\r\n";
        const std::size_t at = keil.find(keyword);
        if (at != std::string::npos)
            keil.replace(at, keyword.size(), ") __interrupt(" + std::to_string(n) + ")\r\n");
    }
    return keil;
}

TEST(Mcu51CodeGen, SdccFlavourDiffersOnlyInHeaderAndInterruptKeyword) {
    Mcu51Model model;
    testing::SetUpAllInterrupts(model, 1, 0, 0);
    const std::string sdcc = BuildMcu51Code(model, Mcu51Compiler::Sdcc);
    EXPECT_EQ(sdcc, AsSdcc(Expected("all_interrupts.c")));
    EXPECT_NE(sdcc.find("void T2Isr(void) __interrupt(5)\r\n"), std::string::npos);
}

TEST(Mcu51CodeGen, RoutinesOfSplitTimer0AndCapturingTimer2ReloadWhatTheHardwareDoesNot) {
    Mcu51Model model;
    testing::SetUpAllInterrupts(model, 3, 2, 1);
    const std::string code = BuildMcu51Code(model);
    // 1000 us do not fit 8 bits; 200 do: TL0 = 256 - 200.
    model.SetCountText(0, "200");
    const std::string split = BuildMcu51Code(model);
    EXPECT_NE(split.find("void T0Isr(void) interrupt 1\r\n{\r\n\r\n  TL0=0x38;\r\n  //添加你的代码"),
              std::string::npos);
    // Capturing, RCAP2 holds the capture: the routine reloads the count
    // registers (65536 - 10000 = 0xD8F0) and clears both flags.
    EXPECT_NE(
        code.find("void T2Isr(void) interrupt 5\r\n{\r\n\r\n  TH2=0xD8;\r\n  TL2=0xF0;\r\n"
                  "  TF2=0;//清除定时器2溢出标志\r\n  EXF2=0;//清除定时器2外部标志\r\n  //添加你的代码"),
        std::string::npos);
    EXPECT_EQ(code.find("  RCAP2H=0xD8;\r\n  RCAP2L=0xF0;\r\n  TF2"), std::string::npos);
}

TEST(Mcu51CodeGen, BaudRatesMoreThanTwoPercentOffAreReported) {
    const std::string kItem = std::string("        1.当前晶振无法准确产生9600波特率：实际10417，误差+8.5%") +
                              "，建议使用11.0592MHz或22.1184MHz晶振，或降低波特率！\r\n\r\n";
    Mcu51Model model;
    model.Toggle(Mcu51Switch::SerialReceive);
    model.Toggle(Mcu51Switch::Timer1Run);
    model.SelectTimer1Mode(3);
    EXPECT_NE(BuildMcu51Code(model).find(kItem), std::string::npos);
    model.SelectCrystal(14);
    std::string code = BuildMcu51Code(model);
    EXPECT_EQ(code.find("无法准确产生"), std::string::npos);
    // Doubling after the reload was computed: the reload follows it.
    model.Toggle(Mcu51Switch::DoubleBaud);
    code = BuildMcu51Code(model);
    EXPECT_EQ(code.find("无法准确产生"), std::string::npos);
    EXPECT_NE(code.find("  TMOD=0x20;\r\n  TH0=0x00;\r\n  TL0=0x00;\r\n  TH1=0xFA;\r\n"), std::string::npos);
}

// The path: a serial port set up without ticking P3.0 and P3.1.
TEST(Mcu51CodeGen, PinsOfEnabledFunctionsAreSetAndExplained) {
    Mcu51Model model;
    testing::SetUpSerialPort(model);
    const char* const kSerialItem =
        "        1.串行口已启用：P3.0(RXD)、P3.1(TXD)已置1，否则串口无法收发！\r\n\r\n";
    std::string code = BuildMcu51Code(model);
    EXPECT_NE(code.find(kSerialItem), std::string::npos);
    EXPECT_NE(code.find("  P3=0x03;\r\n"), std::string::npos);
    EXPECT_EQ(model.image().port[3], 0x00) << "the boxes stay as the user left them";

    // Ticked by the user: the same line, no item.
    model.TogglePortBit(3, 0);
    model.TogglePortBit(3, 1);
    code = BuildMcu51Code(model);
    EXPECT_NE(code.find("  P3=0x03;\r\n"), std::string::npos);
    EXPECT_EQ(code.find("已置1"), std::string::npos);

    // External interrupt 0 and timer 0's gate share P3.2: one item. A
    // counter on timer 1 takes P3.5, timer 2 capturing P1.0 and P1.1.
    model.Toggle(Mcu51Switch::Ext0Interrupt);
    model.Toggle(Mcu51Switch::Timer0Gate);
    model.SelectCounter(1, 1);
    model.SelectTimer2Mode(1);
    model.TogglePortBit(1, 7);
    code = BuildMcu51Code(model);
    EXPECT_NE(code.find("  P1=0x83;\r\n  P2=0x00;\r\n  P3=0x27;\r\n"), std::string::npos);
    EXPECT_NE(code.find(".外部中断0已启用：P3.2(INT0)已置1，否则无法检测INT0引脚！"), std::string::npos);
    EXPECT_EQ(code.find("门控已开启："), std::string::npos);
    EXPECT_NE(code.find(".定时器/计数器1为计数器：P3.5(T1)已置1，否则无法对外部脉冲计数！"),
              std::string::npos);
    EXPECT_NE(
        code.find(".定时器/计数器2为计数器或捕获模式：P1.0(T2)、P1.1(T2EX)已置1，否则无法输入外部信号！"),
        std::string::npos);
}

}  // namespace
}  // namespace viz
