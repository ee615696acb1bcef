#include "terminal/ReceiveArea.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMenu>
#include <QTextBlock>
#include <QTextLayout>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <iterator>

#include "IconvReference.h"
#include "ModalCatcher.h"
#include "PageTestSupport.h"
#include "TempDir.h"
#include "base/ReceiveHistory.h"
#include "terminal/PortMonitorDialog.h"
#include "terminal/ListCtrlEx.h"

namespace viz {
namespace {

using namespace std::chrono_literals;

std::string ReadFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

ReceiveAreaConfig SerialConfig() {
    ReceiveAreaConfig config;
    config.countsFormat = QStringLiteral("接收区：已接收%d字节，速度%d字节/秒，");
    config.initialTitle =
        QStringLiteral("接收区：已接收0字节（提示：双击文本框立即保存数据，右键点击则显示更多功能）");
    config.resetTitle = QStringLiteral("接收区：已接收0字节");
    config.captureFile = QStringLiteral("串口数据接收记录.txt");
    config.captureMessage = QStringLiteral("保存串口数据接收记录成功,并保存在该软件的当前目录！");
    config.outputFile = QStringLiteral("串口数据输出记录.txt");
    config.commands = {2024, 2025, 2026, 2027};
    config.textForm = ReceivePipeline::TextForm::Serial;
    return config;
}

Chunk ChunkOf(std::string_view text,
              std::chrono::steady_clock::time_point at = std::chrono::steady_clock::now()) {
    return Chunk{viz::Bytes(text.begin(), text.end()), at, std::chrono::system_clock::now()};
}

class ReceiveAreaTest : public ::testing::Test {
protected:
    testing::TempDir dir;
    testing::CurrentDirectory cwd{dir.path()};
    CReceiveArea area{SerialConfig()};
};

// A pass of many chunks updates the widget once, and shows exactly what a
// chunk-by-chunk run shows, across several emptyings by the 200-line rule.
TEST_F(ReceiveAreaTest, OnePassShowsWhatChunkByChunkUpdatesShow) {
    CReceiveArea stepwise(SerialConfig());
    for (CReceiveArea* a : {&area, &stepwise}) {
        a->resize(500, 300);
        a->show();
        a->setHexDisplay(true);
        a->setFrameBreak(true, 40);
    }
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&area));
    ASSERT_EQ(area.pipeline().area().columns(), stepwise.pipeline().area().columns());
    ASSERT_GT(area.pipeline().area().columns(), 10u);

    const auto start = std::chrono::steady_clock::now();
    std::string block;
    for (int i = 0; i < 700; ++i) block.push_back(static_cast<char>(i));
    int emptied = 0;
    std::size_t previous = 0;
    for (int i = 0; i < 300; ++i) {
        const Chunk chunk = ChunkOf(std::string_view(block).substr(0, 1 + (i * 37) % 700), start + i * 25ms);
        area.Receive(chunk);
        stepwise.Receive(chunk);
        stepwise.Flush();
        const std::size_t size = stepwise.pipeline().area().text().size();
        emptied += size < previous ? 1 : 0;
        previous = size;
    }
    area.Flush();
    EXPECT_EQ(area.edit()->toPlainText(), stepwise.edit()->toPlainText());
    EXPECT_FALSE(area.edit()->toPlainText().isEmpty());
    EXPECT_EQ(area.pipeline().receivedTotal(), stepwise.pipeline().receivedTotal());
    EXPECT_GT(emptied, 1) << "the area was emptied more than once during the run";
}

