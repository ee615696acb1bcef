// The serial page's plot window over a pseudo-terminal: what a board sends
// becomes curves, kept samples, a CSV file and a picture.
#include <QImage>

#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <sstream>

#include "ComDlgTestSupport.h"
#include "IconvReference.h"
#include "plot/PlotFeed.h"
#include "plot/PlotView.h"
#include "plot/PlotWindow.h"

#include <qcustomplot.h>

namespace viz::testing {
namespace {

using ComDlgPlot = ComDlgTest;

struct SentLine {
    std::string text;
    std::array<double, 3> values;
};

// Line i of a board printing a sine, a ramp and a slower cosine.
SentLine BoardLine(int i) {
    char text[96];
    const int size = std::snprintf(text, sizeof text, "sin:%.6f,ramp=%d, cos: %.3e\r\n", std::sin(i / 20.0),
                                   i, 1000 * std::cos(i / 50.0));
    SentLine line{std::string(text, static_cast<std::size_t>(size)), {}};
    // The values as the text states them, read by the standard library.
    std::size_t at = 0;
    for (double& value : line.values) {
        at = line.text.find_first_of(":=", at) + 1;
        while (line.text[at] == ' ') ++at;
        std::from_chars(line.text.data() + at, line.text.data() + line.text.size(), value);
    }
    return line;
}

Bytes Send(PtyPair& pty, int from, int to) {
    Bytes bytes;
    for (int i = from; i < to; ++i) {
        const std::string text = BoardLine(i).text;
        bytes.insert(bytes.end(), text.begin(), text.end());
    }
    pty.WriteAll(bytes);
    return bytes;
}

std::vector<std::string> CsvRows(const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary);
    std::vector<std::string> rows;
    for (std::string row; std::getline(file, row);) {
        EXPECT_TRUE(!row.empty() && row.back() == '\r') << "rows end in CR LF";
        if (!row.empty()) row.pop_back();
        rows.push_back(row);
    }
    return rows;
}

TEST_F(ComDlgPlot, ABoardsThreeChannelsArePlottedKeptExportedAndPictured) {
    OpenPty();
    Click(Button("plot"));
    auto* window = page().findChild<CPlotWindow*>();
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(window->windowTitle(), QStringLiteral("波形显示 - 串口"));
    const PlotFeed& feed = window->feed();

    constexpr int kLines = 600;
    pty.WriteAll({'b', 'o', 'o', 't', '\r', '\n'});
    Send(pty, 0, kLines);
    ASSERT_TRUE(QTest::qWaitFor([&] { return feed.taken() == kLines; }, 20000)) << feed.taken();
    EXPECT_EQ(feed.names(), (std::vector<std::u16string>{u"sin", u"ramp", u"cos"}));
    const PlotSamples& samples = feed.samples();
    ASSERT_EQ(samples.size(), static_cast<std::size_t>(kLines));
    for (int i = 0; i < kLines; ++i) {
        const SentLine sent = BoardLine(i);
        for (std::size_t c = 0; c < 3; ++c)
            ASSERT_EQ(samples.value(c, static_cast<std::size_t>(i)), sent.values[c]) << sent.text;
    }
    auto* status = window->findChild<QLabel*>("plotStatus");
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return status->text().endsWith(QStringLiteral("通道3个，保留600个采样，跳过1行")); }, 20000))
        << status->text().toStdString();

    // The default window follows the last 1,000 samples: all 600 are drawn.
    CPlotView* view = window->view();
    ASSERT_TRUE(QTest::qWaitFor([&] { return view->shownPoints(2) == kLines; }, 20000));
    EXPECT_EQ(view->xRange(), std::make_pair(1.0, 1000.0));

    // Every kept sample goes to the CSV file, as sent.
    window->setFileChooser([&](const QString& suggested, const QString&) {
        EXPECT_TRUE(suggested.endsWith(QStringLiteral("串口波形数据.csv")) ||
                    suggested.endsWith(QStringLiteral("串口波形图片.png")))
            << suggested.toStdString();
        return QString::fromStdString(
            (dir / std::filesystem::path(suggested.toStdString()).filename()).string());
    });
    Click(Button("plotExportCsv"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !window->writing(); }, 20000));
    const std::vector<std::string> rows = CsvRows(dir / "串口波形数据.csv");
    ASSERT_EQ(rows.size(), static_cast<std::size_t>(kLines + 1));
    EXPECT_EQ(rows[0], testing::Gbk("序号,时间,sin,ramp,cos")) << "the page's encoding: GBK";
    for (int i = 0; i < kLines; ++i) {
        std::istringstream fields(rows[static_cast<std::size_t>(i) + 1]);
        std::string field;
        std::getline(fields, field, ',');
        EXPECT_EQ(field, std::to_string(i + 1));
        std::getline(fields, field, ',');
        EXPECT_EQ(field.size(), 23u) << "a local time to the millisecond: " << field;
        const SentLine sent = BoardLine(i);
        for (const double expected : sent.values) {
            std::getline(fields, field, ',');
            double value = 0;
            std::from_chars(field.data(), field.data() + field.size(), value);
            ASSERT_EQ(value, expected) << "row " << i;
        }
    }
    auto* message = window->findChild<QLabel*>("plotMessage");
    EXPECT_TRUE(message->text().startsWith(QStringLiteral("已导出600个采样到")))
        << message->text().toStdString();

    // Paused, the plot keeps what it shows while the receive area goes on.
    Click(Button("plotPause"));
    EXPECT_EQ(Button("plotPause")->text(), QStringLiteral("继续"));
    const auto before = received().receivedTotal();
    const Bytes more = Send(pty, kLines, kLines + 100);
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return received().receivedTotal() == before + static_cast<std::int64_t>(more.size()); },
        20000));
    EXPECT_TRUE(Settled());
    EXPECT_EQ(samples.size(), static_cast<std::size_t>(kLines));
    EXPECT_EQ(view->shownPoints(0), static_cast<std::size_t>(kLines));
    EXPECT_TRUE(status->text().endsWith(QStringLiteral("（已暂停）")));
    Click(Button("plotPause"));
    Send(pty, kLines + 100, kLines + 110);
    ASSERT_TRUE(QTest::qWaitFor([&] { return feed.taken() == kLines + 10; }, 20000));
    EXPECT_EQ(samples.value(1, samples.size() - 1), kLines + 109) << "the ramp goes on where it was taken up";

    // The picture is the plot as shown, with curves in the channels' colours.
    ASSERT_TRUE(QTest::qWaitFor([&] { return view->shownPoints(0) == kLines + 10; }, 20000));
    Click(Button("plotSavePicture"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !window->writing(); }, 20000));
    const QImage picture(QString::fromStdString((dir / "串口波形图片.png").string()));
    ASSERT_FALSE(picture.isNull());
    EXPECT_EQ(picture.size(), view->size() * view->devicePixelRatio());
    int sinePixels = 0;
    for (int y = 0; y < picture.height(); ++y) {
        for (int x = 0; x < picture.width(); ++x) sinePixels += picture.pixel(x, y) == QColor(0x1f77b4).rgb();
    }
    EXPECT_GT(sinePixels, 200) << "the first channel's curve is in the picture";

    // A folder that is not there: both writes say why in the system's words, and leave nothing.
    const std::filesystem::path missing = dir / "gone";
    window->setFileChooser([&](const QString& suggested, const QString&) {
        return QString::fromStdString(
            (missing / std::filesystem::path(suggested.toStdString()).filename()).string());
    });
    const QString reason = QString::fromLocal8Bit(std::strerror(ENOENT));
    for (const auto& [button, lead] :
         {std::pair{"plotSavePicture", "保存图片失败："}, std::pair{"plotExportCsv", "导出CSV失败："}}) {
        Click(Button(button));
        ASSERT_TRUE(QTest::qWaitFor([&] { return !window->writing(); }, 20000));
        EXPECT_EQ(message->text(), QString::fromUtf8(lead) + reason);
    }
    EXPECT_FALSE(std::filesystem::exists(missing));
}

