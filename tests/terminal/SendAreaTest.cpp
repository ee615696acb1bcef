#include "terminal/SendArea.h"

#include <QPlainTextEdit>
#include <QProgressBar>
#include <QTest>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <thread>

#include "IconvReference.h"
#include "TempDir.h"
#include "terminal/ListCtrlEx.h"
#include "terminal/PortMonitorDialog.h"
#include "terminal/ProcessDlg.h"

namespace viz {
namespace {

struct Writes {
    std::vector<viz::Bytes> blocks;
    std::vector<int> positionsBefore;
    bool open = true;
};

SendAreaConfig SerialConfig(Writes& writes, CSendArea** area) {
    SendAreaConfig config;
    config.countsFormat = QStringLiteral("发送区：已发送%d字节");
    config.initialTitle = QStringLiteral("发送区：已发送0字节（提示：双击文本框可以支持Bin/Txt文件发送）");
    config.resetTitle = QStringLiteral("发送区：已发送0字节");
    config.links = {{.write =
                         [&writes, area](const std::uint8_t* bytes, std::size_t count) {
                             writes.blocks.emplace_back(bytes, bytes + count);
                             CProcessDlg* progress = (*area)->progressWindow(0);
                             writes.positionsBefore.push_back(progress ? progress->bar()->value() : -1);
                             return count;
                         },
                     .isOpen = [&writes] { return writes.open; },
                     .blockSize = 1024,
                     .progressTitle = QStringLiteral("串口发送文件进度")}};
    return config;
}

class SendAreaTest : public ::testing::Test {
protected:
    void SetUp() override {
        area = new CSendArea(SerialConfig(writes, &area), &page);
        page.resize(600, 400);
    }

    QString Write(const std::string& name, std::size_t size) {
        std::string data(size, '\0');
        for (std::size_t i = 0; i < size; ++i) data[i] = static_cast<char>(i % 251);
        std::ofstream(dir / name, std::ios::binary) << data;
        return QString::fromStdString((dir / name).string());
    }

    void Load(const QString& path) {
        area->setFileChooser([path] { return path; });
        area->LoadFile();
    }

