// The virtual board as a user meets it: started from a wizard page, its port
// opened by the serial page, echoing what the page sends; its pin lamps; and
// what it says when a program is missing or a firmware file is bad.
#include "board/VirtualBoardDlg.h"

#include <QAccessible>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTest>

#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <thread>

#include "BoardTestSupport.h"
#include "PageTestSupport.h"
#include "app/VizuruvDlg.h"
#include "base/StatusLabel.h"
#include "board/PinView.h"
#include "board/SerialBootloader.h"
#include "serial/ComDlg.h"
#include "terminal/ReceiveArea.h"
#include "terminal/SendArea.h"
#include "wizards/ToolRunner.h"

namespace viz {
namespace {

QString HexText(const std::string& bytes) {
    QString text;
    for (unsigned char byte : bytes)
        text += QStringLiteral("%1 ").arg(byte, 2, 16, QLatin1Char('0')).toUpper();
    return text;
}

template <typename Widget>
Widget* Child(QWidget* parent, const char* name) {
    return parent->findChild<Widget*>(QString::fromLatin1(name));
}

// The whole program's window, in a folder of its own, with the AVR runner
// built beside the tests on PATH as an installed one would be.
class BoardWindowTest : public ::testing::Test {
protected:
    BoardWindowTest() : previousDirectory_(QDir::currentPath()), previousPath_(std::getenv("PATH")) {
        QDir::setCurrent(QString::fromStdString(host_.dir.path().string()));
        const std::string runnerDir = std::filesystem::path(VIZ_AVRSIM_RUNNER).parent_path().string();
        setenv("PATH", (runnerDir + ":" + previousPath_).c_str(), 1);
        window_ = std::make_unique<CVizuruvDlg>(host_.context, [] {});
        window_->show();
    }
    ~BoardWindowTest() override {
        window_.reset();
        setenv("PATH", previousPath_.c_str(), 1);
        QDir::setCurrent(previousDirectory_);
    }

    CComDlg* serialPage() const { return static_cast<CComDlg*>(window_->page(0)); }
    QComboBox* portList() const { return Child<QComboBox>(serialPage(), "port"); }

    testing::PageHost host_;
    const QString previousDirectory_;
    const std::string previousPath_;
    std::unique_ptr<CVizuruvDlg> window_;
};

TEST_F(BoardWindowTest, AvrWizardProgramRunsAndTheSerialPageTalksToIt) {
    ASSERT_TRUE(testing::HaveAvrTools()) << "avr-gcc (packages gcc-avr, avr-libc) is not installed";
    QWidget* avr = window_->page(7);
    Child<QLineEdit>(avr, "frequency")->setText(QStringLiteral("8000000"));
    Child<QComboBox>(avr, "baud")->setCurrentText(QStringLiteral("9600"));
    QTest::mouseClick(Child<QPushButton>(avr, "runOnBoard"), Qt::LeftButton);

    // The page switches to the serial page, which opens the board at 9600.
    ASSERT_TRUE(QTest::qWaitFor([&] { return serialPage()->isOpen(); }, 30000))
        << window_->Board()->output()->toPlainText().toStdString();
    EXPECT_EQ(window_->tabs()->currentIndex(), 0);
    EXPECT_TRUE(
        portList()->currentText().startsWith(QStringLiteral("虚拟开发板：ATmega16 @ 8 MHz (/dev/pts/")))
        << portList()->currentText().toStdString();
    EXPECT_EQ(Child<QComboBox>(serialPage(), "baud")->currentText(), QStringLiteral("9600"));

    // 1,000 bytes typed as hexadecimal come back unchanged, never sooner than the wire allows.
    CReceiveArea* received = serialPage()->receiveArea();
    testing::ClickAnsweringMessages(Child<QCheckBox>(serialPage(), "hexDisplay"));
    testing::ClickAnsweringMessages(Child<QCheckBox>(serialPage(), "hexSend"));
    received->ToggleOutput();
    const std::string sent = testing::EchoPattern();
    serialPage()->sendArea()->edit()->setPlainText(HexText(sent));
    const auto start = testing::Clock::now();
    QTest::mouseClick(Child<QPushButton>(serialPage(), "send"), Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor([&] { return received->pipeline().receivedTotal() >= 1000; }, 60000))
        << received->pipeline().receivedTotal() << " " << serialPage()->sendArea()->title().toStdString()
        << " " << window_->Board()->output()->toPlainText().toStdString();
    const double seconds = std::chrono::duration<double>(testing::Clock::now() - start).count();
    ::testing::Test::RecordProperty("echo_seconds", std::to_string(seconds));
    EXPECT_GE(seconds, 1.0);
    received->ToggleOutput();
    EXPECT_EQ(QString::fromStdString(testing::ReadFile(host_.dir / "串口数据输出记录.txt")), HexText(sent));

    // "停止": the simulator is gone and the page sees an unplugged device.
    CVirtualBoardDlg* board = window_->Board();
    const int simulator = board->session().simulatorPid();
    ASSERT_GT(simulator, 0);
    QTest::mouseClick(board->findChild<QPushButton*>("stop"), Qt::LeftButton);
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            return !serialPage()->isOpen() && board->status()->text() == QStringLiteral("已停止") &&
                   portList()->findText(QStringLiteral("虚拟开发板"), Qt::MatchStartsWith) == -1;
        },
        5000))
        << board->status()->text().toStdString();
    EXPECT_TRUE(::kill(simulator, 0) != 0 && errno == ESRCH);
    EXPECT_TRUE(received->edit()->toPlainText().contains(QStringLiteral("已断开")));
}

