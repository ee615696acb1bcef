// The runner's pins as the learning board uses them, on an ATmega16 running
// data/pins.c: a pulse of ten cycles reported as two changes at their own
// cycles, the board's outside levels read by the firmware (an output pin
// reading the wired result), a pin the chip makes an output let go by the
// board until an answer newer than that turn, joined pins (a keypad's keys)
// read low with the pin driven low, the ADC reading the voltage the
// board sets, and a chip that keeps to the clock while the board answers
// every report.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <sstream>
#include <string>
#include <thread>

#include "RunnerSession.h"
#include "TempDir.h"

namespace viz {
namespace {

using avrsim::AdcLine;
using avrsim::JoinsLine;
using avrsim::OutsideLine;
using avrsim::PortLine;

class PinsRunner {
public:
    explicit PinsRunner(const std::filesystem::path& elf) : runner_(elf, "atmega16") {}

    testing::RunnerSession& runner() { return runner_; }
    std::vector<PortLine> Ports(char letter) const {
        std::vector<PortLine> ports;
        for (const avrsim::Line& line : runner_.reports()) {
            const auto* port = std::get_if<PortLine>(&line);
            if (port && port->port == letter) ports.push_back(*port);
        }
        return ports;
    }
    // The last level reported for a port, -1 before any.
    int Level(char letter) const {
        const std::vector<PortLine> ports = Ports(letter);
        return ports.empty() ? -1 : ports.back().level;
    }
    std::uint64_t LastCycle() const {
        std::uint64_t cycle = 0;
        for (const avrsim::Line& line : runner_.reports()) {
            if (const auto* time = std::get_if<avrsim::TimeLine>(&line)) cycle = time->cycle;
        }
        return cycle;
    }
    bool UntilLevel(char letter, int level) {
        return runner_.Until([&] { return Level(letter) == level; });
    }
    bool UntilSaid(const std::string& text) {
        return runner_.Until([&] { return runner_.transcript().find(text) != std::string::npos; });
    }

private:
    testing::RunnerSession runner_;
};

TEST(AvrRunnerPins, ChangesKeepTheirCyclesAndTheBoardsLevelsReachTheChip) {
    ASSERT_FALSE(testing::FindOnPath("avr-gcc").empty()) << "avr-gcc (package gcc-avr) is not installed";
    testing::TempDir dir;
    std::string log;
    const auto elf = testing::BuildTestFirmware(dir.path(), "pins.c", "atmega16", "", log);
    ASSERT_FALSE(elf.empty()) << log;
    PinsRunner pins(elf);
    testing::RunnerSession& runner = pins.runner();
    ASSERT_EQ(runner.startError(), 0);
    ASSERT_TRUE(pins.UntilSaid("ready\r\n")) << runner.output();

    // Reset leaves PORTB an input (high to the board); then 00, the pulse, 00.
    const std::vector<PortLine> b = pins.Ports('B');
    ASSERT_GE(b.size(), 4u);
    EXPECT_EQ(b[0].level, 0xFF);
    EXPECT_EQ(b[1].level, 0x00);
    EXPECT_EQ(b[2].level, 0x01);
    EXPECT_EQ(b[3].level, 0x00);
    EXPECT_GE(b[3].cycle - b[2].cycle, 9u);
    EXPECT_LE(b[3].cycle - b[2].cycle, 11u);
    // Nothing on the pins: PIND reads the board's pull-ups.
    EXPECT_TRUE(pins.UntilLevel('B', 0xFF));

    runner.Command(OutsideLine{'D', 0x5A, 0});
    EXPECT_TRUE(pins.UntilLevel('B', 0x5A)) << "PORTB " << pins.Level('B');
    // PB0 drives low; joined to it, PD6 reads low at once, and PB6 follows.
    runner.Command(JoinsLine{{{{'B', 0}, {'D', 6}}}});
    EXPECT_TRUE(pins.UntilLevel('B', 0x1A)) << "PORTB " << pins.Level('B');
    runner.Command(JoinsLine{});
    EXPECT_TRUE(pins.UntilLevel('B', 0x5A)) << "PORTB " << pins.Level('B');
    // PC0-PC3 drive high; the board pulling PC1 and PC3 low wins there, as a key to ground does.
    runner.Command(OutsideLine{'C', 0x35, pins.LastCycle()});
    EXPECT_TRUE(pins.UntilLevel('A', 0x35)) << "PORTA " << pins.Level('A');

    // The high half turns into outputs: the board's low levels there, from
    // before the turn, no longer hold.
    runner.Command(OutsideLine{'C', 0x0F, pins.LastCycle()});
    ASSERT_TRUE(pins.UntilLevel('A', 0x0F));
    runner.Send("d");
    ASSERT_TRUE(pins.UntilSaid("out\r\n"));
    EXPECT_TRUE(pins.UntilLevel('A', 0xFF));
    const std::uint64_t afterTurn = pins.LastCycle();
    runner.Command(OutsideLine{'C', 0x0F, 0});
    // 1.5 V of the 5 V reference: 1500 * 1024 / 5000 = 307.2. Commands are
    // taken in order: once the reading is there, so is the stale answer.
    runner.Command(AdcLine{3, 1500});
    const auto reading = [&] {
        const std::size_t at = runner.transcript().rfind("ADC ");
        return at == std::string::npos ? -1 : std::atoi(runner.transcript().c_str() + at + 4);
    };
    EXPECT_TRUE(runner.Until([&] {
        runner.Send("a");
        return std::abs(reading() - 307) <= 1;
    })) << runner.transcript();
    EXPECT_EQ(pins.Level('A'), 0xFF);
    // An answer from after the turn holds again.
    runner.Command(OutsideLine{'C', 0x0F, afterTurn});
    EXPECT_TRUE(pins.UntilLevel('A', 0x0F)) << "PORTA " << pins.Level('A');

    // The window answers every report with the board's levels. Those answers
    // wake the runner's wait for the clock; taking each as leave to run on
    // put the chip at twice the clock's speed. A busy machine only slows the
    // chip, so the bound holds on any machine.
    const auto start = std::chrono::steady_clock::now();
    const std::uint64_t startCycle = pins.LastCycle();
    std::size_t seen = runner.reportText().size();
    while (std::chrono::steady_clock::now() - start < std::chrono::seconds(1)) {
        ASSERT_TRUE(runner.Until([&] { return runner.reportText().size() > seen; }));
        seen = runner.reportText().size();
        runner.Command(OutsideLine{'D', 0xFF, pins.LastCycle()});
    }
    const double simulated = static_cast<double>(pins.LastCycle() - startCycle) / 8e6;
    const std::chrono::duration<double> wall = std::chrono::steady_clock::now() - start;
    EXPECT_LE(simulated, wall.count() + 0.1);
}

// A pin toggled every few cycles while the window does not read for a
// while: the runner holds the lines, and every change arrives, in order,
// the same number of cycles apart.
TEST(AvrRunnerPins, ALateReaderLosesNoChange) {
    ASSERT_FALSE(testing::FindOnPath("avr-gcc").empty()) << "avr-gcc (package gcc-avr) is not installed";
    testing::TempDir dir;
    std::string log;
    const auto elf = testing::BuildTestFirmware(dir.path(), "toggle.c", "atmega16", "", log);
    ASSERT_FALSE(elf.empty()) << log;
    testing::RunnerSession runner(elf, "atmega16");
    ASSERT_EQ(runner.startError(), 0);
    // The pipe fills within milliseconds; the runner has to hold the rest.
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    constexpr std::size_t kBytes = 4 * 1024 * 1024;
    ASSERT_TRUE(runner.Until([&] { return runner.reportText().size() > kBytes; }));

    std::istringstream lines(runner.reportText().substr(0, runner.reportText().rfind('\n', kBytes)));
    std::string line;
    std::uint64_t last = 0;
    std::uint64_t step = 0;
    int level = -1;
    std::size_t changes = 0;
    while (std::getline(lines, line)) {
        const auto parsed = avrsim::Parse(line);
        const auto* port = parsed ? std::get_if<PortLine>(&*parsed) : nullptr;
        if (!port || port->port != 'B' || port->level > 1) continue;
        if (level >= 0) {
            ASSERT_EQ(port->level, level ^ 1) << "after " << changes << " changes";
            // The loop's own period from its second turn on.
            if (changes == 1) step = port->cycle - last;
            if (changes >= 1) {
                ASSERT_EQ(port->cycle - last, step) << "after " << changes << " changes";
            }
            ++changes;
        }
        level = port->level;
        last = port->cycle;
    }
    EXPECT_GT(changes, 100000u);
}

}  // namespace
}  // namespace viz