    testing::TempDir dir;
    Writes writes;
    QWidget page;
    CSendArea* area = nullptr;
};

TEST_F(SendAreaTest, FileOf2500BytesGoesInTwoFullBlocksAndTheRemainderWithProgress) {
    const QString path = Write("data.bin", 2500);
    Load(path);
    const QString loaded = QStringLiteral("\n成功读取外部资源文件：\n\n") + path + QStringLiteral("\n\n");
    EXPECT_EQ(area->edit()->toPlainText(), loaded);

    area->Send(0);
    ASSERT_EQ(writes.blocks.size(), 3u);
    EXPECT_EQ(writes.blocks[0].size(), 1024u);
    EXPECT_EQ(writes.blocks[1].size(), 1024u);
    EXPECT_EQ(writes.blocks[2].size(), 452u);
    ASSERT_EQ(writes.positionsBefore.size(), 3u);
    EXPECT_EQ(writes.positionsBefore.front(), 0);
    EXPECT_TRUE(std::is_sorted(writes.positionsBefore.begin(), writes.positionsBefore.end()));
    CProcessDlg* progress = area->progressWindow(0);
    ASSERT_NE(progress, nullptr);
    EXPECT_EQ(progress->windowTitle(), QStringLiteral("串口发送文件进度"));
    EXPECT_EQ(progress->bar()->maximum(), 2500);
    EXPECT_EQ(progress->bar()->value(), 2500);
    EXPECT_EQ(area->title(), QStringLiteral("发送区：已发送2500字节"));
    EXPECT_EQ(area->edit()->toPlainText(), loaded + QStringLiteral("\n发送文件完成，请重新载入文件！"));

    // File mode is over: the next send sends the text now in the area.
    area->Send(0);
    ASSERT_EQ(writes.blocks.size(), 4u);
    EXPECT_EQ(std::string(writes.blocks[3].begin(), writes.blocks[3].end()),
              testing::Gbk(("\r\n成功读取外部资源文件：\r\n\r\n" + path.toStdString() +
                            "\r\n\r\n\r\n发送文件完成，请重新载入文件！")));
    EXPECT_EQ(progress, area->progressWindow(0)) << "the progress window is made once and kept";
}

TEST_F(SendAreaTest, ProgressFollowsALongSendAFewTimesASecondAndEndsExact) {
    // 80 blocks of at least 1 ms each: some repaints on the way, far fewer
    // than one per block, and the exact totals at the end.
    SendAreaConfig config = SerialConfig(writes, &area);
    auto write = config.links[0].write;
    config.links[0].write = [write](const std::uint8_t* bytes, std::size_t count) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
        return write(bytes, count);
    };
    delete area;
    area = new CSendArea(config, &page);
    const std::size_t size = 80 * 1024 - 17;
    Load(Write("long.bin", size));
    const auto start = std::chrono::steady_clock::now();
    area->Send(0);
    const auto elapsed = std::chrono::steady_clock::now() - start;
    ASSERT_EQ(writes.blocks.size(), 80u);
    EXPECT_GT(writes.positionsBefore.back(), 0) << "shown while the send went on";
    std::vector<int> shown = writes.positionsBefore;
    shown.erase(std::unique(shown.begin(), shown.end()), shown.end());
    EXPECT_LE(static_cast<long>(shown.size()), elapsed / std::chrono::milliseconds(20) + 1);
    EXPECT_EQ(area->progressWindow(0)->bar()->value(), static_cast<int>(size));
    EXPECT_EQ(area->title(), QStringLiteral("发送区：已发送81903字节"));
    EXPECT_EQ(area->link(0).sentTotal(), static_cast<std::int64_t>(size));
}

TEST_F(SendAreaTest, FileOfExactly1024BytesGoesInOnePiece) {
    Load(Write("block.bin", 1024));
    area->Send(0);
    ASSERT_EQ(writes.blocks.size(), 1u);
    EXPECT_EQ(writes.blocks[0].size(), 1024u);
    EXPECT_EQ(area->progressWindow(0)->bar()->value(), 1024);
    EXPECT_EQ(area->link(0).sentTotal(), 1024);
}

TEST_F(SendAreaTest, CancelledOrFailedLoadChangesNothingAndAnEmptyFileIsReported) {
    area->edit()->setPlainText(QStringLiteral("typed"));
    Load(QString());
    EXPECT_EQ(area->edit()->toPlainText(), QStringLiteral("typed"));
    Load(Write("data.bin", 10));
    Load(QString::fromStdString((dir / "missing.bin").string()));
    EXPECT_TRUE(area->file().fileMode()) << "the file loaded before is kept";
    Load(Write("empty.bin", 0));
    EXPECT_EQ(area->edit()->toPlainText(), QStringLiteral("读取外部资源文件失败！"));
    EXPECT_FALSE(area->file().fileMode());
}

TEST_F(SendAreaTest, DoubleClickOnTheFocusedSendAreaLoadsAFile) {
    const QString path = Write("data.bin", 3);
    int asked = 0;
    area->setFileChooser([&] {
        ++asked;
        return path;
    });
    page.show();
    area->edit()->setFocus();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&page));
    QTest::mouseDClick(area->edit()->viewport(), Qt::LeftButton);
    EXPECT_EQ(asked, 1);
    EXPECT_TRUE(area->file().fileMode());
}

TEST_F(SendAreaTest, TypedSendUsesCrLfAndHexWithoutAPairSendsNothing) {
    area->setHexSend(true);
    area->edit()->setPlainText(QStringLiteral("zz"));
    area->Send(0);
    EXPECT_TRUE(writes.blocks.empty());
    EXPECT_EQ(area->title(),
              QStringLiteral("发送区：已发送0字节（提示：双击文本框可以支持Bin/Txt文件发送）"));
    area->setHexSend(false);
    area->edit()->setPlainText(QStringLiteral("AB\nCD"));
    area->Send(0);
    ASSERT_EQ(writes.blocks.size(), 1u);
    EXPECT_EQ(std::string(writes.blocks[0].begin(), writes.blocks[0].end()), "AB\r\nCD");
    EXPECT_EQ(area->title(), QStringLiteral("发送区：已发送6字节"));

    area->setHexSend(true);
    area->edit()->setPlainText(QStringLiteral("xy 0x12"));
    area->Send(0);
    EXPECT_EQ(writes.blocks.size(), 1u);
    EXPECT_EQ(area->link(0).sentTotal(), 6);
    area->edit()->setPlainText(QStringLiteral("01 02 0A"));
    area->Send(0);
    EXPECT_EQ(writes.blocks.back(), (viz::Bytes{0x01, 0x02, 0x0A}));

    area->ResetCounters();
    EXPECT_EQ(area->title(), QStringLiteral("发送区：已发送0字节"));
    EXPECT_EQ(area->link(0).sentTotal(), 0);
}

