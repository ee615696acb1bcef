// The plot window driven as a user does, with lines put through a receive
// area: legend, Y range, zoom and pan by mouse and keyboard, the window of
// the newest points, the time axis and the frame rate.
#include "plot/PlotWindow.h"

#include <QCheckBox>
#include <QElapsedTimer>
#include <QComboBox>
#include <QGuiApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTest>
#include <QWheelEvent>

#include <gtest/gtest.h>

#include <limits>

#include <qcustomplot.h>

#include "ModalCatcher.h"
#include "PageTestSupport.h"
#include "plot/PlotView.h"
#include "terminal/ReceiveArea.h"

namespace viz {
namespace {

class PlotWindowTest : public ::testing::Test {
protected:
    PlotWindowTest() {
        window.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&window));
    }

    // Lines first..last-1 of "a:i,b:-i", through the area as one read.
    void Lines(int first, int last,
               std::chrono::system_clock::time_point time = std::chrono::system_clock::now()) {
        std::string text;
        for (int i = first; i < last; ++i)
            text += "a:" + std::to_string(i) + ",b:-" + std::to_string(i) + "\n";
        area.Receive(Chunk{Bytes(text.begin(), text.end()), std::chrono::steady_clock::now(), time});
    }
    // Lets the frame timer draw what came: frames until the plot has been
    // drawn and then a few frame periods pass without drawing. Counted in
    // ticks of a timer beside the frame timer, as a busy machine stretches
    // frames.
    void Drawn() {
        QSignalSpy replots(view->plot(), &QCustomPlot::afterReplot);
        const int frameMs = (1000 + CPlotWindow::kFrameRate - 1) / CPlotWindow::kFrameRate;
        qsizetype seen = -1;
        for (int round = 0; round < 100 && (replots.isEmpty() || replots.count() != seen); ++round) {
            seen = replots.count();
            testing::RunTimerTicks(frameMs, 4);
        }
        EXPECT_FALSE(replots.isEmpty()) << "the plot is drawn";
    }
    template <typename Widget>
    Widget* Find(const char* name) {
        auto* widget = window.findChild<Widget*>(QLatin1StringView(name));
        EXPECT_NE(widget, nullptr) << name;
        return widget;
    }

    testing::PageHost host;
    CReceiveArea area{ReceiveAreaConfig{}};
    CPlotWindow window{host.store, MoreSendKind::Serial, {&area}, nullptr};
    CPlotView* view = window.view();
};

TEST_F(PlotWindowTest, TheNewestPointsScrollByAndTheLegendHidesAndShowsChannels) {
    Find<QSpinBox>("plotWindowPoints")->setValue(100);
    Lines(1, 251);
    Drawn();
    EXPECT_EQ(view->xRange(), std::make_pair(151.0, 250.0));
    EXPECT_EQ(view->shownPoints(0), 101u) << "the window's points and one beyond its left edge";
    EXPECT_EQ(view->yRange().first, -250 - 0.05 * 500);

    QCheckBox* entry = view->legendEntry(1);
    ASSERT_NE(entry, nullptr);
    EXPECT_EQ(entry->text(), QStringLiteral("b"));
    QTest::mouseClick(entry, Qt::LeftButton, {}, QPoint(8, entry->height() / 2));
    Drawn();
    EXPECT_EQ(view->shownPoints(1), 0u);
    EXPECT_FALSE(view->plot()->graph(1)->visible());
    EXPECT_GT(view->yRange().first, 0) << "Y fits the channels shown";
    entry->setFocus();
    QTest::keyClick(entry, Qt::Key_Space);
    Drawn();
    EXPECT_TRUE(view->plot()->graph(1)->visible()) << "the keyboard shows it again";

    Lines(251, 261);
    Drawn();
    EXPECT_EQ(view->xRange(), std::make_pair(161.0, 260.0));
    testing::ClickAnsweringMessages(Find<QPushButton>("plotClear"));
    Lines(1, 3);
    Drawn();
    EXPECT_EQ(view->xRange(), std::make_pair(1.0, 100.0)) << "a cleared plot starts again from the left";
}

