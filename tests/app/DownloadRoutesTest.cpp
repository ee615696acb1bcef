// The program's one download window as its buttons open it: the serial
// page's "下载程序" fills in the page's port and rate, both wizards'
// "下载到芯片" build their code as the virtual board does (real sdcc and
// avr-gcc) and hand it over as "当前向导代码"; the AVR wizard's build then
// goes to a stand-in avrdude, the compiler's complaint shows in the window.
#include <QComboBox>
#include <QDir>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "AccessibilityWalk.h"
#include "PageTestSupport.h"
#include "app/VizuruvDlg.h"
#include "app/WizardDownload.h"
#include "base/StatusLabel.h"
#include "board/VirtualBoardDlg.h"
#include "flash/FlashDlg.h"
#include "serial/ComDlg.h"
#include "wizards/ToolRunner.h"

namespace viz {
namespace {

constexpr int kHangLimitMs = 60000;

template <typename Widget>
Widget* Child(QWidget* parent, const char* name) {
    return parent->findChild<Widget*>(QString::fromLatin1(name));
}

class DownloadRoutesTest : public ::testing::Test {
protected:
    DownloadRoutesTest() : previousDirectory_(QDir::currentPath()), previousPath_(std::getenv("PATH")) {
        QDir::setCurrent(QString::fromStdString(host_.dir.path().string()));
        std::filesystem::create_directories(bin_);
        const std::filesystem::path data = VIZ_FLASH_TEST_DATA;
        std::filesystem::create_symlink(data / "avrdude-standin", bin_ / "avrdude");
        setenv("PATH", (bin_.string() + ":" + previousPath_).c_str(), 1);
        setenv("FLASH_STANDIN_DATA", data.c_str(), 1);
        setenv("FLASH_STANDIN_ARGS", (host_.dir / "args").c_str(), 1);
        window_ = std::make_unique<CVizuruvDlg>(host_.context, [] {});
        window_->show();
    }
    ~DownloadRoutesTest() override {
        window_.reset();
        setenv("PATH", previousPath_.c_str(), 1);
        unsetenv("FLASH_STANDIN_DATA");
        unsetenv("FLASH_STANDIN_ARGS");
        QDir::setCurrent(previousDirectory_);
    }

    CFlashDlg* Flash() { return window_->findChild<CFlashDlg*>(); }
    QString Status() { return Flash()->statusLabel()->text(); }
    bool UsesWizardCode() {
        for (auto* button : Flash()->findChildren<QRadioButton*>())
            if (button->text() == QStringLiteral("当前向导代码")) return button->isChecked();
        return false;
    }
    // Clicks "下载到芯片" on the wizard page and waits for its build to end.
    bool BuildFrom(PageId id) {
        QTest::mouseClick(Child<QPushButton>(window_->page(id), "downloadToChip"), Qt::LeftButton);
        return QTest::qWaitFor(
            [&] {
                return Flash() && Status().startsWith(QStringLiteral("向导代码")) &&
                       !Status().startsWith(QStringLiteral("向导代码还"));
            },
            kHangLimitMs);
    }