// Hex frames that each fill a screen line exactly, shown one update each
// with the frame break on: every frame starts a line of its own, no line is
// wider than the area, and a copy gives the text as it arrived.
TEST_F(ReceiveAreaTest, FramesThatFillALineExactlyStayInsideTheAreaAndCopyAsTheyArrived) {
    area.resize(520, 300);
    area.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&area));
    area.setHexDisplay(true);
    area.setFrameBreak(true, 40);
    const std::size_t columns = area.pipeline().area().columns();
    ASSERT_GT(columns, 30u);
    const std::size_t frameBytes = columns / 3;
    const auto start = std::chrono::steady_clock::now();
    for (int frame = 0; frame < 10; ++frame) {
        area.Receive(
            ChunkOf(std::string(frameBytes, static_cast<char>(0xA0 + frame)), start + frame * 100ms));
        area.Flush();
    }
    QPlainTextEdit* edit = area.edit();
    const int width = edit->viewport()->width();
    QStringList lines;
    for (QTextBlock block = edit->document()->begin(); block.isValid(); block = block.next()) {
        lines.append(block.text());
        EXPECT_LE(static_cast<std::size_t>(block.text().size()), columns);
        ASSERT_NE(block.layout(), nullptr);
        EXPECT_EQ(block.layout()->lineCount(), 1) << "no line wraps or runs past the edge";
        EXPECT_LE(block.layout()->lineAt(0).naturalTextWidth(), width);
    }
    // The first break follows the second frame, then every frame.
    for (int frame = 0; frame < 10; ++frame) {
        const QString hex =
            QStringLiteral("%1 ").arg(0xA0 + frame, 2, 16).toUpper().repeated(int(frameBytes));
        EXPECT_EQ(lines.value(frame), hex) << frame;
    }

    // A selection across the first wrap, then everything.
    QTextCursor cursor(edit->document());
    cursor.setPosition(int(columns) - 3);
    cursor.setPosition(int(columns) + 1 + 3, QTextCursor::KeepAnchor);
    edit->setTextCursor(cursor);
    edit->copy();
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("A0 A1 "));
    edit->selectAll();
    edit->copy();
    EXPECT_EQ(QGuiApplication::clipboard()->text().toStdU16String(), area.pipeline().area().text());
    EXPECT_NE(area.pipeline().area().text().find(u"A1 \r\nA2 "), std::u16string::npos);

    // Chinese text, whose glyphs come from another font, stays inside too.
    area.setHexDisplay(false);
    std::string chinese;
    for (int i = 0; i < 100; ++i) chinese += "\xD6\xD0";  // 中 in code page 936
    area.Receive(ChunkOf(chinese));
    area.Flush();
    for (QTextBlock block = edit->document()->begin(); block.isValid(); block = block.next()) {
        EXPECT_LE(block.layout()->lineAt(0).naturalTextWidth(), width) << block.text().toStdString();
    }
}

TEST_F(ReceiveAreaTest, WidgetShowsLineBreaksAndFollowsTheNewestText) {
    area.resize(300, 120);
    area.show();
    for (int i = 0; i < 50; ++i) area.Receive(ChunkOf("line\n"));
    QTest::qWait(0);  // the area brings itself up to date once control returns
    EXPECT_TRUE(area.edit()->toPlainText().startsWith(QStringLiteral("line\nline\n")));
    EXPECT_EQ(area.pipeline().area().text().substr(0, 6), u"line\r\n") << "files keep CR LF";
    area.AppendText(QStringLiteral("\r\n设备已连接"));
    EXPECT_TRUE(area.edit()->toPlainText().endsWith(QStringLiteral("line\n\n设备已连接")));
    QScrollBar* bar = area.edit()->verticalScrollBar();
    EXPECT_GT(bar->maximum(), 0);
    EXPECT_EQ(bar->value(), bar->maximum());
}

TEST_F(ReceiveAreaTest, CaptureOfAnEmptyAreaWritesAnEmptyFileAndStillReportsSuccess) {
    testing::ModalCatcher boxes;
    area.SaveCapture();
    const auto file = dir / "串口数据接收记录.txt";
    ASSERT_TRUE(std::filesystem::exists(file));
    EXPECT_EQ(std::filesystem::file_size(file), 0u);
    ASSERT_EQ(boxes.texts().size(), 1);
    EXPECT_EQ(boxes.texts()[0], QStringLiteral("保存串口数据接收记录成功,并保存在该软件的当前目录！"));
}

TEST_F(ReceiveAreaTest, DoubleClickSavesTheWholeAreaInCodePage936ReplacingTheFile) {
    std::ofstream(dir / "串口数据接收记录.txt") << "old contents that are longer";
    area.SetText(QStringLiteral("说明\r\n"));
    area.Receive(ChunkOf(testing::Gbk("数据\n")));
    area.show();
    area.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&area));
    area.edit()->setFocus();
    testing::ModalCatcher boxes;
    QTest::mouseDClick(area.edit()->viewport(), Qt::LeftButton);
    EXPECT_EQ(ReadFile(dir / "串口数据接收记录.txt"), testing::Gbk("说明\r\n数据\r\n"));
    EXPECT_EQ(boxes.texts().size(), 1);
}