TEST_F(PlotWindowTest, ATypedYRangeIsTakenAndBadInputRefusedWithAMessage) {
    Lines(1, 11);
    auto* yMin = Find<QLineEdit>("plotYMin");
    auto* yMax = Find<QLineEdit>("plotYMax");
    auto* yAuto = Find<QCheckBox>("plotYAuto");
    for (const auto& [low, high] :
         {std::pair{"abc", "5"}, std::pair{"5", "-5"}, std::pair{"", "1"}, std::pair{"1", "inf"}}) {
        yMin->setText(QString::fromUtf8(low));
        yMax->setText(QString::fromUtf8(high));
        const QStringList messages = testing::ClickAnsweringMessages(Find<QPushButton>("plotYApply"));
        ASSERT_EQ(messages.size(), 1) << low << " " << high;
        EXPECT_TRUE(messages[0].startsWith(QStringLiteral("Y轴范围无效")));
        EXPECT_TRUE(yAuto->isChecked());
    }
    yMin->setText(QStringLiteral("-100"));
    yMax->setText(QStringLiteral("1e2"));
    EXPECT_TRUE(testing::ClickAnsweringMessages(Find<QPushButton>("plotYApply")).isEmpty());
    EXPECT_FALSE(yAuto->isChecked());
    Drawn();
    EXPECT_EQ(view->yRange(), std::make_pair(-100.0, 100.0));

    // Unticking "Y轴自动" with nothing usable typed keeps it ticked.
    testing::ClickAnsweringMessages(yAuto);
    Drawn();
    EXPECT_EQ(view->yRange(), std::make_pair(-10.0 - 1, 10.0 + 1));
    yMin->clear();
    EXPECT_EQ(testing::ClickAnsweringMessages(yAuto).size(), 1);
    EXPECT_TRUE(yAuto->isChecked());
}

TEST_F(PlotWindowTest, WheelDragAndKeysZoomAndPanUntilTheViewIsReset) {
    Lines(1, 1001);
    Drawn();
    ASSERT_EQ(view->xRange(), std::make_pair(1.0, 1000.0));
    QCustomPlot* plot = view->plot();
    const QPointF middle(plot->axisRect()->center());
    QWheelEvent wheel(middle, plot->mapToGlobal(middle), {}, QPoint(0, 120), Qt::NoButton, Qt::NoModifier,
                      Qt::NoScrollPhase, false);
    QApplication::sendEvent(plot, &wheel);
    Drawn();
    const auto [zoomedFrom, zoomedTo] = view->xRange();
    EXPECT_NEAR(zoomedTo - zoomedFrom, 999 * 0.85, 1e-6);
    EXPECT_FALSE(view->following());
    Lines(1001, 1101);
    Drawn();
    EXPECT_EQ(view->xRange(), std::make_pair(zoomedFrom, zoomedTo))
        << "a zoomed view stays where the user put it";

    QTest::mousePress(plot, Qt::LeftButton, {}, middle.toPoint());
    QTest::mouseMove(plot, middle.toPoint() + QPoint(50, 0));
    QTest::mouseRelease(plot, Qt::LeftButton, {}, middle.toPoint() + QPoint(50, 0));
    Drawn();
    EXPECT_LT(view->xRange().first, zoomedFrom) << "dragging right shows earlier samples";

    testing::ClickAnsweringMessages(Find<QPushButton>("plotResetView"));
    Drawn();
    EXPECT_EQ(view->xRange(), std::make_pair(101.0, 1100.0));

    plot->setFocus();
    QTest::keyClick(plot, Qt::Key_Left);
    Drawn();
    EXPECT_NEAR(view->xRange().first, 101 - 99.9, 1e-6);
    QTest::keyClick(plot, Qt::Key_Minus);
    Drawn();
    EXPECT_GT(view->xRange().second - view->xRange().first, 999 * 1.1);
    const auto y = view->yRange();
    QTest::keyClick(plot, Qt::Key_Plus, Qt::ControlModifier);
    Drawn();
    EXPECT_LT(view->yRange().second - view->yRange().first, y.second - y.first);
    QTest::keyClick(plot, Qt::Key_Home);
    Drawn();
    EXPECT_TRUE(view->following());
    EXPECT_EQ(view->xRange(), std::make_pair(101.0, 1100.0));
}