TEST_F(SendAreaTest, ClosedLinkSendsNothingNotEvenAFile) {
    writes.open = false;
    area->edit()->setPlainText(QStringLiteral("AB"));
    area->Send(0);
    Load(Write("data.bin", 10));
    area->Send(0);
    EXPECT_TRUE(writes.blocks.empty());
    EXPECT_TRUE(area->file().fileMode());
    EXPECT_EQ(area->progressWindow(0), nullptr);
}

TEST_F(SendAreaTest, ContinuousTickWhileATypedSendIsStillWritingSendsNothing) {
    int writesDuringFirst = -1;
    SendAreaConfig config;
    config.countsFormat = QStringLiteral("发送区：已发送%d字节");
    int calls = 0;
    CSendArea* slow = nullptr;
    config.links = {{.write = [&](const std::uint8_t*, std::size_t count) {
        if (++calls == 1) {
            // The link lets the event loop run while the bytes go out.
            QTest::qWait(120);
            writesDuringFirst = calls - 1;
            slow->StopContinuous(0);
        }
        return count;
    }}};
    slow = new CSendArea(config, &page);
    slow->edit()->setPlainText(QStringLiteral("AB"));
    slow->StartContinuous(0, 10);
    EXPECT_TRUE(QTest::qWaitFor([&] { return writesDuringFirst >= 0; }, 5000));
    QTest::qWait(50);
    EXPECT_EQ(writesDuringFirst, 0) << "ticks during the write found send ready at 0";
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(slow->link(0).sentTotal(), 2);
}

TEST_F(SendAreaTest, TwoLinksKeepTheirOwnCountersTimersAndProgressWindows) {
    std::vector<int> sentOn;
    SendAreaConfig config;
    config.countsFormat = QStringLiteral("发送区：TCP已发送%d字节，UDP已发送%d字节");
    auto link = [&](int index, const char16_t* title) {
        return SendLinkSetup{.write =
                                 [&sentOn, index](const std::uint8_t*, std::size_t count) {
                                     sentOn.push_back(index);
                                     return count;
                                 },
                             .progressTitle = QString::fromUtf16(title)};
    };
    config.links = {link(0, u"TCP发送文件进度"), link(1, u"UDP发送文件进度")};
    CSendArea net(config, &page);
    net.edit()->setPlainText(QStringLiteral("abc"));
    net.Send(1);
    EXPECT_EQ(net.title(), QStringLiteral("发送区：TCP已发送0字节，UDP已发送3字节"));
    net.setFileChooser([this] { return Write("f.bin", 5); });
    net.LoadFile();
    net.Send(0);
    EXPECT_EQ(net.title(), QStringLiteral("发送区：TCP已发送5字节，UDP已发送3字节"));
    EXPECT_EQ(sentOn, (std::vector<int>{1, 0}));
    EXPECT_EQ(net.progressWindow(0)->windowTitle(), QStringLiteral("TCP发送文件进度"));
    EXPECT_EQ(net.progressWindow(1), nullptr);
    net.StartContinuous(1, 1000);
    EXPECT_TRUE(net.continuous(1));
    EXPECT_FALSE(net.continuous(0));
}

TEST_F(SendAreaTest, TypedSendsAreRecordedInTheAttachedMonitorButFileDataIsNot) {
    CPortMonitorDialog monitor(QStringLiteral("伪串口监视器"), QStringLiteral("COM1"));
    monitor.StartMonitoring();
    area->AttachMonitor(0, &monitor);
    area->edit()->setPlainText(QStringLiteral("AB"));
    area->Send(0);
    Load(Write("data.bin", 10));
    area->Send(0);
    ASSERT_EQ(monitor.list()->rows().size(), 1u);
    EXPECT_EQ(monitor.list()->rows()[0], (MonitorRow{u"0000", u"S", u"0002", u"CHR: AB"}));
}

}  // namespace
}  // namespace viz
