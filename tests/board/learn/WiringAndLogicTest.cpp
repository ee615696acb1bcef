// The wiring table (edits saved per board, refused when not a pin, the
// built-in wiring restored) and the logic analyser (cursors snapping to
// edges, zoom and pan, the dump exported off the window's thread).
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QTableWidget>
#include <QTest>

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "LearnTestSupport.h"
#include "PageTestSupport.h"
#include "board/learn/LearnBoardPanel.h"
#include "board/learn/LearnBoardView.h"
#include "board/learn/LearnParts.h"
#include "board/learn/LogicView.h"
#include "board/learn/WaveCanvas.h"
#include "board/learn/WiringTable.h"

namespace viz {
namespace {

int RowOf(const CWiringTable& table, std::string_view part, std::string_view signal) {
    const auto& wires = table.layout().wires;
    for (std::size_t i = 0; i < wires.size(); ++i)
        if (wires[i].part == part && wires[i].signal == signal) return static_cast<int>(i);
    return -1;
}

QString PinShown(const CWiringTable& table, std::string_view part, std::string_view signal) {
    return table.table()->item(RowOf(table, part, signal), 2)->text();
}

TEST(WiringTable, EditsAreSavedPerBoardAndTheBuiltInWiringComesBack) {
    testing::PageHost host;
    {
        CWiringTable table(host.store, nullptr);
        BoardLayout announced;
        QObject::connect(&table, &CWiringTable::layoutChanged, [&](const BoardLayout& l) { announced = l; });
        EXPECT_EQ(PinShown(table, part::kBuzzer, "BZ"), QStringLiteral("P1.5"));

        table.table()->item(RowOf(table, part::kBuzzer, "BZ"), 2)->setText(QStringLiteral(" p2.3 "));
        EXPECT_EQ(PinShown(table, part::kBuzzer, "BZ"), QStringLiteral("P2.3"));
        EXPECT_EQ(table.status()->text(), QString());
        EXPECT_EQ(announced.Pin(part::kBuzzer, "BZ"), (BoardPin{2, 3}));
        table.table()->item(RowOf(table, part::kLcd, "RW"), 2)->setText(QString());
        EXPECT_EQ(announced.Pin(part::kLcd, "RW"), std::nullopt);

        table.table()->item(RowOf(table, part::kLcd, "E"), 2)->setText(QStringLiteral("P9.9"));
        EXPECT_TRUE(table.status()->text().contains(QString::fromUtf8("无效的引脚")));
        EXPECT_EQ(PinShown(table, part::kLcd, "E"), QStringLiteral("P2.7"));
        EXPECT_EQ(table.layout().Pin(part::kLcd, "E"), (BoardPin{2, 7}));

        table.board()->setCurrentIndex(1);
        EXPECT_EQ(table.layout().family, ChipFamily::Avr);
        EXPECT_EQ(PinShown(table, part::kBuzzer, "BZ"), QStringLiteral("PD7"));
        EXPECT_EQ(announced, AtMega16LearningBoard());
    }
    // A new table (the next run) finds both edits; the AVR board kept its own wiring.
    CWiringTable again(host.store, nullptr);
    EXPECT_EQ(PinShown(again, part::kBuzzer, "BZ"), QStringLiteral("P2.3"));
    EXPECT_EQ(PinShown(again, part::kLcd, "RW"), QString());
    again.SetFamily(ChipFamily::Avr);
    EXPECT_EQ(again.layout(), AtMega16LearningBoard());
    again.SetFamily(ChipFamily::Mcs51);
    again.restore()->click();
    EXPECT_EQ(again.layout(), Mcs51LearningBoard());
    CWiringTable restored(host.store, nullptr);
    EXPECT_EQ(restored.layout(), Mcs51LearningBoard());
}

// P1.5 square wave at 1 kHz for 10 ms, P1.0 one pulse.
LogicTrace SquareWave() {
    std::array<std::uint8_t, kBoardPorts> levels{};
    levels.fill(0xFF);
    LogicTrace trace({{"BZ", {1, 5}}, {"C4", {1, 0}}}, levels, 0);
    // Changes come in time order, as the simulator reports them.
    for (SimNanos t = 500'000; t <= 10'000'000; t += 500'000) {
        trace.SetPin({1, 5}, (t / 500'000) % 2 == 0, t);
        if (t == 3'000'000) {
            trace.SetPin({1, 0}, false, 3'000'000);
            trace.SetPin({1, 0}, true, 3'020'000);
        }
    }
    return trace;
}

// The display's options are chosen in the wiring table, kept for the next
// window, and decide how the board reads the firmware's segment levels.
TEST(WiringTable, DisplayOptionsAreSavedAndChangeWhatTheDisplayShows) {
    testing::PageHost host;
    {
        CLearnBoardPanel panel(host.store, nullptr);
        EXPECT_EQ(panel.wiring()->digitsCommon()->currentIndex(), 0);
        panel.wiring()->digitsCommon()->setCurrentIndex(1);
        panel.wiring()->digitsSelect()->setCurrentIndex(1);
        EXPECT_TRUE(panel.board().layout().digits.commonAnode);
    }
    CLearnBoardPanel panel(host.store, nullptr);
    EXPECT_EQ(panel.wiring()->digitsCommon()->currentIndex(), 1);
    EXPECT_EQ(panel.wiring()->digitsSelect()->currentIndex(), 1);
    EXPECT_FALSE(panel.board().layout().digits.decoderSelect);
    panel.wiring()->digitsSelect()->setCurrentIndex(0);

    // A firmware written for common cathode digits on a common anode board
    // lights the segments it means to leave dark.
    testing::BoardFirmware firmware(panel.board());
    firmware.ScanDigits("20261208", 3);
    panel.view()->Refresh();
    EXPECT_NE(panel.view()->digits()->accessibleDescription(), QStringLiteral("20261208"));
    panel.wiring()->digitsCommon()->setCurrentIndex(0);
    firmware.ScanDigits("20261208", 3);
    panel.view()->Refresh();
    EXPECT_EQ(panel.view()->digits()->accessibleDescription(), QStringLiteral("20261208"));
}

TEST(LogicView, CursorsSnapToEdgesZoomPansAndTheDumpIsExported) {
    testing::TempDir dir;
    CLogicView view(nullptr);
    view.resize(800, 300);
    view.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
    EXPECT_FALSE(view.exportButton()->isEnabled());
    view.SetTrace(SquareWave(), 10'000'000);
    CWaveCanvas* canvas = view.canvas();
    EXPECT_EQ(canvas->windowSpan(), 10'000'000u);

    // Clicks near 1.02 ms (left) and 2.03 ms (right) on the BZ row snap to the edges at 1 and 2 ms.
    const int rowY = 6 + CWaveCanvas::kRowHeight / 2;
    QTest::mouseClick(canvas, Qt::LeftButton, {}, QPoint(canvas->XOf(1'020'000), rowY));
    QTest::mouseClick(canvas, Qt::RightButton, {}, QPoint(canvas->XOf(2'030'000), rowY));
    EXPECT_EQ(canvas->cursor(0), 1'000'000u);
    EXPECT_EQ(canvas->cursor(1), 2'000'000u);
    EXPECT_EQ(view.measure()->text(), QString::fromUtf8("两光标间隔 1.000 ms，频率 1000.0 Hz"));
    EXPECT_EQ(canvas->accessibleDescription(), view.measure()->text());

    // The pulse on the second row measures 20 us once zoomed in on it.
    view.Zoom(0.01, 3'010'000);
    EXPECT_EQ(canvas->windowSpan(), 100'000u);
    EXPECT_LE(canvas->windowStart(), 3'000'000u);
    EXPECT_GE(canvas->windowStart() + canvas->windowSpan(), 3'020'000u);
    const int pulseY = 6 + CWaveCanvas::kRowHeight * 3 / 2;
    QTest::mouseClick(canvas, Qt::LeftButton, {}, QPoint(canvas->XOf(2'990'000), pulseY));
    QTest::mouseClick(canvas, Qt::RightButton, {}, QPoint(canvas->XOf(3'025'000), pulseY));
    EXPECT_EQ(canvas->cursor(0), 3'000'000u);
    EXPECT_EQ(canvas->cursor(1), 3'020'000u);
    EXPECT_EQ(view.measure()->text(), QString::fromUtf8("两光标间隔 20.00 us，频率 50000.0 Hz"));

    // Panning to the end shows the last window of the trace.
    view.pan()->setValue(view.pan()->maximum());
    EXPECT_EQ(canvas->windowStart() + canvas->windowSpan(), 10'000'000u);
    view.ZoomAll();
    EXPECT_EQ(canvas->windowStart(), 0u);

    view.ExportVcd(QString::fromStdString((dir / "run.vcd").string()));
    ASSERT_TRUE(QTest::qWaitFor([&] { return view.exportButton()->isEnabled(); }, 10000));
    EXPECT_TRUE(view.status()->text().startsWith(QString::fromUtf8("已导出")));
    std::ifstream file(dir / "run.vcd");
    std::stringstream text;
    text << file.rdbuf();
    EXPECT_EQ(text.str(), SquareWave().Vcd(10'000'000));

    view.ExportVcd(QString::fromStdString((dir / "missing" / "run.vcd").string()));
    ASSERT_TRUE(QTest::qWaitFor([&] { return view.exportButton()->isEnabled(); }, 10000));
    EXPECT_TRUE(view.status()->text().startsWith(QString::fromUtf8("导出失败")));
}

}  // namespace
}  // namespace viz