// The page waits for a board that stops and reopens it when it runs again
// ("自动重连"), on whatever pty the new run has.
TEST_F(BoardWindowTest, C51WizardBoardIsFoundAgainAfterARestartAndLeavesWithItsWindow) {
    ASSERT_TRUE(testing::HaveMcs51Tools()) << "sdcc and s51 (packages sdcc, sdcc-ucsim) are not installed";
    QWidget* mcu51 = window_->page(6);
    QTest::mouseClick(Child<QPushButton>(mcu51, "runOnBoard"), Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor([&] { return serialPage()->isOpen(); }, 30000))
        << window_->Board()->output()->toPlainText().toStdString();
    // The wizard's start values: 12 MHz, 9600 baud, no timer 2.
    EXPECT_TRUE(portList()->currentText().startsWith(QStringLiteral("虚拟开发板：8051 @ 12 MHz (/dev/pts/")));
    CVirtualBoardDlg* board = window_->Board();
    EXPECT_TRUE(board->output()->toPlainText().contains(QStringLiteral("编译：sdcc -mmcs51")));
    EXPECT_TRUE(board->status()->text().startsWith(QStringLiteral("运行中，串口：/dev/pts/")));

    QTest::mouseClick(board->findChild<QPushButton*>("stop"), Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return serialPage()->isWaitingForDevice() && board->startButton()->isEnabled(); }, 20000));
    QTest::mouseClick(board->startButton(), Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor([&] { return serialPage()->isOpen(); }, 30000))
        << board->output()->toPlainText().toStdString();
    // The page has the new run's port open, and the list offers it.
    EXPECT_EQ(QStringLiteral("运行中，串口：") + serialPage()->portPath(), board->status()->text());
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            return portList()->findText(QStringLiteral("虚拟开发板：8051 @ 12 MHz (/dev/pts/"), Qt::MatchStartsWith) >=
                   0;
        },
        20000));

    const int simulator = board->session().simulatorPid();
    board->close();
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            return !serialPage()->isOpen() &&
                   portList()->findText(QStringLiteral("虚拟开发板"), Qt::MatchStartsWith) == -1;
        },
        20000));
    EXPECT_TRUE(::kill(simulator, 0) != 0 && errno == ESRCH);
}

// The board window on its own, as the serial page's button opens it.
class BoardAloneTest : public ::testing::Test {
protected:
    CVirtualBoardDlg& Board(ToolSearch search = testing::TestToolSearch()) {
        board_ = std::make_unique<CVirtualBoardDlg>(host_.context, VirtualBoardSetup{search, {}}, nullptr);
        return *board_;
    }
    void UseFile(const std::filesystem::path& file) {
        board_->findChild<QLineEdit*>("file")->setText(QString::fromStdString(file.string()));
    }

    testing::PageHost host_;
    std::unique_ptr<CVirtualBoardDlg> board_;
};

