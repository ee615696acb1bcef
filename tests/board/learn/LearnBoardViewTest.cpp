// The learning board's picture as a user and a screen reader meet it:
// firmware output on the LCD, the display, the LEDs and the buzzer; keys
// held with the mouse and the keyboard reaching the chip's pins; the
// potentiometer; and only the parts that changed being redrawn.
#include "board/learn/LearnBoardView.h"

#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QTabWidget>
#include <QTest>

#include <gtest/gtest.h>

#include "AccessibilityWalk.h"
#include "LearnTestSupport.h"
#include "PageTestSupport.h"
#include "board/learn/LearnBoardPanel.h"
#include "board/learn/LogicView.h"
#include "board/learn/WaveCanvas.h"
#include "board/learn/LearnParts.h"

namespace viz {
namespace {

using testing::BoardFirmware;

QString Utf8(const char* text) {
    return QString::fromUtf8(text);
}

// Counts the paint events a widget gets.
class PaintCounter : public QObject {
public:
    explicit PaintCounter(QWidget* widget) { widget->installEventFilter(this); }
    int count = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint) ++count;
        return false;
    }
};

TEST(LearnBoardView, ShowsWhatTheFirmwareDrivesAndRedrawsOnlyChangedParts) {
    SharedBoard board(Mcs51LearningBoard());
    CLearnBoardView view(board, nullptr);
    view.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
    BoardFirmware firmware(board);

    firmware.LcdText("Hello, Duvezer");
    firmware.ScanDigits("20261208", 3);
    // The buzzer on P1.5 at 2 kHz.
    for (int half = 0; half < 40; ++half) firmware.Pin({1, 5}, half % 2 == 0, 250'000);
    view.Refresh();
    EXPECT_EQ(view.lcd()->accessibleDescription(), QStringLiteral("Hello, Duvezer\n"));
    EXPECT_EQ(view.digits()->accessibleDescription(), QStringLiteral("20261208"));
    EXPECT_EQ(view.buzzer()->accessibleDescription(), QStringLiteral("2000 Hz"));
    EXPECT_EQ(view.lcd()->accessibleName(), QStringLiteral("LCD1602"));

    // D1 and D8 lit (low), the rest dark; E (P2.7) stays low, so the LCD keeps its text.
    firmware.Port(0, 0x00);
    firmware.Port(2, 0x7E);
    firmware.Wait(60'000'000);
    view.Refresh();
    EXPECT_EQ(view.led(0)->accessibleDescription(), Utf8("亮"));
    EXPECT_EQ(view.led(1)->accessibleDescription(), Utf8("灭"));
    EXPECT_EQ(view.led(7)->accessibleDescription(), Utf8("亮"));
    EXPECT_EQ(view.led(0)->accessibleName(), QStringLiteral("LED D1"));
    EXPECT_EQ(view.lcd()->accessibleDescription(), QStringLiteral("Hello, Duvezer\n"));
    EXPECT_EQ(view.buzzer()->accessibleDescription(), QStringLiteral("0 Hz"));
    QTest::qWait(0);

    // Lighting D2 repaints D2 and nothing of the LCD or the display.
    PaintCounter lcdPaints(view.lcd()), digitPaints(view.digits()), ledPaints(view.led(1));
    firmware.Port(2, 0x7C);
    firmware.Wait(60'000'000);
    view.Refresh();
    EXPECT_EQ(view.led(1)->accessibleDescription(), Utf8("亮"));
    EXPECT_TRUE(QTest::qWaitFor([&] { return ledPaints.count > 0; }, 5000));
    EXPECT_EQ(lcdPaints.count, 0);
    EXPECT_EQ(digitPaints.count, 0);
}

TEST(LearnBoardView, KeysHeldWithMouseOrKeyboardPullTheirPinsLow) {
    SharedBoard board(Mcs51LearningBoard());
    CLearnBoardView view(board, nullptr);
    view.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
    BoardFirmware firmware(board);
    const BoardPin k1{3, 1}, k2{3, 0};

    QTest::mousePress(view.key(0), Qt::LeftButton);
    view.Refresh();
    EXPECT_FALSE(firmware.Read(k1));
    EXPECT_TRUE(firmware.Read(k2));
    EXPECT_EQ(view.key(0)->accessibleDescription(), Utf8("按下"));
    EXPECT_EQ(view.key(0)->accessibleName(), Utf8("按键 K1"));
    QTest::mouseRelease(view.key(0), Qt::LeftButton);
    view.Refresh();
    EXPECT_TRUE(firmware.Read(k1));
    EXPECT_EQ(view.key(0)->accessibleDescription(), Utf8("松开"));

    view.setFocus();
    QTest::keyPress(&view, Qt::Key_2);
    view.Refresh();
    EXPECT_FALSE(firmware.Read(k2));
    EXPECT_EQ(view.key(1)->accessibleDescription(), Utf8("按下"));
    QTest::keyRelease(&view, Qt::Key_2);
    EXPECT_TRUE(firmware.Read(k2));

    // Keypad row 2, column 3 (R2 = P1.6, C3 = P1.1): driving the row low reads the column low.
    QTest::mousePress(view.keypadKey(1, 2), Qt::LeftButton);
    view.Refresh();
    EXPECT_EQ(view.keypadKey(1, 2)->accessibleDescription(), Utf8("按下"));
    firmware.Port(1, 0xBF);
    EXPECT_FALSE(firmware.Read({1, 1}));
    EXPECT_TRUE(firmware.Read({1, 0}));
    QTest::mouseRelease(view.keypadKey(1, 2), Qt::LeftButton);
    EXPECT_TRUE(firmware.Read({1, 1}));
}

TEST(LearnBoardView, PotentiometerShowsOnlyOnTheAvrBoardAndSetsTheAdcVoltage) {
    SharedBoard mcs51(Mcs51LearningBoard());
    CLearnBoardView mcs51View(mcs51, nullptr);
    mcs51View.show();
    EXPECT_FALSE(mcs51View.pot()->isVisibleTo(&mcs51View));

    SharedBoard avr(AtMega16LearningBoard());
    CLearnBoardView view(avr, nullptr);
    view.show();
    ASSERT_TRUE(view.pot()->isVisibleTo(&view));
    view.pot()->setValue(view.pot()->maximum() / 4);
    view.Refresh();
    EXPECT_EQ(avr.PotMillivolts(5000), 1250u);
    EXPECT_EQ(view.pot()->accessibleDescription(), QStringLiteral("1.25 V"));
    view.SetSupply(3300, true);
    view.pot()->setValue(view.pot()->maximum() * 6 / 10);
    view.Refresh();
    EXPECT_EQ(view.pot()->accessibleDescription(), QStringLiteral("1.98 V"));
}

}  // namespace
}  // namespace viz

