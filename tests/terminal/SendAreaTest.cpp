#include "terminal/SendArea.h"

#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include <fstream>

#include "FakeLink.h"
#include "IconvReference.h"
#include "PageTestSupport.h"
#include "TempDir.h"
#include "terminal/ListCtrlEx.h"
#include "terminal/PortMonitorDialog.h"
#include "terminal/ProcessDlg.h"

namespace viz {
namespace {

using testing::FakeLink;

SendAreaConfig SerialConfig(FakeLink& link) {
    SendAreaConfig config;
    config.countsFormat = QStringLiteral("发送区：已发送%d字节");
    config.initialTitle = QStringLiteral("发送区：已发送0字节（提示：双击文本框可以支持Bin/Txt文件发送）");
    config.resetTitle = QStringLiteral("发送区：已发送0字节");
    config.links = {{.write = link.Writer(),
                     .isOpen = [&link] { return link.open; },
                     .blockSize = 1024,
                     .progressTitle = QStringLiteral("串口发送文件进度")}};
    config.limits.waitSliceMs = 20;
    return config;
}

class SendAreaTest : public ::testing::Test {
protected:
    void SetUp() override {
        area = new CSendArea(SerialConfig(link), &page);
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

    bool SentTotalReaches(std::int64_t total) {
        return QTest::qWaitFor([&] { return area->link(0).sentTotal() >= total; }, 5000);
    }

    testing::TempDir dir;
    FakeLink link;
    QWidget page;
    CSendArea* area = nullptr;
};

TEST_F(SendAreaTest, AFileGoesOutInBlocksWithProgressAndEndsWithTheCompletionNote) {
    const QString path = Write("data.bin", 2500);
    Load(path);
    const QString loaded = QStringLiteral("\n成功读取外部资源文件：\n\n") + path + QStringLiteral("\n\n");
    EXPECT_EQ(area->edit()->toPlainText(), loaded);

    area->Send(0);
    CProcessDlg* progress = area->progressWindow(0);
    ASSERT_NE(progress, nullptr);
    EXPECT_EQ(progress->windowTitle(), QStringLiteral("串口发送文件进度"));
    EXPECT_EQ(progress->bar()->maximum(), 2500);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !area->file().fileMode(); }, 20000));
    const auto blocks = link.blocks();
    ASSERT_EQ(blocks.size(), 3u);
    EXPECT_EQ(blocks[2].size(), 452u);
    EXPECT_EQ(progress->bar()->value(), 2500);
    EXPECT_FALSE(progress->cancelButton()->isEnabled()) << "nothing left to cancel";
    EXPECT_EQ(area->title(), QStringLiteral("发送区：已发送2500字节"));
    EXPECT_EQ(area->edit()->toPlainText(), loaded + QStringLiteral("\n发送文件完成，请重新载入文件！"));

    // File mode is over: the next send sends the text now in the area.
    area->Send(0);
    ASSERT_TRUE(SentTotalReaches(2500 + 1));
    const viz::Bytes typed = link.blocks().at(3);
    EXPECT_EQ(std::string(typed.begin(), typed.end()),
              testing::Gbk(("\r\n成功读取外部资源文件：\r\n\r\n" + path.toStdString() +
                            "\r\n\r\n\r\n发送文件完成，请重新载入文件！")));
    EXPECT_EQ(progress, area->progressWindow(0)) << "the progress window is made once and kept";
}

TEST_F(SendAreaTest, CancellingOrClosingTheProgressWindowEndsTheSendAndKeepsTheFile) {
    const QString path = Write("data.bin", 100 * 1024);
    Load(path);
    const QString loaded = QStringLiteral("\n成功读取外部资源文件：\n\n") + path + QStringLiteral("\n\n");
    link.Set(FakeLink::Mode::Stall);
    area->Send(0);
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return area->progressWindow(0) && area->progressWindow(0)->isVisible(); }, 20000));
    QTest::mouseClick(area->progressWindow(0)->cancelButton(), Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor([&] { return area->edit()->toPlainText() != loaded; }, 20000));
    EXPECT_EQ(area->edit()->toPlainText(),
              loaded + QStringLiteral("\n发送文件中断：已发送0/102400字节（用户取消发送）"));
    EXPECT_TRUE(area->file().fileMode());

    // Sent again, it starts over; closing the window cancels it too.
    link.Set(FakeLink::Mode::TakeAll);
    area->Send(0);
    ASSERT_TRUE(SentTotalReaches(100 * 1024));
    EXPECT_EQ(area->edit()->toPlainText(), loaded + QStringLiteral("\n发送文件完成，请重新载入文件！"));
    Load(path);
    link.Set(FakeLink::Mode::Stall);
    area->Send(0);
    area->progressWindow(0)->close();
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return area->edit()->toPlainText().contains(QStringLiteral("中断")); }, 20000));
    EXPECT_FALSE(area->progressWindow(0)->isVisible());

    // A closed link ends it with its own reason.
    area->Send(0);
    area->LinkClosed(0, SendEnd::DeviceRemoved);
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return area->edit()->toPlainText().contains(QStringLiteral("设备已拔出")); }, 20000));
}

