#include "LoopbackPage.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QRegularExpression>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "ModalCatcher.h"
#include "PageTestSupport.h"
#include "TempDir.h"
#include "platform/CodePage.h"
#include "terminal/ListCtrlEx.h"
#include "terminal/MoreSendDialog.h"
#include "terminal/PortMonitorDialog.h"
#include "terminal/ReceiveArea.h"
#include "terminal/SendArea.h"
#include "terminal/TextOptions.h"

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
    ASSERT_TRUE(QTest::qWaitFor([&] { return page.receiveArea()->pipeline().receivedTotal() == 6; }, 20000));
    // The widget catches up within one flush interval of the last redraw.
    ASSERT_TRUE(QTest::qWaitFor([&] { return !page.receiveArea()->edit()->toPlainText().isEmpty(); }, 20000));
    EXPECT_EQ(page.receiveArea()->edit()->toPlainText(), QStringLiteral("你好\n")) << "CR LF shows one break";
    EXPECT_EQ(page.receiveArea()->pipeline().area().text(), u"你好\r\n") << "the sent CR LF, as it came";
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return page.sendArea()->title() == QStringLiteral("发送区：已发送6字节"); }, 20000));

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
    ASSERT_TRUE(QTest::qWaitFor([&] { return page.receiveArea()->pipeline().receivedTotal() == 2; }, 20000));
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
            [&] { return page.receiveArea()->pipeline().receivedTotal() == round + 1; }, 20000));
        QTest::mouseClick(page.openButton(), Qt::LeftButton);
        EXPECT_FALSE(page.isOpen());
    }
    page.sendArea()->Send(0);
    EXPECT_TRUE(testing::Settled());
    EXPECT_EQ(page.receiveArea()->pipeline().receivedTotal(), 3) << "a closed link sends nothing";
    const std::vector<MonitorRow>& rows = page.monitor()->list()->rows();
    ASSERT_EQ(rows.size(), 12u);
    EXPECT_EQ(rows[0][1], u"O");
    EXPECT_EQ(rows[3][1], u"C");
}

std::string FileBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Every character comes back split between reads; the page is set to UTF-8
// with time stamps, as a user would, and every way text leaves or enters the
// page follows it.
TEST(LoopbackPageText, Utf8AndTimeStampsReachSendsAreaFilesAndMonitor) {
    TempDir dir;
    CurrentDirectory inDir(dir.path());
    SettingsStore store{dir / "Vizuruv.conf"};
    LoopbackPage page(store, nullptr, 1);
    page.show();
    QComboBox* encoding = page.textOptions()->encodingBox();
    encoding->setFocus();
    QTest::keyClick(encoding, Qt::Key_Down);
    ASSERT_EQ(encoding->currentText(), QStringLiteral("UTF-8"));
    QCheckBox* stamps = page.receiveArea()->timeStampBox();
    ASSERT_NE(stamps, nullptr);
    EXPECT_EQ(stamps->text(), QStringLiteral("时间戳"));
    QTest::mouseClick(stamps, Qt::LeftButton, {}, QPoint(8, stamps->height() / 2));
    ASSERT_TRUE(stamps->isChecked());

    QTest::mouseClick(page.openButton(), Qt::LeftButton);
    page.ShowMonitor();
    page.monitor()->StartMonitoring();
    page.receiveArea()->ToggleOutput();
    page.sendArea()->edit()->setPlainText(QStringLiteral("温度℃\n"));
    QTest::mouseClick(page.sendButton(), Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor([&] { return page.receiveArea()->pipeline().receivedTotal() == 11; }, 20000))
        << "three characters of three bytes and CR LF";
    page.ShowMoreSend();
    page.moreSend()->entry(0)->setText(QStringLiteral("中"));
    page.moreSend()->SendEntry(0);
    ASSERT_TRUE(QTest::qWaitFor([&] { return page.receiveArea()->pipeline().receivedTotal() == 14; }, 20000));

    const QString stamp = QStringLiteral("\\[\\d\\d:\\d\\d:\\d\\d\\.\\d\\d\\d\\] ");
    const QString shown =
        QString::fromStdU16String(std::u16string(page.receiveArea()->pipeline().area().text()));
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^%1温度℃\r\n%1中$").arg(stamp)).match(shown).hasMatch())
        << shown.toStdString();
    page.receiveArea()->ToggleOutput();
    EXPECT_EQ(FileBytes(dir / "回环数据输出记录.txt"), shown.toStdString()) << "UTF-8, with the stamps";
    {
        ModalCatcher catcher;
        page.receiveArea()->SaveCapture();
    }
    EXPECT_EQ(FileBytes(dir / "回环数据接收记录.txt"), shown.toStdString());

    // The monitor reads the S record in UTF-8; the R records came a byte at a time.
    const std::vector<MonitorRow>& rows = page.monitor()->list()->rows();
    ASSERT_FALSE(rows.empty());
    const auto sent =
        std::find_if(rows.begin(), rows.end(), [](const MonitorRow& row) { return row[1] == u"S"; });
    ASSERT_NE(sent, rows.end());
    EXPECT_EQ(sent->at(3), Utf8ToUtf16("CHR: 温度℃\r\n"));
}

}  // namespace
}  // namespace viz::testing
