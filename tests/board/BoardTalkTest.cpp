// What the board reads from its simulators and shows: s51's console
// replies as s51 0.6.4 prints them, the AVR runner's report lines, program
// output cut at any byte, and the clock as typed and as listed.
#include <gtest/gtest.h>

#include <unistd.h>

#include "board/AvrSimProtocol.h"
#include "board/BoardChip.h"
#include "board/ByteRelay.h"
#include "board/OutputTail.h"
#include "board/S51Console.h"

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
    EXPECT_EQ(s51::StepCommand(1234), "step 1234\nget sfr 0x80 0x90 0xa0 0xb0\n");
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
    // Any other reason to stop is shown to the user.
    EXPECT_EQ(s51::ParseStep("Stop at 0x000100: (106) Invalid instruction 0xa5\nSimulated 24 ticks\n").text,
              "Stop at 0x000100: (106) Invalid instruction 0xa5\n");

    const auto ports = s51::ParsePorts(kPorts);
    EXPECT_EQ(ports[0], 0xFF);
    EXPECT_EQ(ports[1], 0xFE);
    EXPECT_EQ(ports[2], 0x00);
    EXPECT_EQ(ports[3], 0x03);
    EXPECT_FALSE(s51::ParsePorts("0x90 P1: garbled")[1]);

    EXPECT_EQ(s51::StartupText("uCsim 0.6.4, Copyright (C) 1997 Daniel Drotos.\n"
                               "Warning: serial input interface connected to a non-terminal file.\n"
                               "0x1 uart0_check_often:   00000001 ....\nset console interactive on\n"),
              "uCsim 0.6.4, Copyright (C) 1997 Daniel Drotos.\n");
}

TEST(BoardTalk, RunnerReportLinesGoBothWays) {
    using namespace avrsim;
    for (const Line& line : std::vector<Line>{PartLine{"atmega16", 16384, "ABCD"}, UartLine{"/dev/pts/7"},
                                              PortLine{8000123, 'B', 0x0F}, EndLine{"crashed"}}) {
        const auto back = Parse(Format(line));
        ASSERT_TRUE(back) << Format(line);
        EXPECT_EQ(Format(*back), Format(line));
    }
    EXPECT_EQ(Format(PortLine{1, 'D', 0xA0}), "port 1 D A0");
    for (const char* bad : {"", "port x B 01", "port 1 BB 01", "port 1 B 100", "part atmega16", "hello"})
        EXPECT_FALSE(Parse(bad)) << bad;

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

}  // namespace
}  // namespace viz
