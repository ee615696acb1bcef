// The AVR runner with firmware of the tests' own, built from
// tests/avrsim/data: what its UART sends and takes, and how long a byte
// takes on the wire for each register layout and frame format.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>

#include "RunnerSession.h"
#include "TempDir.h"
#include "wizards/ToolRunner.h"

namespace viz {
namespace {

struct FrameCase {
    const char* part;
    const char* format;  // for the message
    unsigned frameBits;  // UCSRC: parity, stop bits, character size
    bool doubleSpeed;
    unsigned ubrr;
    unsigned bitsPerByte;  // start, data, parity, stop
};

// The cycles between the two port changes around the burst, per byte.
double MeasuredByteCycles(const std::vector<avrsim::Line>& reports) {
    std::uint64_t begin = 0;
    std::uint64_t end = 0;
    for (const avrsim::Line& line : reports) {
        const auto* port = std::get_if<avrsim::PortLine>(&line);
        if (!port || port->port != 'B') continue;
        if (port->level == 1) begin = port->cycle;
        if (port->level == 2) end = port->cycle;
    }
    return end > begin ? static_cast<double>(end - begin) / 200 : 0;
}

TEST(AvrRunner, UartSendsEchoesAndTakesTheWiresByteTimeOnBothRegisterLayouts) {
    ASSERT_FALSE(testing::FindOnPath("avr-gcc").empty()) << "avr-gcc (package gcc-avr) is not installed";
    // ATmega16 writes UCSRC and UBRRH at one address; ATmega328P has both.
    const FrameCase cases[] = {
        {"atmega16", "8N1", 0x06, false, 51, 10},
        {"atmega16", "7E2 U2X", 0x2C, true, 51, 11},
        {"atmega328p", "8N1 U2X", 0x06, true, 103, 10},
        {"atmega328p", "7E2", 0x2C, false, 25, 11},
    };
    testing::TempDir dir;
    for (const FrameCase& c : cases) {
        SCOPED_TRACE(std::string(c.part) + " " + c.format);
        std::string log;
        const auto elf = testing::BuildTestFirmware(dir.path(), "frame.c", c.part,
                                                    "-DFRAME=" + std::to_string(c.frameBits) +
                                                        " -DDOUBLE=" + std::to_string(c.doubleSpeed ? 1 : 0) +
                                                        " -DUBRR_VALUE=" + std::to_string(c.ubrr),
                                                    log);
        ASSERT_FALSE(elf.empty()) << log;
        testing::RunnerSession runner(elf, c.part);
        ASSERT_EQ(runner.startError(), 0);
        ASSERT_TRUE(runner.Until([&] { return runner.transcript().find("ready\r\n") != std::string::npos; }))
            << "transcript: " << runner.transcript() << "\noutput: " << runner.output();
        EXPECT_EQ(runner.transcript(), "S" + std::string(200, 'U') + "\r\nready\r\n");
        runner.Send("echo 123");
        EXPECT_TRUE(runner.Until([&] { return runner.transcript().ends_with("echo 123"); }))
            << runner.transcript();

        const double expected = (c.ubrr + 1.0) * (c.doubleSpeed ? 8 : 16) * c.bitsPerByte;
        // Port changes carry the cycle they happened at; the drain ends
        // with the last byte still shifting out.
        EXPECT_NEAR(MeasuredByteCycles(runner.reports()), expected, expected * 0.02);
    }
}

}  // namespace
}  // namespace viz