TEST_F(ReceiveAreaTest, CtrlSOrTheMenuSavesLikeADoubleClick) {
    area.show();
    area.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&area));
    area.Receive(ChunkOf("first\n"));
    area.edit()->setFocus();
    testing::ModalCatcher boxes;
    QTest::keyClick(area.edit(), Qt::Key_S, Qt::ControlModifier);
    EXPECT_EQ(boxes.texts(),
              QStringList{QStringLiteral("保存串口数据接收记录成功,并保存在该软件的当前目录！")});
    EXPECT_EQ(ReadFile(dir / "串口数据接收记录.txt"), "first\r\n");

    area.Receive(ChunkOf("second"));
    std::unique_ptr<QMenu> menu(area.edit()->CreateMenu(nullptr));
    menu->actions().last()->trigger();
    EXPECT_EQ(boxes.texts().size(), 2);
    EXPECT_EQ(ReadFile(dir / "串口数据接收记录.txt"), "first\r\nsecond");
}

TEST_F(ReceiveAreaTest, UnwritableCaptureFileReportsTheErrorInsteadOfSuccess) {
    std::filesystem::create_directory(dir / "串口数据接收记录.txt");
    testing::ModalCatcher boxes;
    area.SaveCapture();
    ASSERT_EQ(boxes.texts().size(), 1);
    EXPECT_TRUE(boxes.texts()[0].contains(QStringLiteral("串口数据接收记录.txt")));
    EXPECT_FALSE(boxes.texts()[0].contains(QStringLiteral("成功")));
}

TEST_F(ReceiveAreaTest, ContextMenuOffersTheFourCommandsInOrderThenSaving) {
    std::unique_ptr<QMenu> menu(area.edit()->CreateMenu(nullptr));
    QList<QAction*> actions = menu->actions();
    ASSERT_EQ(actions.size(), 5);
    EXPECT_EQ(actions[4]->text(), QStringLiteral("立即保存数据"));
    EXPECT_EQ(actions[4]->shortcut(), QKeySequence(QKeySequence::Save));
    actions.removeLast();
    EXPECT_EQ(actions[0]->text(), QStringLiteral("清空"));
    EXPECT_EQ(actions[1]->text(), QStringLiteral("暂停/恢复接收数据"));
    EXPECT_EQ(actions[2]->text(), QStringLiteral("启动/停止文本输出（适用于大量数据接收）"));
    EXPECT_EQ(actions[3]->text(), QStringLiteral("浏览输出文件"));
    QSignalSpy commands(area.edit(), &CMenuEdit::Command);
    for (QAction* action : actions) action->trigger();
    ASSERT_EQ(commands.size(), 4);
    EXPECT_EQ(commands[0][0].toInt(), 2024);
    EXPECT_EQ(commands[3][0].toInt(), 2027);
}

TEST_F(ReceiveAreaTest, RightClickPopsUpTheMenuAndTheChosenCommandReachesTheArea) {
    area.show();
    area.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&area));
    area.Receive(ChunkOf("text"));
    area.Flush();
    QStringList items;
    QTimer::singleShot(50, [&items] {
        if (auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) {
            for (QAction* action : menu->actions()) items.append(action->text());
            menu->actions()[0]->trigger();
            menu->close();
        }
    });
    QWidget* viewport = area.edit()->viewport();
    QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(5, 5), viewport->mapToGlobal(QPoint(5, 5)));
    QApplication::sendEvent(viewport, &event);
    EXPECT_EQ(items.size(), 5);
    EXPECT_TRUE(area.edit()->hasFocus());
    EXPECT_TRUE(area.edit()->toPlainText().isEmpty()) << "the clear command emptied the area";
    EXPECT_EQ(area.pipeline().area().text(), u"");
}

