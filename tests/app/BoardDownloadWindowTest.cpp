// The download window with the virtual board as its chip, as a user without
// hardware tries it: the board runs an old program and the serial page talks
// to it; "下载程序" on the page opens the window with the board's port, the
// real avrdude writes a new program through the board's bootloader (the
// shell resets the board's chip, as DTR would on a real board), the page
// takes its port back and the new program echoes what the page sends.
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "PageTestSupport.h"
#include "app/VizuruvDlg.h"
#include "avrsim/EchoProgramSupport.h"
#include "base/StatusLabel.h"
#include "board/BoardTestSupport.h"
#include "board/SerialBootloader.h"
#include "board/VirtualBoardDlg.h"
#include "flash/FlashDlg.h"
#include "serial/ComDlg.h"
#include "terminal/ReceiveArea.h"
#include "terminal/ReceivePipeline.h"
#include "terminal/SendArea.h"
#include "wizards/ToolRunner.h"

namespace viz {
namespace {

constexpr int kHangLimitMs = 60000;
const QString kReopened = QStringLiteral("——下载结束，串口已重新打开——");

template <typename Widget>
Widget* Child(QWidget* parent, const char* name) {
    return parent->findChild<Widget*>(QString::fromLatin1(name));
}

QString HexText(const std::string& bytes) {
    QString text;
    for (unsigned char byte : bytes)
        text += QStringLiteral("%1 ").arg(byte, 2, 16, QLatin1Char('0')).toUpper();
    return text;
}

class BoardDownloadWindowTest : public ::testing::Test {
protected:
    BoardDownloadWindowTest() : previousDirectory_(QDir::currentPath()), previousPath_(std::getenv("PATH")) {
        QDir::setCurrent(QString::fromStdString(host_.dir.path().string()));
        const std::string runnerDir = std::filesystem::path(VIZ_AVRSIM_RUNNER).parent_path().string();
        setenv("PATH", (runnerDir + ":" + previousPath_).c_str(), 1);
        window_ = std::make_unique<CVizuruvDlg>(host_.context, [] {});
        window_->show();
    }
    ~BoardDownloadWindowTest() override {
        window_.reset();
        setenv("PATH", previousPath_.c_str(), 1);
        QDir::setCurrent(previousDirectory_);
    }

    CComDlg* serialPage() { return static_cast<CComDlg*>(window_->page(PageId::Serial)); }
    QString AreaText() { return serialPage()->receiveArea()->edit()->toPlainText(); }
    // The board's port as the board offers it to the serial page.
    std::string BoardPort() {
        for (const ExtraSerialPort& extra : host_.context.extraSerialPorts().ports())
            if (extra.id == CVirtualBoardDlg::kPortId) return extra.path;
        return {};
    }

    testing::PageHost host_;
    const QString previousDirectory_;
    const std::string previousPath_;
    std::unique_ptr<CVizuruvDlg> window_;
};

TEST_F(BoardDownloadWindowTest, TheWindowWritesANewProgramToTheBoardAndThePageTalksToIt) {
    for (const char* tool : {"avr-gcc", "avr-objcopy", "avrdude"})
        ASSERT_FALSE(testing::FindOnPath(tool).empty()) << tool << " is not installed (scripts/setup.sh)";
    ASSERT_TRUE(std::filesystem::exists(kBootloaderSource)) << "arduino-core-avr is not installed";
    const std::filesystem::path oldProgram = testing::BuildEcho(host_.dir.path(), "old");
    const std::filesystem::path newProgram = testing::BuildEcho(host_.dir.path(), "hello");
    ASSERT_FALSE(oldProgram.empty() || newProgram.empty());

    // The board: the bootloader chip running the old program.
    CVirtualBoardDlg* board = window_->Board();
    board->show();
    auto* chips = Child<QComboBox>(board, "chip");
    ASSERT_TRUE(QTest::qWaitFor([&] { return chips->count() > 2; }, kHangLimitMs));
    chips->setCurrentText(QStringLiteral("ATmega328P（带串口引导程序）"));
    ASSERT_EQ(chips->currentText(), QStringLiteral("ATmega328P（带串口引导程序）"));
    Child<QLineEdit>(board, "clock")->setText(QStringLiteral("16"));
    Child<QRadioButton>(board, "useFile")->setChecked(true);
    Child<QLineEdit>(board, "file")->setText(QString::fromStdString(oldProgram.string()));
    QTest::mouseClick(board->startButton(), Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !BoardPort().empty(); }, kHangLimitMs))
        << board->status()->text().toStdString() << board->output()->toPlainText().toStdString();
    const QString port = QString::fromStdString(BoardPort());

