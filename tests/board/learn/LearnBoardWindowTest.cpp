// The learning board in the board window, fed by s51 running the test's own
// 8051 firmware: the LCD's text and the scanned number are read out, a key
// pressed in the window toggles the LED the firmware drives.

#include "LearnWindowFixture.h"
#include "base/StatusLabel.h"
#include "board/learn/LearnBoardView.h"
#include "board/learn/LearnParts.h"

namespace viz {
namespace {

constexpr int kPatienceMs = testing::kLearnPatienceMs;
using LearnBoardWindowTest = testing::LearnWindowTest;

TEST_F(LearnBoardWindowTest, RunningFirmwareDrivesTheBoardAndItsKeysReachTheChip) {
    ASSERT_TRUE(testing::HaveMcs51Tools()) << "sdcc and s51 are not installed";
    EXPECT_FALSE(board_.learnPanel()->isHidden());

    Run("lcd_digits_8051.c");
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return view()->lcd()->accessibleDescription() == QStringLiteral("Hello, Duvezer\n"); },
        kPatienceMs))
        << view()->lcd()->accessibleDescription().toStdString() << Output();
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return view()->digits()->accessibleDescription() == QStringLiteral("20261208"); }, kPatienceMs))
        << view()->digits()->accessibleDescription().toStdString() << Output();
    StopRun();

    // A second run on the same board: its time goes on from the first.
    Run("key_led_8051.c");
    ASSERT_TRUE(QTest::qWaitFor([&] { return board_.status()->text().startsWith(QStringLiteral("运行中")); },
                                kPatienceMs))
        << Output();
    // The chip starts out of reset, whatever the last run left on the board.
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return view()->led(0)->accessibleDescription() == QStringLiteral("灭"); }, kPatienceMs));
    QTest::mousePress(view()->key(0), Qt::LeftButton);
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return view()->led(0)->accessibleDescription() == QStringLiteral("亮"); }, kPatienceMs))
        << Output();
    QTest::mouseRelease(view()->key(0), Qt::LeftButton);
    // The key stays up 50 ms of the chip's time, as a finger lets go.
    SharedBoard& shared = board_.learnPanel()->board();
    const SimNanos released = shared.now();
    ASSERT_TRUE(QTest::qWaitFor([&] { return shared.now() > released + 50'000'000; }, kPatienceMs));
    EXPECT_EQ(view()->led(0)->accessibleDescription(), QStringLiteral("亮"));
    // The next press turns it off.
    QTest::mousePress(view()->key(0), Qt::LeftButton);
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return view()->led(0)->accessibleDescription() == QStringLiteral("灭"); }, kPatienceMs))
        << Output();
    QTest::mouseRelease(view()->key(0), Qt::LeftButton);
    EXPECT_EQ(view()->led(1)->accessibleDescription(), QStringLiteral("灭"));
    StopRun();
}

}  // namespace
}  // namespace viz