    testing::PageHost host_;
    const QString previousDirectory_;
    const std::string previousPath_;
    std::filesystem::path bin_ = host_.dir / "bin";
    std::unique_ptr<CVizuruvDlg> window_;
};

TEST_F(DownloadRoutesTest, EveryButtonOpensTheOneWindowWithWhatItsPageHas) {
    ASSERT_FALSE(testing::FindOnPath("avr-gcc").empty())
        << "avr-gcc (packages gcc-avr, avr-libc) is not installed";
    ASSERT_FALSE(testing::FindOnPath("sdcc").empty()) << "sdcc is not installed";

    // The serial page: its port and rate.
    auto* serial = static_cast<CComDlg*>(window_->page(PageId::Serial));
    serial->ChoosePort(QStringLiteral("/dev/ttyDOWNLOAD0"));
    serial->ChooseBaud(57600);
    QTest::mouseClick(Child<QPushButton>(serial, "download"), Qt::LeftButton);
    CFlashDlg* flash = Flash();
    ASSERT_NE(flash, nullptr);
    EXPECT_TRUE(flash->isVisible());
    EXPECT_EQ(flash->portBox()->currentText(), QStringLiteral("/dev/ttyDOWNLOAD0"));
    EXPECT_EQ(flash->baudBox()->currentText(), QStringLiteral("57600"));

    // The 8051 wizard's code, built by sdcc as the board builds it.
    ASSERT_TRUE(BuildFrom(PageId::C51)) << Status().toStdString();
    EXPECT_EQ(Flash(), flash) << "one window for the program";
    EXPECT_EQ(Status(), QStringLiteral("向导代码已编译，可以开始下载"))
        << flash->output()->toPlainText().toStdString();
    EXPECT_TRUE(UsesWizardCode());

    // The AVR wizard's, by avr-gcc, written by the stand-in tool as an ELF.
    ASSERT_TRUE(BuildFrom(PageId::Avr)) << Status().toStdString();
    EXPECT_EQ(Status(), QStringLiteral("向导代码已编译，可以开始下载"))
        << flash->output()->toPlainText().toStdString();
    EXPECT_EQ(window_->findChildren<CFlashDlg*>().size(), 1);
    ASSERT_TRUE(QTest::qWaitFor([&] { return flash->chipBox()->findData("m328p") >= 0; }, kHangLimitMs));
    flash->targetBox()->setCurrentIndex(1);
    flash->chipBox()->setCurrentIndex(flash->chipBox()->findData("m328p"));
    setenv("FLASH_STANDIN", "write", 1);
    QTest::mouseClick(flash->startButton(), Qt::LeftButton);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !flash->running() && flash->startButton()->isEnabled(); },
                                kHangLimitMs));
    unsetenv("FLASH_STANDIN");
    EXPECT_TRUE(Status().startsWith(QStringLiteral("下载完成"))) << Status().toStdString();
    std::ifstream args(host_.dir / "args");
    const std::string all((std::istreambuf_iterator<char>(args)), std::istreambuf_iterator<char>());
    EXPECT_NE(all.find("/dev/ttyDOWNLOAD0"), std::string::npos) << all;
    EXPECT_NE(all.find("/firmware.elf:e"), std::string::npos) << "the wizard's ELF, not a file: " << all;

    EXPECT_TRUE(testing::UnnamedFocusableControls(flash).isEmpty());
    for (PageId id : {PageId::Serial, PageId::C51, PageId::Avr})
        EXPECT_TRUE(testing::UnnamedFocusableControls(window_->page(id)).isEmpty()) << static_cast<int>(id);
}

// A wizard's code the compiler refuses: its messages in the window, no
// firmware handed over.
TEST_F(DownloadRoutesTest, ACompilerComplaintShowsInTheWindowAndHandsNothingOver) {
    ASSERT_FALSE(testing::FindOnPath("avr-gcc").empty())
        << "avr-gcc (packages gcc-avr, avr-libc) is not installed";
    CFlashDlg* flash = CFlashDlg::Open(host_.context, window_.get());
    CWizardDownload builder(DefaultToolSearch(), nullptr);
    bool ended = false;
    bool ok = true;
    QObject::connect(&builder, &CWizardDownload::built, [&](bool result) {
        ended = true;
        ok = result;
    });
    WizardFirmware broken{"ATmega16", 8000000, "int main(void) { return undeclared_name; }\n", 9600};
    builder.Build(broken, flash);
    ASSERT_TRUE(QTest::qWaitFor([&] { return ended; }, kHangLimitMs));
    EXPECT_FALSE(ok);
    EXPECT_TRUE(Status().startsWith(QStringLiteral("向导代码编译失败："))) << Status().toStdString();
    EXPECT_TRUE(flash->output()->toPlainText().contains(QStringLiteral("undeclared_name")))
        << flash->output()->toPlainText().toStdString();
    // "开始下载" with the wizard's code now says there is none.
    flash->targetBox()->setCurrentIndex(1);
    flash->SetPort(QStringLiteral("/dev/ttyDOWNLOAD0"));
    flash->Start();
    EXPECT_FALSE(flash->running());
    EXPECT_EQ(Status(), QStringLiteral("向导还没有提供代码，请选择固件文件。"));
}

}  // namespace
}  // namespace viz
