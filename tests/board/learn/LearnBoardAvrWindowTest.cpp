// The learning board in the board window on an ATmega16 at 8 MHz, fed by
// the AVR runner running the test's own firmware (built here with avr-gcc):
// the LCD in 8-bit mode polling the busy flag and in 4-bit mode, the scanned
// number, a key held in the window toggling an LED through the firmware's
// debounce, every keypad key and the potentiometer read by the firmware and
// printed on its UART, and a 1 kHz pin recorded and exported read back by
// sigrok-cli.
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QTest>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

#include <string>

#include "PageTestSupport.h"
#include "SigrokReadBack.h"
#include "TempDir.h"
#include "base/StatusLabel.h"
#include "board/BoardTestSupport.h"
#include "board/VirtualBoardDlg.h"
#include "board/learn/LearnBoardPanel.h"
#include "board/learn/LearnBoardView.h"
#include "board/learn/LearnParts.h"
#include "board/learn/LogicView.h"
#include "wizards/ToolRunner.h"

namespace viz {
namespace {

// A run's first steps take some seconds on a machine two test runs share.
constexpr int kPatienceMs = 60000;

class AvrLearnBoardWindowTest : public ::testing::Test {
protected:
    AvrLearnBoardWindowTest()
        : board_(host_.context, VirtualBoardSetup{testing::TestToolSearch(), {}}, nullptr) {
        board_.findChild<QLineEdit*>("clock")->setText(QStringLiteral("8"));
        board_.findChild<QRadioButton*>("useFile")->setChecked(true);
        QObject::connect(&board_, &CVirtualBoardDlg::portReady, [this](const QString& path, quint32) {
            port_ = ::open(path.toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
            termios raw{};
            if (port_ >= 0 && ::tcgetattr(port_, &raw) == 0) {
                ::cfmakeraw(&raw);
                ::tcsetattr(port_, TCSANOW, &raw);
            }
        });
    }
    ~AvrLearnBoardWindowTest() override {
        if (port_ >= 0) ::close(port_);
    }

    void SetUp() override {
        ASSERT_TRUE(testing::HaveAvrTools()) << "avr-gcc (packages gcc-avr, avr-libc) is not installed";
        auto* chips = board_.findChild<QComboBox*>("chip");
        ASSERT_TRUE(
            QTest::qWaitFor([&] { return chips->findText(QStringLiteral("ATmega16")) >= 0; }, kPatienceMs));
        chips->setCurrentText(QStringLiteral("ATmega16"));
    }

    // Builds firmware/<source> for the ATmega16 and runs it on the board.
    void Run(const std::string& source, const std::string& defines = {}) {
        const std::filesystem::path elf = dir_ / (source + (defines.empty() ? "" : "-4bit") + ".elf");
        const testing::CommandResult built =
            testing::RunIn(dir_.path(), "avr-gcc -mmcu=atmega16 -Os " + defines + " -o '" + elf.string() +
                                            "' '" VIZ_LEARN_FIRMWARE_DIR "/" + source + "'");
        ASSERT_TRUE(built.ok) << built.output;
        board_.findChild<QLineEdit*>("file")->setText(QString::fromStdString(elf.string()));
        QTest::mouseClick(board_.startButton(), Qt::LeftButton);
        ASSERT_TRUE(board_.running()) << Output();
    }
    void StopRun() {
        board_.Stop();
        ASSERT_TRUE(QTest::qWaitFor([&] { return !board_.running(); }, kPatienceMs));
        if (port_ >= 0) ::close(port_);
        port_ = -1;
        uart_.clear();
    }
    // Waits until `done` holds, reading the firmware's UART meanwhile.
    bool WaitFor(const std::function<bool()>& done) {
        return QTest::qWaitFor(
            [&] {
                char buffer[256];
                ssize_t got;
                while (port_ >= 0 && (got = ::read(port_, buffer, sizeof buffer)) > 0)
                    uart_.append(buffer, static_cast<std::size_t>(got));
                return done();
            },
            kPatienceMs);
    }
    // Lets `nanos` of the chip's time pass.
    bool Pass(SimNanos nanos) {
        const SimNanos from = shared().now();
        return WaitFor([&] { return shared().now() > from + nanos; });
    }
    CLearnBoardView* view() const { return board_.learnPanel()->view(); }
    SharedBoard& shared() const { return board_.learnPanel()->board(); }
    std::string Output() const { return board_.output()->toPlainText().toStdString(); }
    QString Lcd() const { return view()->lcd()->accessibleDescription(); }

    testing::TempDir dir_;
    testing::PageHost host_;
    CVirtualBoardDlg board_;
    int port_ = -1;
    std::string uart_;
};

TEST_F(AvrLearnBoardWindowTest, LcdShowsWhatTheFirmwareWroteInEightAndFourBitMode) {
    EXPECT_FALSE(board_.learnPanel()->isHidden());
    // Line 2 starts with the user character, which has no text of its own.
    const QString expected = QStringLiteral("Hello, Duvezer\n") + QChar(0xFFFD) + QStringLiteral("OK");
    const GlyphRows smile{0x00, 0x0A, 0x0A, 0x00, 0x11, 0x0E, 0x00, 0x00};
    for (const std::string defines : {"", "-DLCD_4BIT"}) {
        SCOPED_TRACE(defines);
        Run("lcd_m16.c", defines);
        // The firmware is done within a tenth of a second of the chip's
        // time; what an earlier run left on the LCD is gone by then.
        ASSERT_TRUE(Pass(300'000'000));
        EXPECT_TRUE(WaitFor([&] { return Lcd() == expected; })) << Lcd().toStdString() << Output();
        EXPECT_EQ(shared().Snapshot(5000).lcd.cells[1][0], smile);
        // Nothing the firmware sent afterwards changes it: no byte was lost to a busy LCD.
        ASSERT_TRUE(Pass(50'000'000));
        EXPECT_EQ(Lcd(), expected);
        StopRun();
    }
}

TEST_F(AvrLearnBoardWindowTest, ScannedNumberStaysAndKeyTogglesTheLed) {
    Run("digits_keys_m16.c");
    const auto digits = [&] { return view()->digits()->accessibleDescription(); };
    EXPECT_TRUE(WaitFor([&] { return digits() == QStringLiteral("20261208"); })) << digits().toStdString();
    // Steady: the same at every look over a tenth of a second of the chip's time.
    for (int look = 0; look < 5; ++look) {
        ASSERT_TRUE(Pass(20'000'000));
        EXPECT_EQ(digits(), QStringLiteral("20261208"));
    }
    EXPECT_EQ(view()->led(0)->accessibleDescription(), QStringLiteral("灭"));
    QTest::mousePress(view()->key(0), Qt::LeftButton);
    EXPECT_TRUE(WaitFor([&] { return view()->led(0)->accessibleDescription() == QStringLiteral("亮"); }))
        << Output();
    QTest::mouseRelease(view()->key(0), Qt::LeftButton);
    ASSERT_TRUE(Pass(100'000'000));
    EXPECT_EQ(view()->led(0)->accessibleDescription(), QStringLiteral("亮"));
    QTest::mousePress(view()->key(0), Qt::LeftButton);
    EXPECT_TRUE(WaitFor([&] { return view()->led(0)->accessibleDescription() == QStringLiteral("灭"); }));
    QTest::mouseRelease(view()->key(0), Qt::LeftButton);
    EXPECT_EQ(view()->led(1)->accessibleDescription(), QStringLiteral("灭"));
    StopRun();
}

TEST_F(AvrLearnBoardWindowTest, KeypadCodesAndPotentiometerReadingReachTheUart) {
    Run("keypad_adc_m16.c");
    ASSERT_TRUE(WaitFor([&] { return uart_.find("ready\r\n") != std::string::npos; })) << Output();
    std::string expected;
    for (int code = 0; code < 16; ++code) {
        char line[8];
        std::snprintf(line, sizeof line, "K%X\r\n", code);
        expected += line;
        QPushButton* key = view()->keypadKey(code / 4, code % 4);
        QTest::mousePress(key, Qt::LeftButton);
        ASSERT_TRUE(WaitFor([&] { return uart_.find(line) != std::string::npos; })) << line << uart_;
        QTest::mouseRelease(key, Qt::LeftButton);
        ASSERT_TRUE(Pass(100'000'000));
    }
    std::string keys;
    for (std::size_t at = 0; (at = uart_.find('K', at)) != std::string::npos; at += 4)
        keys += uart_.substr(at, 4);
    EXPECT_EQ(keys, expected);

    // 1.5 V of 5 V: 1500 * 1024 / 5000 = 307.2.
    view()->pot()->setValue(300);
    const auto lastReading = [&]() -> int {
        const std::size_t at = uart_.rfind("ADC ");
        return at == std::string::npos ? -1 : std::atoi(uart_.c_str() + at + 4);
    };
    EXPECT_TRUE(WaitFor([&] { return std::abs(lastReading() - 307) <= 1; })) << uart_;
    StopRun();
}

// A part without PORTA keeps the ATmega16 wiring, and says which parts it
// leaves without pins; the ATmega16 has them all.
TEST_F(AvrLearnBoardWindowTest, ChipWithoutTheWiredPortsSaysWhy) {
    auto* chips = board_.findChild<QComboBox*>("chip");
    auto* missing = board_.learnPanel()->findChild<QLabel*>("missingPorts");
    ASSERT_NE(missing, nullptr);
    EXPECT_TRUE(missing->isHidden());
    chips->setCurrentText(QStringLiteral("ATmega8"));
    ASSERT_EQ(chips->currentText(), QStringLiteral("ATmega8"));
    EXPECT_FALSE(board_.learnPanel()->isHidden());
    EXPECT_FALSE(missing->isHidden());
    EXPECT_EQ(missing->text(),
              QStringLiteral("ATmega8没有PORTA：接在这些引脚上的部件不工作，可在“接线”页改接"));
    chips->setCurrentIndex(0);  // an 8051: its own board, every port there
    EXPECT_TRUE(missing->isHidden());
}

TEST_F(AvrLearnBoardWindowTest, OneKilohertzPinRecordedAndExportedReadsBackAsOneKilohertzInSigrok) {
    Run("toggle_1khz_m16.c");
    CLearnBoardPanel& panel = *board_.learnPanel();
    ASSERT_TRUE(Pass(10'000'000));
    QTest::mouseClick(panel.traceButton(), Qt::LeftButton);
    ASSERT_TRUE(Pass(30'000'000));
    QTest::mouseClick(panel.traceButton(), Qt::LeftButton);
    StopRun();

    const testing::ExportedEdges read =
        testing::ExportAndReadBack(*panel.logic(), dir_ / "run.vcd", "PB0", kPatienceMs);
    ASSERT_TRUE(read.exported) << read.status;
    const testing::SigrokEdges& edges = read.edges;
    // 30 ms at 1 kHz: about 60 edges.
    ASSERT_GE(edges.halves.size(), 40u) << edges.output;
    EXPECT_NEAR(edges.Hertz(), 1000.0, 10.0) << edges.output;
}

}  // namespace
}  // namespace viz