// Timer 0 every 10 ms, P1.0 toggled every 25th time: a 500 ms blink.
TEST_F(BoardAloneTest, PinLampsShowABlinkingLedAndItsPeriod) {
    ASSERT_TRUE(testing::HaveMcs51Tools()) << "sdcc and s51 are not installed";
    std::ofstream(host_.dir / "blink.c")
        << "#include <8052.h>\n"
           "unsigned char ticks;\n"
           "void t0(void) __interrupt(1) { TH0=0xD8; TL0=0xF0;\n"
           "  if(++ticks==25){ticks=0; P1_0=!P1_0;} }\n"
           "void main(void){ TMOD=0x01; TH0=0xD8; TL0=0xF0; TR0=1; ET0=1; EA=1;\n"
           "  for(;;); }\n";
    CVirtualBoardDlg& board = Board();
    board.findChild<QLineEdit*>("clock")->setText(QStringLiteral("12"));
    UseFile(host_.dir / "blink.c");
    QTest::mouseClick(board.startButton(), Qt::LeftButton);

    CPinLamp* led = nullptr;
    int changes = 0;
    bool last = false;
    // The lamp as a user watches it for a few seconds: its changes and the
    // interval it tells, by then the mean of several. One interval alone is
    // only as exact as the simulator's steps, up to 30 ms of its time.
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            led = board.pinView()->lamp(1, 0);
            if (!led) return false;
            if (led->lit() != last) ++changes;
            last = led->lit();
            return changes >= 10 && led->accessibleDescription().contains(QStringLiteral("翻转间隔"));
        },
        30000))
        << board.output()->toPlainText().toStdString();
    const QString description = led->accessibleDescription();
    const int interval =
        description.section(QStringLiteral("翻转间隔"), 1).section(QStringLiteral("毫秒"), 0, 0).toInt();
    EXPECT_NEAR(interval, 250, 25) << description.toStdString();
    EXPECT_EQ(led->accessibleName(), QStringLiteral("P1.0"));
    EXPECT_EQ(board.pinView()->value(3)->text(), QStringLiteral("0xFF"));
    board.Stop();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !board.running(); }, 20000));
}

// A screen reader meets a window with a named chip list; a firmware that
// halts says so once with its address; a board held back by a busy machine
// tells its speed, and stops telling once it keeps up again.
TEST_F(BoardAloneTest, ScreenReadersHaltsAndSpeedAreToldAsTheyAre) {
    ASSERT_TRUE(testing::HaveMcs51Tools()) << "s51 (package sdcc-ucsim) is not installed";
    CVirtualBoardDlg& board = Board();
    QAccessibleInterface* window = QAccessible::queryAccessibleInterface(&board);
    ASSERT_TRUE(window);
    EXPECT_EQ(window->role(), QAccessible::Window);
    EXPECT_EQ(window->text(QAccessible::Name), QStringLiteral("虚拟开发板"));
    QAccessibleInterface* chips = QAccessible::queryAccessibleInterface(board.findChild<QComboBox*>("chip"));
    ASSERT_TRUE(chips);
    EXPECT_EQ(chips->role(), QAccessible::ComboBox);
    EXPECT_EQ(chips->text(QAccessible::Name), QStringLiteral("芯片"));
    EXPECT_EQ(chips->text(QAccessible::Value), QStringLiteral("8051"));

    std::ofstream(host_.dir / "bad.ihx") << testing::InvalidOpcodeHex();
    UseFile(host_.dir / "bad.ihx");
    QTest::mouseClick(board.startButton(), Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !board.running() && board.startButton()->isEnabled(); }, 20000));
    EXPECT_EQ(board.status()->text(), QStringLiteral("程序停止：固件在地址0x0024处停止运行"));
    const QString output = board.output()->toPlainText();
    EXPECT_EQ(output.count(QStringLiteral("Erroneous instruction: 0x0024")), 1) << output.toStdString();

    std::ofstream(host_.dir / "spin.c") << "void main(void){ for(;;); }\n";
    UseFile(host_.dir / "spin.c");
    QTest::mouseClick(board.startButton(), Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return board.status()->text().startsWith(QStringLiteral("运行中，串口：")); }, 30000))
        << board.output()->toPlainText().toStdString();
    // The machine too busy for a second and a half: s51 gets no processor.
    const int simulator = board.session().simulatorPid();
    for (auto start = testing::Clock::now();
         testing::Clock::now() - start < std::chrono::milliseconds(1500);) {
        ::kill(simulator, SIGSTOP);
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ::kill(simulator, SIGCONT);
    EXPECT_TRUE(
        QTest::qWaitFor([&] { return board.status()->text().contains(QStringLiteral("模拟速度 ")); }, 10000))
        << board.status()->text().toStdString();
    EXPECT_TRUE(
        QTest::qWaitFor([&] { return !board.status()->text().contains(QStringLiteral("模拟速度")); }, 20000))
        << board.status()->text().toStdString();
    board.Stop();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !board.running(); }, 5000));
}