namespace viz {
namespace {

TEST(LearnBoardPanel, RecordsTheWiredPinsForTheLogicAnalyserAndFollowsTheChip) {
    testing::PageHost host;
    CLearnBoardPanel panel(host.store, nullptr);
    panel.show();
    for (int tab = 0; tab < panel.tabs()->count(); ++tab) {
        panel.tabs()->setCurrentIndex(tab);
        EXPECT_EQ(testing::UnnamedFocusableControls(&panel).join(QLatin1Char('\n')).toStdString(), "") << tab;
    }
    BoardFirmware firmware(panel.board());
    firmware.Wait(5'000'000);
    panel.traceButton()->click();
    for (int half = 0; half < 40; ++half) firmware.Pin({1, 5}, half % 2 == 0, 250'000);
    panel.traceButton()->click();

    const std::optional<LogicTrace>& trace = panel.logic()->canvas()->trace();
    ASSERT_TRUE(trace);
    std::size_t buzzer = trace->channels().size();
    for (std::size_t i = 0; i < trace->channels().size(); ++i)
        if (trace->channels()[i].name == "P1.5") buzzer = i;
    ASSERT_LT(buzzer, trace->channels().size());
    EXPECT_EQ(trace->Edges(buzzer).size(), 39u);  // the first write leaves the pin high
    EXPECT_EQ(trace->channels().size(), 28u);     // P0, P1, P2 and P3.0-P3.3 are wired
    EXPECT_TRUE(panel.logic()->exportButton()->isEnabled());

    EXPECT_FALSE(panel.view()->pot()->isVisibleTo(&panel));
    panel.SetFamily(ChipFamily::Avr);
    EXPECT_EQ(panel.board().layout(), AtMega16LearningBoard());
    EXPECT_TRUE(panel.view()->pot()->isVisibleTo(panel.view()));
}

}  // namespace
}  // namespace viz
