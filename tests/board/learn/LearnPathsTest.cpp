// The learning board's paths a user takes, through the real s51 and the
// board window with the test's own firmware: every key of the 4x4 keypad
// pressed in the window reaches a scanning firmware, LCD firmwares that poll
// the busy flag over eight bits or wait over four write their text, a user
// character and a display shift, and a 1 kHz pin recorded by
// "逻辑分析" and exported with "导出VCD" reads back as 1 kHz in sigrok-cli.
#include <QSignalSpy>

#include <fstream>

#include "LearnWindowFixture.h"
#include "SigrokReadBack.h"
#include "TempDir.h"
#include "base/StatusLabel.h"
#include "board/learn/LearnBoardView.h"
#include "board/learn/LearnParts.h"
#include "board/learn/LogicView.h"

namespace viz {
namespace {

constexpr int kPatienceMs = testing::kLearnPatienceMs;

class LearnPathsTest : public testing::LearnWindowTest {
protected:
    // Records the LCD's RW line (P2.5) from the next run on.
    void TraceRw() { board_.learnPanel()->board().StartTrace({{"RW", {2, 5}}}); }

    // The LCD firmwares' common picture: the text from the second column, the
    // user character and "OK" under it, the display shifted one column left.
    // Firmware reading the busy flag raised RW before each instruction;
    // firmware waiting out each instruction never raised it after start.
    void ExpectHelloUserCharacterAndShift(bool readsBusyFlag) {
        // Line 2 starts with the user character, which has no text of its own.
        const QString expected = QStringLiteral("Hello, Duvezer\n") + QChar(0xFFFD) + QStringLiteral("OK");
        EXPECT_TRUE(
            QTest::qWaitFor([&] { return view()->lcd()->accessibleDescription() == expected; }, kPatienceMs))
            << view()->lcd()->accessibleDescription().toStdString() << Output();
        SharedBoard& shared = board_.learnPanel()->board();
        EXPECT_EQ(shared.Snapshot(5000).lcd.cells[1][0],
                  (GlyphRows{0x00, 0x0A, 0x0A, 0x00, 0x11, 0x0E, 0x00, 0x00}));
        // Nothing sent afterwards changes it.
        const SimNanos shown = shared.now();
        ASSERT_TRUE(QTest::qWaitFor([&] { return shared.now() > shown + 50'000'000; }, kPatienceMs));
        EXPECT_EQ(view()->lcd()->accessibleDescription(), expected);
        StopRun();
        shared.StopTrace();
        const std::optional<LogicTrace> trace = shared.Trace();
        ASSERT_TRUE(trace);
        // The fall from the reset level, then up and down for each of the 33 instructions.
        EXPECT_EQ(trace->Edges(0).size(), readsBusyFlag ? 1u + 2 * 33 : 1u);
    }
};

TEST_F(LearnPathsTest, EveryKeypadKeyPressedInTheWindowReachesTheScanningFirmware) {
    ASSERT_TRUE(testing::HaveMcs51Tools()) << "sdcc and s51 are not installed";
    SetClock("11.0592");
    QSignalSpy ready(&board_, &CVirtualBoardDlg::portReady);
    Run("keypad_uart_8051.c");
    ASSERT_TRUE(QTest::qWaitFor([&] { return !ready.isEmpty(); }, kPatienceMs)) << Output();
    testing::BoardPort port(ready.front().front().toString().toStdString());
    ASSERT_TRUE(port.ok());

    for (int row = 0; row < 4; ++row) {
        for (int column = 0; column < 4; ++column) {
            const std::size_t before = port.received().size();
            QTest::mousePress(view()->keypadKey(row, column), Qt::LeftButton);
            ASSERT_TRUE(QTest::qWaitFor(
                [&] {
                    port.ReadSome();
                    return port.received().size() > before;
                },
                kPatienceMs))
                << "row " << row << " column " << column << ": " << port.received() << Output();
            QTest::mouseRelease(view()->keypadKey(row, column), Qt::LeftButton);
        }
    }
    // Each key once, with its own code: no row or column taken for another.
    EXPECT_EQ(port.received(), "0123456789ABCDEF");
    StopRun();
}

TEST_F(LearnPathsTest, LcdFirmwarePollingTheBusyFlagShowsTheTextTheUserCharacterAndTheShift) {
    ASSERT_TRUE(testing::HaveMcs51Tools()) << "sdcc and s51 are not installed";
    TraceRw();
    Run("lcd_8051.c");
    ExpectHelloUserCharacterAndShift(true);
}

TEST_F(LearnPathsTest, LcdOverFourBitsShowsTheTextTheUserCharacterAndTheShift) {
    ASSERT_TRUE(testing::HaveMcs51Tools()) << "sdcc and s51 are not installed";
    // The same firmware over four bits, as a user's file that sets it so.
    testing::TempDir dir;
    const std::filesystem::path source = dir / "lcd_4bit.c";
    std::ofstream(source) << "#define LCD_4BIT\n#include \"" VIZ_LEARN_FIRMWARE_DIR "/lcd_8051.c\"\n";
    TraceRw();
    RunFile(QString::fromStdString(source.string()));
    ExpectHelloUserCharacterAndShift(false);
}

TEST_F(LearnPathsTest, OneKilohertzPinRecordedAndExportedReadsBackAsOneKilohertzInSigrok) {
    ASSERT_TRUE(testing::HaveMcs51Tools()) << "sdcc and s51 are not installed";
    Run("toggle_1khz_8051.c");
    ASSERT_TRUE(QTest::qWaitFor([&] { return board_.status()->text().startsWith(QStringLiteral("运行中")); },
                                kPatienceMs))
        << Output();
    CLearnBoardPanel& panel = *board_.learnPanel();
    QTest::mouseClick(panel.traceButton(), Qt::LeftButton);
    const SimNanos started = panel.board().now();
    ASSERT_TRUE(QTest::qWaitFor([&] { return panel.board().now() > started + 30'000'000; }, kPatienceMs));
    QTest::mouseClick(panel.traceButton(), Qt::LeftButton);
    StopRun();

    testing::TempDir dir;
    const testing::ExportedEdges read =
        testing::ExportAndReadBack(*panel.logic(), dir / "run.vcd", "P1.5", kPatienceMs);
    ASSERT_TRUE(read.exported) << read.status;
    const testing::SigrokEdges& edges = read.edges;
    // 30 ms at 1 kHz: about 60 edges.
    ASSERT_GE(edges.halves.size(), 40u) << edges.output;
    EXPECT_NEAR(edges.Hertz(), 1000.0, 10.0) << edges.output;
}

}  // namespace
}  // namespace viz