TEST_F(BoardAloneTest, MissingProgramsAndBadFirmwareStopBeforeAnySimulator) {
    // A PATH without s51: the package is named and "启动" stays off.
    CVirtualBoardDlg& board = Board(ToolSearch{host_.dir.path().string(), {}, {}});
    ASSERT_TRUE(QTest::qWaitFor([&] { return board.findChild<QComboBox*>("chip")->count() > 2; }, 20000));
    EXPECT_FALSE(board.startButton()->isEnabled());
    EXPECT_TRUE(board.status()->text().contains(QStringLiteral("缺少s51：请安装软件包sdcc-ucsim")))
        << board.status()->text().toStdString();
    EXPECT_EQ(board.status()->accessibleDescription(), board.status()->text());
    board.findChild<QComboBox*>("chip")->setCurrentText(QStringLiteral("ATmega16"));
    EXPECT_TRUE(board.status()->text().contains(QStringLiteral("gcc-avr")));

    ASSERT_TRUE(testing::HaveMcs51Tools()) << "s51 is not installed";
    CVirtualBoardDlg& ready = Board();
    // A HEX file cut in its second record.
    std::ofstream(host_.dir / "cut.hex") << ":03000000020003F8\r\n:0400030075810";
    UseFile(host_.dir / "cut.hex");
    ASSERT_TRUE(ready.startButton()->isEnabled());
    QTest::mouseClick(ready.startButton(), Qt::LeftButton);
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            return ready.status()->text().startsWith(QStringLiteral("固件无效：Intel HEX文件cut.hex第2行："));
        },
        5000))
        << ready.status()->text().toStdString();
    EXPECT_TRUE(ready.startButton()->isEnabled());
    EXPECT_EQ(ready.session().simulatorPid(), 0);
}

// The chip a downloader programs: listed beside the plain ATmega328P, it
// starts without a program, and "复位" puts it into its bootloader, which
// answers the downloader's first words on the board's port.
TEST_F(BoardAloneTest, BootloaderChipStartsWithoutAProgramAndItsResetButtonOpensTheBootloader) {
    ASSERT_TRUE(std::filesystem::exists(kBootloaderSource)) << "arduino-core-avr is not installed";
    CVirtualBoardDlg& board = Board();
    auto* chips = board.findChild<QComboBox*>("chip");
    ASSERT_TRUE(QTest::qWaitFor([&] { return chips->count() > 2; }, 10000));
    ASSERT_GE(chips->findText(QStringLiteral("ATmega328")), 0);
    chips->setCurrentText(QStringLiteral("ATmega328P（带串口引导程序）"));
    ASSERT_EQ(chips->currentText(), QStringLiteral("ATmega328P（带串口引导程序）"));
    board.findChild<QLineEdit*>("clock")->setText(QStringLiteral("16"));
    board.findChild<QRadioButton*>("useFile")->setChecked(true);
    EXPECT_FALSE(board.resetButton()->isEnabled());
    ASSERT_TRUE(board.startButton()->isEnabled()) << board.status()->text().toStdString();
    QTest::mouseClick(board.startButton(), Qt::LeftButton);
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return board.status()->text().startsWith(QStringLiteral("运行中")); }, 30000))
        << board.status()->text().toStdString() << board.output()->toPlainText().toStdString();
    const std::string port = board.status()->text().section(QStringLiteral("："), 1).toStdString();
    ASSERT_TRUE(board.resetButton()->isEnabled());

    testing::BoardPort far(port);
    ASSERT_TRUE(far.ok()) << port;
    QTest::mouseClick(board.resetButton(), Qt::LeftButton);
    // STK500 "get sync", answered "in sync, OK" by the bootloader; the chip
    // waits in reset for it however long the reset took to arrive.
    double seconds = 0;
    std::string answer;
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            answer += far.Exchange(answer.empty() ? std::string("0 ") : std::string(),
                                   std::chrono::milliseconds(50), seconds);
            return answer.size() >= 2;
        },
        10000));
    EXPECT_EQ(answer.substr(0, 2), std::string("\x14\x10"));
    board.Stop();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !board.running(); }, 5000));
    // The window hears of the end after the session has ended.
    EXPECT_TRUE(QTest::qWaitFor([&] { return !board.resetButton()->isEnabled(); }, 5000));
}

}  // namespace
}  // namespace viz