TEST_F(PlotWindowTest, TheTimeAxisSpansTheReadTimesOfTheNewestPoints) {
    const auto start = std::chrono::sys_days{std::chrono::year{2024} / 3 / 5} + std::chrono::hours(13);
    Lines(1, 11, start);
    Lines(11, 21, start + std::chrono::seconds(2));
    Find<QComboBox>("plotAxis")->setCurrentIndex(1);
    Drawn();
    const double seconds = std::chrono::duration<double>(start.time_since_epoch()).count();
    EXPECT_EQ(view->xRange(), std::make_pair(seconds, seconds + 2));
}

TEST_F(PlotWindowTest, LinesFasterThanTheFrameRateAreDrawnAtMostThirtyTimesASecond) {
    QSignalSpy replots(view->plot(), &QCustomPlot::afterReplot);
    QElapsedTimer clock;
    clock.start();
    testing::RunLoopUntil(
        [&] {
            static int next = 1;
            Lines(next, next + 5);
            next += 5;
            return replots.count() >= 5 && clock.elapsed() >= 1000;
        },
        20000);
    EXPECT_GE(window.feed().taken(), 100u);
    EXPECT_LE(replots.count(), clock.elapsed() * CPlotWindow::kFrameRate / 1000 + 1);
    EXPECT_GE(replots.count(), 5) << "but it is drawn";
}

// Places from the settings file, which may hold any numbers: one on a
// screen opens there, cut to the screen; one on no screen is not taken.
TEST(PlotWindowPlace, ASavedPlaceOpensOnTheScreenWhateverNumbersTheSettingsHold) {
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();
    constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();
    const struct {
        WindowPlace saved;
        QRect opened;  // empty: where a new window opens
    } cases[] = {
        {{screen.x() + 20, screen.y() + 10, 600, 400}, QRect(screen.x() + 20, screen.y() + 10, 600, 400)},
        {{screen.x() + 20, screen.y() + 10, kMax, 400},
         QRect(screen.x(), screen.y() + 10, screen.width(), 400)},
        {{screen.x() - 100, screen.y() - 100, kMax, kMax}, screen},
        // Reaching 9 pixels into the screen from near -2^31: moved onto it, whole.
        {{screen.x() + 9 - kMax, screen.y(), kMax, 400}, QRect(screen.x(), screen.y(), screen.width(), 400)},
        {{kMax - 100, screen.y(), 800, 600}, QRect()},
        {{kMin, kMin, kMax, kMax}, QRect()},
    };
    for (const auto& [saved, opened] : cases) {
        SCOPED_TRACE(::testing::Message()
                     << saved.x << " " << saved.y << " " << saved.width << " " << saved.height);
        testing::PageHost host;
        ASSERT_EQ(host.store.WritePlotPlace(MoreSendKind::Serial, saved), 0);
        CReceiveArea area{ReceiveAreaConfig{}};
        CPlotWindow fresh{host.store, MoreSendKind::Serial, {&area}, nullptr};
        const QRect unplaced = fresh.geometry();
        fresh.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&fresh));
        // The platform may move a window by its frame to keep the frame on the screen.
        const int frame = fresh.geometry().x() - fresh.frameGeometry().x();
        const QRect expected = opened.isEmpty() ? unplaced : opened;
        EXPECT_EQ(fresh.size(), expected.size())
            << (opened.isEmpty() ? "a place on no screen is not taken" : "");
        EXPECT_LE((fresh.pos() - expected.topLeft()).manhattanLength(), 2 * frame)
            << fresh.x() << "," << fresh.y();
    }
}

}  // namespace
}  // namespace viz
