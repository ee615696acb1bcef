// The board's plain logic: how the runner's port reports become pin levels
// and edges, and the compiler command lines a build runs.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "board/AvrSimProtocol.h"
#include "board/BoardPins.h"
#include "board/FirmwareBuild.h"

namespace viz {
namespace {

TEST(BoardLogic, PortReportsBecomeLevelsChangesAndEdges) {
    // The lines as the runner writes them, a broken one among them.
    const std::vector<std::string> lines = {
        "uart /dev/pts/7", "port 0 A 00",    "port 0 B FF",    "port 800 B 7F",  "port 800 B 7F",
        "port x B 01",     "port 1600 B FF", "port 2400 B 7E", "port 2400 Q 01", "end done"};
    BoardPins pins;
    pins.Reset({"PORTA", "PORTB", "PORTC"});
    int portLines = 0;
    for (const std::string& text : lines) {
        const auto line = avrsim::Parse(text);
        const auto* port = line ? std::get_if<avrsim::PortLine>(&*line) : nullptr;
        if (!port) continue;
        ++portLines;
        EXPECT_EQ(avrsim::Format(*port), text);
        if (port->port >= 'A' && port->port <= 'C')
            pins.Set(static_cast<std::size_t>(port->port - 'A'), port->level, port->cycle / 8000.0);
    }
    EXPECT_EQ(portLines, 7);  // "port x B 01" is none
    EXPECT_FALSE(avrsim::Parse("port 1 B 100"));
    EXPECT_EQ(std::get<avrsim::UartLine>(*avrsim::Parse("uart /dev/pts/7")).path, "/dev/pts/7");
    EXPECT_EQ(std::get<avrsim::EndLine>(*avrsim::Parse("end done")).reason, "done");

    const PinSnapshot snapshot = pins.Snapshot();
    EXPECT_EQ(snapshot.values, (std::vector<std::uint8_t>{0x00, 0x7E, 0x00}));
    EXPECT_EQ(snapshot.known, (std::vector<bool>{true, true, false}));
    // The repeated 7F is no change.
    EXPECT_EQ(snapshot.changes, 5u);
    const std::vector<PinChange> history = pins.History();
    // Bit 7 of port B fell at 0.1 s, rose at 0.2 s and fell again; bit 0 fell at 0.3 s.
    EXPECT_EQ(BitEdges(history, 1, 7), (std::vector<double>{0.1, 0.2, 0.3}));
    EXPECT_EQ(BitEdges(history, 1, 0), (std::vector<double>{0.3}));
    EXPECT_TRUE(BitEdges(history, 0, 0).empty());

    // A long run keeps only the latest changes.
    for (int i = 0; i < 2000; ++i) pins.Set(2, static_cast<std::uint8_t>(i & 1), i);
    EXPECT_EQ(pins.History().size(), BoardPins::kHistory);
    EXPECT_EQ(pins.History().back().seconds, 1999);

    const std::vector<BoardChip> parts =
        avrsim::PartsFromListing("part atmega16 16384 ABCD\nnoise\npart attiny85 8192 B\n");
    ASSERT_EQ(parts.size(), 2u);
    EXPECT_EQ(parts[1].name, "ATtiny85");
    EXPECT_EQ(parts[1].ports, (std::vector<std::string>{"PORTB"}));
    EXPECT_EQ(parts[0].codeBytes, 16384u);
}

TEST(BoardLogic, CompilerCommandLinesFitTheChipAndTheClock) {
    const BoardChip c8051{ChipFamily::Mcs51, "8051", "51", 4096, {}};
    const BoardChip c8052{ChipFamily::Mcs51, "8052", "52", 8192, {}};
    const BoardChip m16{ChipFamily::Avr, "ATmega16", "atmega16", 16384, {}};

    // The wizard's text is built as main.c in the board's folder.
    BuildRequest wizard{c8051, 11059200, "/usr/bin/sdcc", "/tmp/board", "void main(void){}", {}};
    EXPECT_EQ(CompilerArguments(wizard),
              (std::vector<std::string>{"-mmcs51", "--code-size", "4096", "--iram-size", "128", "main.c"}));
    EXPECT_EQ(FirmwareOutput(wizard), "/tmp/board/main.ihx");

    // A user's file stays where it is; the output goes to the board's folder.
    BuildRequest file{c8052, 11059200, "/usr/bin/sdcc", "/tmp/board", {}, "/home/u/blink.c"};
    EXPECT_EQ(CompilerArguments(file),
              (std::vector<std::string>{"-mmcs51", "--code-size", "8192", "--iram-size", "256", "-o",
                                        "/tmp/board/", "/home/u/blink.c"}));
    EXPECT_EQ(FirmwareOutput(file), "/tmp/board/blink.ihx");

    BuildRequest avr{m16, 8000000, "/usr/bin/avr-gcc", "/tmp/board", {}, "/home/u/uart.c"};
    EXPECT_EQ(CompilerArguments(avr),
              (std::vector<std::string>{"-mmcu=atmega16", "-DF_CPU=8000000UL", "-Os", "-o",
                                        "/tmp/board/uart.elf", "/home/u/uart.c"}));
    avr.sourceFile.clear();
    avr.clockHz = 11059200;
    EXPECT_EQ(CompilerArguments(avr)[1], "-DF_CPU=11059200UL");
    EXPECT_EQ(CompilerArguments(avr).back(), "main.c");
    EXPECT_EQ(FirmwareOutput(avr), "/tmp/board/main.elf");
}

}  // namespace
}  // namespace viz