TEST_F(ComDlgPlot, TheWindowKeepsTakingLinesAcrossTabChangesAndStopsWhenClosed) {
    OpenPty();
    Click(Button("plot"));
    auto* window = page().findChild<CPlotWindow*>();
    ASSERT_NE(window, nullptr);
    page().hide();  // another tab of the main window
    Send(pty, 0, 5);
    ASSERT_TRUE(QTest::qWaitFor([&] { return window->feed().taken() == 5; }, 20000));

    window->move(40, 30);
    window->resize(700, 450);
    const QRect left = window->geometry();
    window->close();
    EXPECT_FALSE(window->attached());
    const auto before = received().receivedTotal();
    Send(pty, 5, 8);
    ASSERT_TRUE(QTest::qWaitFor([&] { return received().receivedTotal() > before; }, 20000));
    EXPECT_EQ(window->feed().taken(), 5u) << "a closed plot takes nothing, and keeps what it had";
    WindowPlace place;
    ASSERT_EQ(store.ReadPlotPlace(MoreSendKind::Serial, place), 0);
    EXPECT_EQ(std::make_pair(place.width, place.height), std::make_pair(700, 450));

    page().show();
    Click(Button("plot"));
    EXPECT_EQ(page().findChildren<CPlotWindow*>().size(), 1u) << "one window per page";
    EXPECT_TRUE(window->attached());

    // The next start opens it where it was left.
    EndPage();
    Click(Button("plot"));
    window = page().findChild<CPlotWindow*>();
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window->geometry(), left);
}

}  // namespace
}  // namespace viz::testing
