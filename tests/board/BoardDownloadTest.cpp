// The whole download loop without hardware: the virtual board is an
// ATmega328P in its serial bootloader, the real avrdude programs it through
// the board's pty after the board was told to reset, and the new program
// runs from the flash the bootloader wrote.
#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <thread>

#include <poll.h>
#include <unistd.h>

#include "BoardTestSupport.h"
#include "TempDir.h"
#include "avrsim/EchoProgramSupport.h"
#include "board/BoardChip.h"
#include "board/SerialBootloader.h"
#include "platform/ChildProcess.h"

namespace viz {
namespace {

using namespace std::chrono_literals;

class DownloadRecorder : public testing::BoardRecorder {
public:
    void OnChipReset() override { ++resets; }
    std::atomic<int> resets{0};
};

// Waits for `done`, checking often; false after a patience only a hang exhausts.
template <typename Done>
bool WaitFor(Done done) {
    const auto deadline = testing::Clock::now() + 60s;
    while (!done()) {
        if (testing::Clock::now() > deadline) return false;
        std::this_thread::sleep_for(10ms);
    }
    return true;
}

// avrdude in its own process group, no shell between: its exit and words.
ExitStatus RunAvrdude(const std::string& port, const std::filesystem::path& hex, std::string& words) {
    ChildSpec spec;
    spec.program = testing::FindOnPath("avrdude");
    spec.arguments = {"-c", "arduino", "-p",     "m328p", "-P",
                      port, "-b",      "115200", "-U",    "flash:w:" + hex.string() + ":i"};
    ChildProcess avrdude;
    if (const int error = avrdude.Start(spec)) {
        words = std::strerror(error);
        return ExitStatus{false, -1};
    }
    for (;;) {
        pollfd wait{avrdude.output(), POLLIN, 0};
        if (::poll(&wait, 1, -1) < 0 && errno != EINTR) break;
        char buffer[4096];
        const ssize_t got = ::read(avrdude.output(), buffer, sizeof buffer);
        if (got > 0) {
            words.append(buffer, static_cast<std::size_t>(got));
        } else if (got == 0 || errno != EAGAIN) {
            break;
        }
    }
    return avrdude.Wait();
}

TEST(BoardDownload, AvrdudeProgramsTheBoardsBootloaderAndTheNewProgramRunsAfterEveryReset) {
    for (const char* tool : {"avr-gcc", "avr-objcopy", "avrdude"})
        ASSERT_FALSE(testing::FindOnPath(tool).empty()) << tool << " is not installed (scripts/setup.sh)";
    ASSERT_TRUE(std::filesystem::exists(kBootloaderSource)) << "arduino-core-avr is not installed";
    testing::TempDir dir;
    const std::filesystem::path oldProgram = testing::BuildEcho(dir.path(), "old");
    const std::filesystem::path newProgram = testing::BuildEcho(dir.path(), "hello");
    ASSERT_FALSE(oldProgram.empty() || newProgram.empty());

    // The chip as the window lists it beside the plain ATmega328P.
    const std::optional<BoardChip> chip = BootloaderChipFrom(
        {BoardChip{ChipFamily::Avr, "ATmega16", "atmega16", 16384, {"PORTA"}},
         BoardChip{ChipFamily::Avr, "ATmega328", "atmega328", 32768, {"PORTB", "PORTC", "PORTD"}}});
    ASSERT_TRUE(chip);
    EXPECT_EQ(chip->name, "ATmega328P（带串口引导程序）");
    EXPECT_EQ(chip->codeBytes, 0x7E00u);

    DownloadRecorder events;
    BoardSession board(events);
    EXPECT_FALSE(board.ResetChip());
    BoardConfig config;
    config.chip = *chip;
    config.clockHz = 16000000;
    config.file = oldProgram;
    config.search = testing::TestToolSearch();
    ASSERT_TRUE(board.Start(config));
    const std::string port = events.WaitReady(60s);
    ASSERT_FALSE(port.empty()) << events.output();

    {
        // Power on: the bootloader sees no external reset and starts the old program at once.
        testing::BoardPort reader(port);
        ASSERT_TRUE(reader.ok());
        EXPECT_EQ(reader.ReadUntil("old\r\n"), "old\r\n");
    }

    ASSERT_TRUE(board.ResetChip());
    ASSERT_TRUE(WaitFor([&] { return events.resets.load() == 1; }));
    std::string words;
    const ExitStatus status = RunAvrdude(port, newProgram, words);
    EXPECT_TRUE(status.Succeeded()) << DescribeExit(status) << "\n" << words;
    EXPECT_NE(words.find("bytes of flash verified"), std::string::npos) << words;
    // A pty has no modem lines: avrdude says so and carries on.
    EXPECT_NE(words.find("TIOCMGET"), std::string::npos) << words;

    testing::BoardPort reader(port);
    ASSERT_TRUE(reader.ok());
    // Leaving the bootloader, the chip starts the program it was given.
    EXPECT_EQ(reader.ReadUntil("hello\r\n"), "hello\r\n");
    // The reader reads nothing while the echo has the port.
    double seconds = 0;
    const std::string pattern = testing::EchoPattern();
    testing::BoardPort echo(port);
    EXPECT_EQ(echo.Exchange(pattern, 60s, seconds), pattern);

    // Another reset keeps the flash: with no downloader after it (a byte
    // that is no command lets it go), the bootloader gives up and starts
    // the new program, not the file the board was started with.
    ASSERT_TRUE(board.ResetChip());
    ASSERT_TRUE(WaitFor([&] { return events.resets.load() == 2; }));
    ASSERT_TRUE(reader.Write("x"));
    EXPECT_EQ(reader.ReadUntil("hello\r\n", 2), "hello\r\nhello\r\n");
    EXPECT_EQ(reader.Count("old"), 0);

    board.Stop();
    ASSERT_TRUE(events.WaitEnded(60s));
    EXPECT_FALSE(board.ResetChip());
}

}  // namespace
}  // namespace viz