TEST_F(ReceiveAreaTest, PauseAndOutputCommandsSwitchAndShowTheirStateInTheTitle) {
    EXPECT_EQ(area.title(),
              QStringLiteral("接收区：已接收0字节（提示：双击文本框立即保存数据，右键点击则显示更多功能）"));
    area.Receive(ChunkOf("ab"));
    area.HandleCommand(2025);
    EXPECT_EQ(area.title(),
              QStringLiteral("接收区：已接收2字节，速度2字节/秒，接收状态[暂停]，输出文本状态[已停止]"));
    area.Receive(ChunkOf("lost"));
    area.HandleCommand(2025);
    area.HandleCommand(2026);
    EXPECT_EQ(area.title(),
              QStringLiteral("接收区：已接收2字节，速度2字节/秒，接收状态[允许]，输出文本状态[输出中]"));
    area.Receive(ChunkOf("kept\n"));
    EXPECT_EQ(ReadFile(dir / "串口数据输出记录.txt"), "kept\r\n") << "written through before the next pass";
    area.HandleCommand(2026);
    EXPECT_FALSE(area.pipeline().outputOn());
    area.HandleCommand(9999);
    area.ResetCounters();
    EXPECT_EQ(area.title(), QStringLiteral("接收区：已接收0字节"));
    EXPECT_EQ(area.pipeline().area().text(), u"abkept\r\n");
}

// The output file cannot be made where the program runs (a folder holds its
// name, which even root cannot write): the user is told why, as for saving.
TEST_F(ReceiveAreaTest, OutputThatCannotStartSaysWhyAndStaysStopped) {
    std::filesystem::create_directory(dir / "串口数据输出记录.txt");
    testing::ModalCatcher boxes;
    area.HandleCommand(2026);
    EXPECT_FALSE(area.pipeline().outputOn());
    ASSERT_EQ(boxes.texts().size(), 1);
    EXPECT_EQ(boxes.texts()[0], QStringLiteral("无法写入文件“串口数据输出记录.txt”：%1")
                                    .arg(QString::fromLocal8Bit(std::strerror(EISDIR))));
    EXPECT_TRUE(area.title().endsWith(QStringLiteral("输出文本状态[已停止]"))) << area.title().toStdString();
}

TEST_F(ReceiveAreaTest, AFullDiskStopsOutputAndTheAreaSaysWhy) {
    // The output file name leads to a device that is always full.
    std::filesystem::create_symlink("/dev/full", dir / "串口数据输出记录.txt");
    area.resize(1500, 300);  // wide enough that no line is cut into screen lines
    area.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&area));
    area.StartStatusTimer();  // as while a link is open
    area.HandleCommand(2026);
    ASSERT_TRUE(area.pipeline().outputOn());
    area.Receive(ChunkOf("abc"));
    area.Receive(ChunkOf("def"));
    area.Flush();
    const QStringList lines = area.edit()->toPlainText().split(QLatin1Char('\n'));
    ASSERT_EQ(lines.size(), 3) << area.edit()->toPlainText().toStdString();
    EXPECT_EQ(lines[0], "abc");
    EXPECT_EQ(lines[1], QStringLiteral("输出文件写入失败：%1，已停止输出")
                            .arg(QString::fromLocal8Bit(std::strerror(ENOSPC))));
    EXPECT_EQ(lines[2], "def");
    EXPECT_TRUE(QTest::qWaitFor([&] { return area.title().endsWith("输出文本状态[已停止]"); }, 20000))
        << area.title().toStdString();
}

TEST_F(ReceiveAreaTest, BrowseOpensTheOutputFileOfTheCurrentDirectory) {
    QString opened;
    area.setOpener([&](const QString& path) { opened = path; });
    area.HandleCommand(2027);
    EXPECT_EQ(std::filesystem::path(opened.toStdString()), dir / "串口数据输出记录.txt");
}

TEST_F(ReceiveAreaTest, StatusTimerRefreshesEveryTenthOfASecondWhileTheLinkIsOpen) {
    area.StartStatusTimer();
    area.Receive(ChunkOf("12345"));
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return area.title().startsWith(QStringLiteral("接收区：已接收5字节，速度5字节/秒，")); },
        20000))
        << area.title().toStdString();
    area.StopStatusTimer();
    area.ResetCounters();
    testing::RunTimerTicks(100, 3);
    EXPECT_EQ(area.title(), QStringLiteral("接收区：已接收0字节"));
}