TEST_F(SendAreaTest, LoadingByMouseOrKeyboardReportsFilesThatCannotBeSent) {
    area->edit()->setPlainText(QStringLiteral("typed"));
    Load(QString());
    EXPECT_EQ(area->edit()->toPlainText(), QStringLiteral("typed")) << "a cancelled choice changes nothing";
    Load(Write("data.bin", 10));
    Load(QString::fromStdString((dir / "missing.bin").string()));
    EXPECT_EQ(area->edit()->toPlainText(), QStringLiteral("读取外部资源文件失败：No such file or directory"));
    EXPECT_FALSE(area->file().fileMode());
    Load(Write("empty.bin", 0));
    EXPECT_EQ(area->edit()->toPlainText(), QStringLiteral("读取外部资源文件失败！"));

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
    QTest::keyClick(area->edit(), Qt::Key_O, Qt::ControlModifier);
    EXPECT_EQ(asked, 2);
    EXPECT_TRUE(area->file().fileMode());
}

TEST_F(SendAreaTest, TypedSendsUseCrLfCountWhatWasWrittenAndNeedAnOpenLink) {
    area->setHexSend(true);
    area->edit()->setPlainText(QStringLiteral("zz 0x12"));
    area->Send(0);
    area->setHexSend(false);
    area->edit()->setPlainText(QStringLiteral("AB\nCD"));
    area->Send(0);
    ASSERT_TRUE(SentTotalReaches(6));
    EXPECT_EQ(link.blocks(), std::vector<viz::Bytes>{viz::Bytes({'A', 'B', '\r', '\n', 'C', 'D'})});
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return area->title() == QStringLiteral("发送区：已发送6字节"); }, 20000));

    link.open = false;
    area->Send(0);
    Load(Write("data.bin", 10));
    area->Send(0);
    EXPECT_TRUE(testing::Settled());
    EXPECT_EQ(link.blocks().size(), 1u);
    EXPECT_EQ(area->progressWindow(0), nullptr);

    area->ResetCounters();
    EXPECT_EQ(area->title(), QStringLiteral("发送区：已发送0字节"));
    EXPECT_EQ(area->link(0).sentTotal(), 0);
}

TEST_F(SendAreaTest, TicksWhileTheLinkHoldsASendSendNothingAndTheWindowKeepsRunning) {
    link.Set(FakeLink::Mode::Stall);
    area->edit()->setPlainText(QStringLiteral("AB"));
    area->StartContinuous(0, 10);
    EXPECT_LT(testing::RunLoopUntil([] { return false; }, 3000).longestStallMs, testing::kStallLimitMs)
        << "the window never waits on the link";
    link.Set(FakeLink::Mode::TakeAll);
    area->StopContinuous(0);
    ASSERT_TRUE(SentTotalReaches(2));
    testing::RunTimerTicks(10, 5);
    EXPECT_EQ(link.blocks().size(), 1u) << "ticks while the first send waited sent nothing";
}

TEST_F(SendAreaTest, TwoLinksKeepTheirOwnCountersAndProgressWindows) {
    FakeLink tcp;
    FakeLink udp;
    SendAreaConfig config;
    config.countsFormat = QStringLiteral("发送区：TCP已发送%d字节，UDP已发送%d字节");
    config.links = {{.write = tcp.Writer(), .progressTitle = QStringLiteral("TCP发送文件进度")},
                    {.write = udp.Writer(), .progressTitle = QStringLiteral("UDP发送文件进度")}};
    CSendArea net(config, &page);
    net.edit()->setPlainText(QStringLiteral("abc"));
    net.Send(1);
    net.setFileChooser([this] { return Write("f.bin", 5); });
    net.LoadFile();
    net.Send(0);
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return net.title() == QStringLiteral("发送区：TCP已发送5字节，UDP已发送3字节"); }, 20000));
    EXPECT_EQ(tcp.blocks().size(), 1u);
    EXPECT_EQ(udp.blocks().size(), 1u);
    EXPECT_EQ(net.progressWindow(0)->windowTitle(), QStringLiteral("TCP发送文件进度"));
    EXPECT_EQ(net.progressWindow(1), nullptr);
    net.StartContinuous(1, 1000);
    EXPECT_TRUE(net.continuous(1));
    EXPECT_FALSE(net.continuous(0));
}

TEST_F(SendAreaTest, TypedAndMultiSendDataIsRecordedWhenWrittenButFileDataIsNot) {
    CPortMonitorDialog monitor(QStringLiteral("伪串口监视器"), QStringLiteral("COM1"));
    monitor.StartMonitoring();
    area->AttachMonitor(0, &monitor);
    area->edit()->setPlainText(QStringLiteral("AB"));
    area->Send(0);
    area->SendEntry(0, {'x', 'y', 'z'}, false);
    Load(Write("data.bin", 10));
    area->Send(0);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !area->file().fileMode(); }, 20000));
    ASSERT_EQ(monitor.list()->rows().size(), 2u);
    EXPECT_EQ(monitor.list()->rows()[0], (MonitorRow{u"0000", u"S", u"0002", u"CHR: AB"}));
    EXPECT_EQ(monitor.list()->rows()[1], (MonitorRow{u"0001", u"S", u"0003", u"CHR: xyz"}));
    EXPECT_EQ(area->link(0).sentTotal(), 12) << "multi-send leaves the counter alone";
}

}  // namespace
}  // namespace viz
