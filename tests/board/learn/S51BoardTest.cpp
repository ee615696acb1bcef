// The learning board's window on s51 running the test's own 8051 firmware:
// a key held with the mouse reaches the chip through s51's outside port
// values, and the LED the firmware toggles is read through its accessible
// text, as are the LCD's text and the scanned number.
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include <sys/eventfd.h>
#include <unistd.h>

#include <atomic>
#include <sstream>
#include <thread>

#include "LearnTestSupport.h"
#include "board/LearnLink.h"
#include "board/S51Runner.h"
#include "board/learn/LearnBoardView.h"
#include "board/learn/LearnParts.h"

namespace viz {
namespace {

// Feeds a dump to the board as the running board would, then lets
// `after` more pass (the chip stopped at the dump's end: a scanned display
// would go dark).
void Play(LearnLink& link, const std::string& dump, SimNanos after) {
    S51PinTrace trace;
    SimNanos last = 0;
    trace.Feed(dump, [&](std::size_t port, std::uint8_t levels, SimNanos at) {
        link.PortChanged(port, levels, at);
        last = at;
    });
    link.AdvanceTo(last + after);
}

// The commands that carry the window's input state to s51 now, if any.
std::vector<std::string> OutsideCommands(LearnLink& link) {
    const std::optional<OutsideLevels> before = link.sent();
    const std::optional<OutsideLevels> outside = link.TakeOutside();
    return outside ? S51OutsideCommands(*outside, before) : std::vector<std::string>{};
}

TEST(LearnBoardOnS51, KeyHeldInTheWindowTogglesTheLedTheFirmwareDrives) {
    testing::TempDir dir;
    SharedBoard board(Mcs51LearningBoard());
    LearnLink link(board);
    CLearnBoardView view(board, nullptr);
    EXPECT_TRUE(OutsideCommands(link).empty());  // nothing pressed: every pin left high

    std::vector<std::string> commands{"step 20000"};
    QTest::mousePress(view.key(0), Qt::LeftButton);
    const std::vector<std::string> press = OutsideCommands(link);
    ASSERT_EQ(press, (std::vector<std::string>{"set hardware port[3] 0xfd"}));
    commands.insert(commands.end(), press.begin(), press.end());
    commands.push_back("step 20000");
    QTest::mouseRelease(view.key(0), Qt::LeftButton);
    const std::vector<std::string> release = OutsideCommands(link);
    ASSERT_EQ(release, (std::vector<std::string>{"set hardware port[3] 0xff"}));
    commands.insert(commands.end(), release.begin(), release.end());
    commands.insert(commands.end(), {"step 20000", "quit"});

    Play(link, testing::RunS51WithDump(dir, "key_led_8051.c", commands), 40'000'000);
    view.Refresh();
    EXPECT_EQ(view.led(0)->accessibleDescription(), QString::fromUtf8("亮"));
    EXPECT_EQ(view.led(1)->accessibleDescription(), QString::fromUtf8("灭"));
}

TEST(LearnBoardOnS51, LcdTextAndScannedNumberAreReadOut) {
    testing::TempDir dir;
    SharedBoard board(Mcs51LearningBoard());
    LearnLink link(board);
    CLearnBoardView view(board, nullptr);
    Play(link, testing::RunS51WithDump(dir, "lcd_digits_8051.c", {"step 300000", "quit"}), 0);
    view.Refresh();
    EXPECT_EQ(view.lcd()->accessibleDescription(), QStringLiteral("Hello, Duvezer\n"));
    EXPECT_EQ(view.digits()->accessibleDescription(), QStringLiteral("20261208"));
}

// What a run tells, kept for the test's thread.
class RunNews : public BoardEvents {
public:
    void OnOutput(const std::string&) override {}
    void OnSimulatorProcess(int) override {}
    void OnReady(const std::string&) override { ready = true; }
    void OnSpeed(double) override { ++speeds; }
    void OnLearnBoardUnfed(int error) override { unfed = error; }
    std::atomic<bool> ready{false};
    std::atomic<int> speeds{0};
    std::atomic<int> unfed{0};
};

// The FIFO for the board's pins cannot be made: the run says why and the
// chip runs on without the board.
TEST(LearnBoardOnS51, ChipRunsOnAndSaysWhyWhenTheBoardCannotBeFed) {
    testing::TempDir dir;
    const std::string firmware = (dir / "firmware.ihx").string();
    const std::string build = "sdcc -mmcs51 -o '" + firmware +
                              "' '" VIZ_LEARN_FIRMWARE_DIR "/key_led_8051.c' > '" +
                              (dir / "sdcc.log").string() + "' 2>&1";
    ASSERT_EQ(std::system(build.c_str()), 0) << testing::ReadWhole(dir / "sdcc.log");
    SharedBoard board(Mcs51LearningBoard());
    PtyPort port;
    ASSERT_EQ(port.Open(), 0);
    const int stop = ::eventfd(0, EFD_CLOEXEC);
    BoardPins pins;
    pins.Reset({"P0", "P1", "P2", "P3"});
    RunNews news;
    std::filesystem::path s51;
    std::istringstream path(std::getenv("PATH") ? std::getenv("PATH") : "/usr/bin");
    for (std::string folder; s51.empty() && std::getline(path, folder, ':');)
        if (std::filesystem::exists(std::filesystem::path(folder) / "s51"))
            s51 = std::filesystem::path(folder) / "s51";
    ASSERT_FALSE(s51.empty()) << "s51 is not installed";
    const S51Setup setup{s51, {}, "51", 12000000, firmware, &board, dir / "missing"};
    RunEnd end;
    std::thread run([&] { end = RunS51(setup, port, stop, pins, news); });
    // Two speed reports: the chip kept running for a second.
    for (int waited = 0; waited < 600 && news.speeds.load() < 2; ++waited)
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    const std::uint64_t one = 1;
    EXPECT_EQ(::write(stop, &one, sizeof one), static_cast<ssize_t>(sizeof one));
    run.join();
    ::close(stop);
    EXPECT_TRUE(news.ready.load());
    EXPECT_GE(news.speeds.load(), 2);
    EXPECT_EQ(news.unfed.load(), ENOENT);
    EXPECT_EQ(end.kind, RunEnd::Kind::Stopped);
}

}  // namespace
}  // namespace viz