    // The serial page on the board's port, as the board's route opens it;
    // the old program echoes.
    serialPage()->OpenBoardPort(port, 115200);
    ASSERT_TRUE(serialPage()->isOpen());
    serialPage()->sendArea()->edit()->setPlainText(QStringLiteral("ping"));
    QTest::mouseClick(Child<QPushButton>(serialPage(), "send"), Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor([&] { return AreaText().contains(QStringLiteral("ping")); }, kHangLimitMs))
        << AreaText().toStdString();

    // "下载程序" on the page: the one window, with the board's port and rate.
    QTest::mouseClick(Child<QPushButton>(serialPage(), "download"), Qt::LeftButton);
    CFlashDlg* flash = window_->findChild<CFlashDlg*>();
    ASSERT_NE(flash, nullptr);
    ASSERT_TRUE(QTest::qWaitFor([&] { return flash->chipBox()->findData("m328p") >= 0; }, kHangLimitMs));
    flash->targetBox()->setCurrentIndex(
        flash->targetBox()->findData(static_cast<int>(FlashTarget::AvrBootloader)));
    EXPECT_EQ(flash->portBox()->currentData().toString(), port);
    EXPECT_EQ(flash->baudBox()->currentText(), QStringLiteral("115200"));
    QComboBox* protocol = nullptr;
    for (auto* box : flash->findChildren<QComboBox*>())
        if (box->accessibleName() == QStringLiteral("协议：")) protocol = box;
    ASSERT_NE(protocol, nullptr);
    protocol->setCurrentIndex(protocol->findData(QStringLiteral("arduino")));
    flash->chipBox()->setCurrentIndex(flash->chipBox()->findData("m328p"));
    flash->fileEdit()->setText(QString::fromStdString(newProgram.string()));
    for (auto* button : flash->findChildren<QRadioButton*>())
        if (button->text() == QStringLiteral("文件：")) button->setChecked(true);

    QTest::mouseClick(flash->startButton(), Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !flash->running() && flash->startButton()->isEnabled(); },
                                kHangLimitMs));
    EXPECT_TRUE(flash->statusLabel()->text().startsWith(QStringLiteral("下载完成，校验通过")))
        << flash->statusLabel()->text().toStdString() << "\n"
        << flash->output()->toPlainText().toStdString();

    // The page has its port again and the new program greets it.
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            const QString text = AreaText();
            const qsizetype reopened = text.lastIndexOf(kReopened);
            return serialPage()->isOpen() && reopened >= 0 &&
                   text.indexOf(QStringLiteral("hello"), reopened) > 0;
        },
        kHangLimitMs))
        << AreaText().right(200).toStdString();
    EXPECT_TRUE(board->running());

    // 1,000 bytes sent from the page come back unchanged.
    CReceiveArea* received = serialPage()->receiveArea();
    testing::ClickAnsweringMessages(Child<QCheckBox>(serialPage(), "hexDisplay"));
    testing::ClickAnsweringMessages(Child<QCheckBox>(serialPage(), "hexSend"));
    const std::int64_t before = received->pipeline().receivedTotal();
    received->ToggleOutput();
    const std::string sent = testing::EchoPattern();
    serialPage()->sendArea()->edit()->setPlainText(HexText(sent));
    QTest::mouseClick(Child<QPushButton>(serialPage(), "send"), Qt::LeftButton);
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return received->pipeline().receivedTotal() >= before + 1000; }, kHangLimitMs))
        << received->pipeline().receivedTotal() - before;
    received->ToggleOutput();
    EXPECT_EQ(QString::fromStdString(testing::ReadFile(host_.dir / "串口数据输出记录.txt")), HexText(sent));

    board->Stop();
    EXPECT_TRUE(QTest::qWaitFor([&] { return !board->running(); }, kHangLimitMs));
}

}  // namespace
}  // namespace viz