TEST_F(ReceiveAreaTest, AttachedMonitorGetsReceivedRecordsWhileMonitoring) {
    CPortMonitorDialog monitor(QStringLiteral("伪串口监视器"), QStringLiteral("COM1"));
    area.AttachMonitor(&monitor);
    area.Receive(ChunkOf("before"));
    monitor.StartMonitoring();
    area.Receive(ChunkOf("AB"));
    ASSERT_EQ(monitor.list()->rows().size(), 1u);
    EXPECT_EQ(monitor.list()->rows()[0], (MonitorRow{u"0000", u"R", u"0002", u"CHR: AB"}));
    area.AttachMonitor(nullptr);
    area.Receive(ChunkOf("CD"));
    EXPECT_EQ(monitor.list()->rows().size(), 1u);
}

// The program-wide "接收区保留行数" for one test.
class KeptLinesForTest {
public:
    explicit KeptLinesForTest(std::uint32_t lines) { CReceiveHistory::instance().setKeptLines(lines); }
    ~KeptLinesForTest() { CReceiveHistory::instance().setKeptLines(kDefaultReceiveKeptLines); }
};

QString Lines(int from, int to, const char* lineBreak) {
    QString text;
    for (int i = from; i < to; ++i) text += QStringLiteral("第%1行").arg(i) + QLatin1String(lineBreak);
    return text;
}

void FeedLines(CReceiveArea& area, int from, int to) {
    for (int i = from; i < to; i += 50)
        area.Receive(ChunkOf(testing::Gbk(Lines(i, i + 50, "\n").toStdString())));
}

void FlushUntilComplete(CReceiveArea& area) {
    for (int i = 0; i < 1000 && area.pipeline().area().hasUpdate(); ++i) area.Flush();
}

// A history longer than 200 lines, set while the area is open: far more
// lines than kept arrive, and the area shows, copies and saves exactly the
// newest; a reader scrolled up keeps his place; back at 200 the area is
// emptied again when it passes 200 lines.
TEST_F(ReceiveAreaTest, ALongerHistoryKeepsExactlyTheNewestLinesAndTheOldRuleComesBackAt200) {
    area.resize(400, 300);
    area.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&area));
    KeptLinesForTest kept(3000);
    FeedLines(area, 0, 10000);
    QTest::qWait(0);
    FlushUntilComplete(area);
    QPlainTextEdit* edit = area.edit();
    EXPECT_EQ(edit->toPlainText(), Lines(7000, 10000, "\n"));
    EXPECT_EQ(edit->document()->blockCount(), 3001);
    QScrollBar* bar = edit->verticalScrollBar();
    EXPECT_EQ(bar->value(), bar->maximum()) << "the newest text in view";

    edit->selectAll();
    edit->copy();
    EXPECT_EQ(QGuiApplication::clipboard()->text(), Lines(7000, 10000, "\r\n"));
    testing::ModalCatcher boxes;
    area.SaveCapture();
    EXPECT_EQ(ReadFile(dir / "串口数据接收记录.txt"), testing::Gbk(Lines(7000, 10000, "\r\n").toStdString()));

    edit->moveCursor(QTextCursor::End);
    bar->setValue(1000);
    const QString topLine = edit->cursorForPosition(QPoint(2, 2)).block().text();
    EXPECT_EQ(topLine, QStringLiteral("第8000行"));
    FeedLines(area, 10000, 10100);
    FlushUntilComplete(area);
    EXPECT_EQ(edit->cursorForPosition(QPoint(2, 2)).block().text(), topLine) << "a scrolled-up view stays";
    EXPECT_TRUE(edit->toPlainText().startsWith(QStringLiteral("第7100行\n")));

    CReceiveHistory::instance().setKeptLines(200);
    FeedLines(area, 0, 50);
    FlushUntilComplete(area);
    EXPECT_EQ(edit->toPlainText(), Lines(0, 50, "\n"))
        << "more than 200 lines: emptied before the next chunk";
    FeedLines(area, 50, 300);
    EXPECT_EQ(area.pipeline().area().text(), Lines(200, 300, "\r\n").toStdU16String())
        << "200 lines and the empty one after them are more than 200";
}

}  // namespace
}  // namespace viz
