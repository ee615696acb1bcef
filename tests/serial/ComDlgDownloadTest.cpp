// The serial page handing its port to the download window and taking it
// back: a stand-in avrdude first on PATH runs on the page's pty while the
// page, its open button, the monitor page and the command line's open keep
// off the port; afterwards the page receives again, nothing lost between the
// tool's end and the reopening.
#include <QElapsedTimer>
#include <QLabel>
#include <QProgressBar>

#include <cstdlib>
#include <iostream>

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

#include "ComDlgTestSupport.h"
#include "ModalCatcher.h"
#include "flash/FlashDlg.h"
#include "serial/ComAdvanceMonitorDlg.h"

namespace viz::testing {
namespace {

constexpr int kHangLimitMs = 30000;
const QString kRefusal = QString::fromUtf8(kPortDownloading);
constexpr char16_t kClosedNotice[] = u"\r\n——正在下载程序，串口已暂时关闭——\r\n";
constexpr char16_t kReopenedNotice[] = u"\r\n——下载结束，串口已重新打开——\r\n";

class ComDlgDownload : public ComDlgTest {
protected:
    ComDlgDownload() : previousPath_(std::getenv("PATH")) {
        std::filesystem::create_directories(bin_);
        const std::filesystem::path data = VIZ_FLASH_TEST_DATA;
        std::filesystem::create_symlink(data / "avrdude-standin", bin_ / "avrdude");
        setenv("PATH", (bin_.string() + ":" + previousPath_).c_str(), 1);
        setenv("FLASH_STANDIN_DATA", data.c_str(), 1);
        setenv("FLASH_STANDIN", "write", 1);
        setenv("FLASH_STANDIN_HALFWAY", (dir / "halfway").c_str(), 1);
        setenv("FLASH_STANDIN_DONE", done_.c_str(), 1);
        std::ofstream(firmware_) << ":100000000C9434000C9446000C9446000C9446006A\n:00000001FF\n";
    }
    ~ComDlgDownload() override {
        window_.reset();
        setenv("PATH", previousPath_.c_str(), 1);
        for (const char* name :
             {"FLASH_STANDIN", "FLASH_STANDIN_DATA", "FLASH_STANDIN_HALFWAY", "FLASH_STANDIN_DONE"})
            unsetenv(name);
    }

    // The download window for the pty, its lists loaded, as the page's button fills it.
    CFlashDlg& Window() {
        window_ = std::make_unique<CFlashDlg>(context, nullptr);
        window_->show();
        EXPECT_TRUE(
            QTest::qWaitFor([&] { return window_->chipBox()->findData("m328p") >= 0; }, kHangLimitMs));
        window_->targetBox()->setCurrentIndex(1);
        window_->SetPort(QString::fromStdString(pty.slave()));
        window_->chipBox()->setCurrentIndex(window_->chipBox()->findData("m328p"));
        window_->fileEdit()->setText(QString::fromStdString(firmware_.string()));
        return *window_;
    }

    QString AreaText() { return QString::fromStdU16String(std::u16string(received().area().text())); }

