#include "LoopbackPage.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include "TempDir.h"
#include "terminal/ListCtrlEx.h"
#include "terminal/MoreSendDialog.h"
#include "terminal/PortMonitorDialog.h"
#include "terminal/ReceiveArea.h"
#include "terminal/SendArea.h"

namespace viz::testing {
namespace {

class LoopbackPageTest : public ::testing::Test {
protected:
    TempDir dir;
    SettingsStore store{dir / "Vizuruv.conf"};
    LoopbackPage page{store};
};

TEST_F(LoopbackPageTest, TypedSendComesBackIntoTheReceiveAreaAndBothAreMonitored) {
    page.show();
    QTest::mouseClick(page.openButton(), Qt::LeftButton);
    ASSERT_TRUE(page.isOpen());
    page.ShowMonitor();
    page.monitor()->StartMonitoring();

    page.sendArea()->edit()->setPlainText(QStringLiteral("你好\n"));
    QTest::mouseClick(page.sendButton(), Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor([&] { return page.receiveArea()->pipeline().receivedTotal() == 6; }, 5000));
    // The widget catches up within one flush interval of the last redraw.
    ASSERT_TRUE(QTest::qWaitFor([&] { return !page.receiveArea()->edit()->toPlainText().isEmpty(); }, 1000));
    EXPECT_EQ(page.receiveArea()->edit()->toPlainText(), QStringLiteral("你好\n"))
        << "CR CR LF shows one break";
    EXPECT_EQ(page.receiveArea()->pipeline().area().text(), u"你好\r\r\n");
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return page.sendArea()->title() == QStringLiteral("发送区：已发送6字节"); }, 1000));

    // The echo may be read before the writer's news reaches the window.
    const std::vector<MonitorRow>& rows = page.monitor()->list()->rows();
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_NE(rows[0][1], rows[1][1]);
    for (const MonitorRow& row : rows) {
        EXPECT_TRUE(row[1] == u"S" || row[1] == u"R");
        EXPECT_EQ(row[2], u"0006");
    }
}

TEST_F(LoopbackPageTest, HexDisplayAndMultiSendGoThroughTheSameLink) {
    QTest::mouseClick(page.openButton(), Qt::LeftButton);
    page.hexDisplay()->setChecked(true);
    page.ShowMoreSend();
    page.moreSend()->entry(2)->setText(QStringLiteral("01 FF"));
    page.moreSend()->hexBox(2)->setChecked(true);
    page.moreSend()->SendEntry(2);
    ASSERT_TRUE(QTest::qWaitFor([&] { return page.receiveArea()->pipeline().receivedTotal() == 2; }, 5000));
    EXPECT_EQ(page.receiveArea()->pipeline().area().text(), u"01 FF ");
    EXPECT_EQ(page.sendArea()->link(0).sentTotal(), 0) << "multi-send leaves the page's counters alone";
}

TEST_F(LoopbackPageTest, ClosingAndReopeningTheLinkKeepsWorking) {
    page.ShowMonitor();
    page.monitor()->StartMonitoring();
    for (int round = 0; round < 3; ++round) {
        QTest::mouseClick(page.openButton(), Qt::LeftButton);
        ASSERT_TRUE(page.isOpen());
        page.sendArea()->edit()->setPlainText(QStringLiteral("x"));
        page.sendArea()->Send(0);
        ASSERT_TRUE(QTest::qWaitFor(
            [&] { return page.receiveArea()->pipeline().receivedTotal() == round + 1; }, 5000));
        QTest::mouseClick(page.openButton(), Qt::LeftButton);
        EXPECT_FALSE(page.isOpen());
    }
    page.sendArea()->Send(0);
    QTest::qWait(20);
    EXPECT_EQ(page.receiveArea()->pipeline().receivedTotal(), 3) << "a closed link sends nothing";
    const std::vector<MonitorRow>& rows = page.monitor()->list()->rows();
    ASSERT_EQ(rows.size(), 12u);
    EXPECT_EQ(rows[0][1], u"O");
    EXPECT_EQ(rows[3][1], u"C");
}

}  // namespace
}  // namespace viz::testing
