// What the board reads from its simulators and shows: s51's console
// replies as s51 0.6.4 prints them, the AVR runner's report lines, program
// output cut at any byte, and the clock as typed and as listed.
#include <gtest/gtest.h>

#include <unistd.h>

#include "board/AvrSimProtocol.h"
#include "board/BoardChip.h"
#include "board/ByteRelay.h"
#include "platform/OutputTail.h"
#include "board/S51Console.h"
#include "board/S51Uart.h"
#include "board/SimSpeed.h"

namespace viz {
namespace {

// Replies as s51 printed them, prompt removed; the first also carries the
// echo of the commands it read and its load messages.
constexpr char kFirstStep[] =
    "step 5\nget sfr 0x80 0x90 0xa0 0xb0\nLoading from echo.ihx\n134 words read from echo.ihx\n\n"
    "Stop at 0x00000c: (109) stepped 120 ticks\n"
    "     R0 R1 R2 R3 R4 R5 R6 R7\n     08 70 d4 b2 8a 29 54 48\n"
    "@R0 0c .  ACC= 0x00   0 .  B= 0x00\n@R1 84 .  PSW= 0x00 CY=0 AC=0 OV=0 P=0\n"
    "SP 0x07 -> 48 54 29 8a b2 d4 70 08\n   DPTR= 0x0000 @DPTR= 0x95 149 .\n"
    "0x000c    e5 82    MOV    A,0x82 <DPL>\nF 0x00000c\n"
    "Simulated 120 ticks (1.085e-05 sec)\nHost usage: 0.000018 sec, rate=0.606815\n";
constexpr char kInterrupted[] =
    "\nStop at 0x0000a0: (105) User stopped\nF 0x0000a0\nSimulated 359988 ticks (3.000e-02 sec)\n"
    "Host usage: 0.002498 sec, rate=12.009633\n";
constexpr char kPorts[] =
    "0x80 P0:                  0b11111111 0xff '.' 255 ( -1)\n"
    "0x90 P1:                  0b11111110 0xfe '.' 254 ( -2)\n"
    "0xa0 P2:                  0b00000000 0x00 '.'   0\n"
    "0xb0 P3:                  0b00000011 0x03 '.'   3\n";

TEST(BoardTalk, S51RepliesAreReadByWhatTheyHold) {
    EXPECT_EQ(s51::StepCommand(1234, s51::StepRegisters(false)),
              "step 1234\nget sfr 0x80 0x90 0xa0 0xb0 0x98 0x87 0x89 0x88 0x8d\n");
    EXPECT_EQ(s51::StepRegisters(true).size(), 12u);
    EXPECT_EQ(s51::Classify(kFirstStep), s51::ReplyKind::Step);
    EXPECT_EQ(s51::Classify(kInterrupted), s51::ReplyKind::Step);
    EXPECT_EQ(s51::Classify(kPorts), s51::ReplyKind::Ports);
    EXPECT_EQ(s51::Classify(""), s51::ReplyKind::Other);

    const s51::StepReply first = s51::ParseStep(kFirstStep);
    EXPECT_EQ(first.ticks, 120u);
    EXPECT_FALSE(first.interrupted);
    // The load messages are news; the echoed commands and the dump are not.
    EXPECT_EQ(first.text, "Loading from echo.ihx\n134 words read from echo.ihx\n");

    const s51::StepReply stopped = s51::ParseStep(kInterrupted);
    EXPECT_EQ(stopped.ticks, 359988u);
    EXPECT_TRUE(stopped.interrupted);
    EXPECT_EQ(stopped.text, "");
    EXPECT_FALSE(stopped.haltedAt);
    EXPECT_FALSE(first.haltedAt);
    // Any other reason to stop is the firmware's own halt, shown to the user.
    const s51::StepReply invalid =
        s51::ParseStep("Stop at 0x000100: (106) Invalid instruction 0xa5\nSimulated 24 ticks\n");
    EXPECT_EQ(invalid.text, "Stop at 0x000100: (106) Invalid instruction 0xa5\n");
    EXPECT_EQ(invalid.haltedAt, "0x000100");
    // An unknown opcode: s51 names it, then stops past it; the opcode's address counts.
    const s51::StepReply unknown = s51::ParseStep(
        "error: unknown instruction code at 0x0024 (a5)\n"
        "Erroneous instruction: 0x0024  ? a5       -\n\nStop at 0x000025: (108) F 0x000025\n"
        "Simulated 84 ticks (7.595e-06 sec)\nHost usage: 0.000036 sec, rate=0.210979\n");
    EXPECT_EQ(unknown.haltedAt, "0x0024");
    EXPECT_EQ(unknown.ticks, 84u);
    EXPECT_NE(unknown.text.find("Erroneous instruction: 0x0024"), std::string::npos) << unknown.text;

    const auto ports = s51::ParsePorts(kPorts);
    EXPECT_EQ(ports[0], 0xFF);
    EXPECT_EQ(ports[1], 0xFE);
    EXPECT_EQ(ports[2], 0x00);
    EXPECT_EQ(ports[3], 0x03);
    EXPECT_FALSE(s51::ParsePorts("0x90 P1: garbled")[1]);
    const auto registers = s51::ParseRegisters(std::string(kPorts) +
                                               "0x98 SCON:                0b01010000 0x50 'P'  80\n"
                                               "0x8d TH1:                 0b11111101 0xfd '.' 253 ( -3)\n");
    EXPECT_EQ(registers.at(0x98), 0x50);
    EXPECT_EQ(registers.at(0x8d), 0xFD);
    EXPECT_EQ(registers.at(0xb0), 0x03);
    EXPECT_EQ(s51::CheckSerialInputCommand(false), "set memory uart_0_cfg 1 0\n");

    EXPECT_EQ(s51::StartupText("uCsim 0.6.4, Copyright (C) 1997 Daniel Drotos.\n"
                               "Warning: serial input interface connected to a non-terminal file.\n"
                               "0x1 uart0_check_often:   00000001 ....\nset console interactive on\n"),
              "uCsim 0.6.4, Copyright (C) 1997 Daniel Drotos.\n");
}

TEST(BoardTalk, RunnerReportLinesGoBothWays) {
    using namespace avrsim;
    for (const Line& line :
         std::vector<Line>{PartLine{"atmega16", 16384, "ABCD"}, UartLine{"/dev/pts/7"},
                           PortLine{8000123, 'B', 0x0F}, EndLine{"crashed"}, ResetLine{16000042}}) {
        const auto back = Parse(Format(line));
        ASSERT_TRUE(back) << Format(line);
        EXPECT_EQ(Format(*back), Format(line));
    }
    EXPECT_EQ(Format(PortLine{1, 'D', 0xA0}), "port 1 D A0");
    for (const char* bad :
         {"", "port x B 01", "port 1 BB 01", "port 1 B 100", "part atmega16", "hello", "reset soon"})
        EXPECT_FALSE(Parse(bad)) << bad;
    // The window's command is the report without its cycle.
    const auto command = Parse(kResetCommand);
    ASSERT_TRUE(command);
    EXPECT_TRUE(std::holds_alternative<ResetLine>(*command));

    const std::vector<BoardChip> chips = PartsFromListing(
        "part atmega16 16384 ABCD\nnoise\npart attiny85 8192 B\npart at90usb162 16384 BCD\n");
    ASSERT_EQ(chips.size(), 3u);
    EXPECT_EQ(chips[0].name, "ATmega16");
    EXPECT_EQ(chips[0].simulatorName, "atmega16");
    EXPECT_EQ(chips[0].family, ChipFamily::Avr);
    EXPECT_EQ(chips[1].name, "ATtiny85");
    EXPECT_EQ(chips[1].ports, std::vector<std::string>{"PORTB"});
    EXPECT_EQ(chips[2].name, "AT90USB162");
}

TEST(BoardTalk, OutputIsShownWholeAndRelaysDropOnlyWhatDoesNotFit) {
    // "编译" cut inside its second character: only whole characters pass.
    std::string pending = "a\xE7\xBC\x96\xE8\xAF";
    EXPECT_EQ(TakeWholeUtf8(pending), "a\xE7\xBC\x96");
    EXPECT_EQ(pending, "\xE8\xAF");
    pending += "\x91";
    EXPECT_EQ(TakeWholeUtf8(pending), "\xE8\xAF\x91");
    EXPECT_EQ(pending, "");

    OutputTail tail(2);
    tail.Add("one\r\ntwo\nthr");
    tail.Add("ee\nfour");
    EXPECT_EQ(tail.Text(), "two\nthree\nfour");

    int pipe[2];
    ASSERT_EQ(::pipe(pipe), 0);
    ByteRelay relay(4);
    relay.Append("abcdef", 6);
    EXPECT_TRUE(relay.full());
    EXPECT_EQ(relay.dropped(), 2u);
    EXPECT_TRUE(relay.WriteTo(pipe[1]));
    EXPECT_TRUE(relay.empty());
    char read[8] = {};
    EXPECT_EQ(::read(pipe[0], read, sizeof read), 4);
    EXPECT_STREQ(read, "abcd");
    ::close(pipe[1]);
    EXPECT_FALSE(relay.ReadFrom(pipe[0]));  // end of file
    ::close(pipe[0]);
}

TEST(BoardTalk, ClockIsTypedInMegahertzAndListedShort) {
    EXPECT_EQ(ParseMegahertz("11.0592"), 11059200u);
    EXPECT_EQ(ParseMegahertz(" 8 "), 8000000u);
    EXPECT_EQ(ParseMegahertz("0.032768"), 32768u);
    for (const char* bad : {"", "0", "abc", "1.2.3", "-8", "1001"}) EXPECT_EQ(ParseMegahertz(bad), 0u) << bad;
    EXPECT_EQ(ClockText(11059200), "11.0592 MHz");
    EXPECT_EQ(ClockText(8000000), "8 MHz");
    EXPECT_EQ(ClockText(144000000), "144 MHz");
    EXPECT_EQ(Mcs51Chips()[1].name, "8052");
    EXPECT_EQ(Mcs51Chips()[1].codeBytes, 8192u);
}

// Frame times as the datasheet's baud formulas give them, in oscillator clocks.
TEST(BoardTalk, SerialFrameTimeComesFromTheChipsRegisters) {
    // The wizard's set-up: mode 1, timer 1 auto-reload TH1=0xFD: 9600 at 11.0592 MHz.
    S51UartRegisters uart{0x50, 0x00, 0x20, 0x40, 0xFD};
    EXPECT_EQ(FrameClocks(uart), 11520u);  // 11059200 / 960
    uart.pcon = 0x80;                      // SMOD doubles the rate
    EXPECT_EQ(FrameClocks(uart), 5760u);
    uart.th1 = 0xFF;  // 57600 with SMOD
    EXPECT_EQ(FrameClocks(uart), 1920u);
    // Timer 2 as the receive clock, RCAP2=0xFFFD: 115200 at 11.0592 MHz.
    const S51UartRegisters t2{0x50, 0x00, 0x00, 0x00, 0x00, 0x34, 0xFD, 0xFF};
    EXPECT_EQ(FrameClocks(t2), 960u);
    // Mode 2: 11 bits at a 64th of the oscillator; mode 3 with timer 1; mode 0: 8 × 12.
    EXPECT_EQ(FrameClocks({0x90, 0x00}), 704u);
    EXPECT_EQ(FrameClocks({0xD0, 0x00, 0x20, 0x40, 0xFD}), 12672u);
    EXPECT_EQ(FrameClocks({0x10}), 96u);
    // Nothing is taken with the receiver off, timer 1 stopped, counting pins, or timer 2 stopped.
    EXPECT_EQ(FrameClocks({0x40, 0x00, 0x20, 0x40, 0xFD}), 0u);
    EXPECT_EQ(FrameClocks({0x50, 0x00, 0x20, 0x00, 0xFD}), 0u);
    EXPECT_EQ(FrameClocks({0x50, 0x00, 0x60, 0x40, 0xFD}), 0u);
    EXPECT_EQ(FrameClocks({0x50, 0x00, 0x00, 0x00, 0x00, 0x30, 0xFD, 0xFF}), 0u);
}

TEST(BoardTalk, SpeedIsMeasuredOverTheLastSecondsAndShownOnlyWhenBehind) {
    SimSpeed speed;
    EXPECT_EQ(speed.ratio(), 1);
    speed.Add(0, 0);
    speed.Add(0.2, 0.05);
    EXPECT_EQ(speed.ratio(), 1);  // too short to tell
    for (int i = 2; i <= 20; ++i) speed.Add(0.1 * i, 0.04 * i);
    EXPECT_NEAR(speed.ratio(), 0.4, 1e-9);
    // The machine is free again: within the window the speed is back.
    for (int i = 21; i <= 60; ++i) speed.Add(0.1 * i, 0.8 + 0.1 * (i - 20));
    EXPECT_NEAR(speed.ratio(), 1.0, 1e-9);

    EXPECT_EQ(SlowSpeedPercent(0.4), 40);
    EXPECT_EQ(SlowSpeedPercent(0.524), 52);
    EXPECT_FALSE(SlowSpeedPercent(0.95));
    EXPECT_FALSE(SlowSpeedPercent(1.0));
}

}  // namespace
}  // namespace viz