    std::string previousPath_;
    std::filesystem::path bin_ = dir / "bin";
    std::filesystem::path done_ = dir / "done";
    std::filesystem::path firmware_ = dir / "blink.hex";
    std::unique_ptr<CFlashDlg> window_;
};

TEST_F(ComDlgDownload, ThePageGivesItsPortToADownloadAndTakesItBackWithItsSettings) {
    // Told of the release before the page (subscribed before the page is
    // made), the far side writes once the tool has ended and before the
    // page has the port again: those bytes must not be lost.
    bool reserved = false;
    bool closedWhenWritten = false;
    const DownloadPorts::Subscription first = context.downloadPorts().Subscribe([&] {
        const bool now = context.downloadPorts().IsReserved(pty.slave());
        if (reserved && !now) {
            closedWhenWritten = !page().isOpen();
            pty.WriteAll({'a', 'f', 't', 'e', 'r'});
        }
        reserved = now;
    });
    page().ChooseBaud(57600);
    List("dataBits")->setCurrentIndex(2);  // 7
    List("parity")->setCurrentIndex(2);    // EVEN
    OpenPty();
    Click(Box("dtr"));
    Click(Box("break"));
    ASSERT_TRUE(Box("dtr")->isChecked());

    CFlashDlg& window = Window();
    QTest::mouseClick(window.startButton(), Qt::LeftButton);
    // Closed before the tool could start, and told on a line of its own.
    EXPECT_FALSE(page().isOpen());
    EXPECT_TRUE(page().isHandedToDownload());
    EXPECT_TRUE(AreaText().endsWith(QString::fromUtf16(kClosedNotice))) << AreaText().right(80).toStdString();
    ASSERT_TRUE(QTest::qWaitFor([&] { return window.progressBar()->value() == 50; }, kHangLimitMs));
    ASSERT_TRUE(window.running());

    // While the tool runs, nothing opens the port: the page's button (which
    // does not end the wait either), the command line's open, the monitor page.
    EXPECT_EQ(Click(Button("open")), QStringList{kRefusal});
    EXPECT_TRUE(page().isHandedToDownload());
    {
        ModalCatcher catcher;
        page().ToggleOpen();  // what --open does on the page
        EXPECT_EQ(catcher.texts(), QStringList{kRefusal});
    }
    {
        CComAdvanceMonitorDlg monitor(context, nullptr);
        monitor.show();
        monitor.findChild<QComboBox*>(QStringLiteral("port"))
            ->setEditText(QString::fromStdString(pty.slave()));
        EXPECT_EQ(ClickAnsweringMessages(monitor.findChild<QPushButton*>(QStringLiteral("start"))),
                  QStringList{kRefusal});
        EXPECT_FALSE(monitor.watching());
    }
    // Lines the port would lose on closing come back from the page's boxes.
    {
        std::lock_guard lock(lines->mutex);
        lines->breakOn = false;
    }

    // The tool goes on and ends.
    std::ofstream(dir / "halfway") << "go";
    ASSERT_TRUE(QTest::qWaitFor([&] { return std::filesystem::exists(done_); }, kHangLimitMs));
    QElapsedTimer gap;
    gap.start();
    const bool openBefore = page().isOpen();
    ASSERT_TRUE(QTest::qWaitFor([&] { return page().isOpen(); }, kHangLimitMs));
    std::cout << "[ handoff ] tool end seen -> page open: " << (openBefore ? 0 : gap.elapsed()) << " ms\n";
    EXPECT_TRUE(closedWhenWritten);
    EXPECT_FALSE(window.running());
    EXPECT_FALSE(context.downloadPorts().IsReserved(pty.slave()));

    EXPECT_TRUE(QTest::qWaitFor([&] { return AreaText().endsWith(QStringLiteral("after")); }, kHangLimitMs))
        << AreaText().right(80).toStdString();
    const QString text = AreaText();
    EXPECT_LT(text.lastIndexOf(QString::fromUtf16(kClosedNotice)),
              text.lastIndexOf(QString::fromUtf16(kReopenedNotice)));
    EXPECT_EQ(Button("open")->text(), QStringLiteral("关闭串口"));
    EXPECT_TRUE(Box("dtr")->isChecked());
    EXPECT_TRUE(lines->Outputs() & kLineDtr);
    EXPECT_TRUE(lines->Break());

    // Opened with the rate it had (a pseudo-terminal keeps no data bits or
    // parity: the kernel sets 8 bits, no parity, whatever was asked).
    const int fd = ::open(pty.slave().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    ASSERT_GE(fd, 0);
    termios settings{};
    ASSERT_EQ(::tcgetattr(fd, &settings), 0);
    ::close(fd);
    EXPECT_EQ(::cfgetospeed(&settings), static_cast<speed_t>(B57600));

    // And it works both ways again.
    page().sendArea()->edit()->setPlainText(QStringLiteral("ok"));
    Click(Button("send"));
    EXPECT_EQ(pty.Read(2), (Bytes{'o', 'k'}));
}

}  // namespace
}  // namespace viz::testing
