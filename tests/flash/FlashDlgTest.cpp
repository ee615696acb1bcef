// The download window as a user meets it, with stand-ins for avrdude and
// stcgal first on PATH that print what the real tools print: a write that
// passes its check, a chip that does not answer, a long silence and a tool
// waiting to be cancelled, STC's power cycle, a missing tool, and what is
// refused before any tool starts.
#include "flash/FlashDlg.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <unistd.h>

#include "AccessibilityWalk.h"
#include "PageTestSupport.h"
#include "base/StatusLabel.h"
#include "flash/FlashTexts.h"
#include "platform/ChildProcess.h"

namespace viz {
namespace {

namespace t = texts::flash;
using testing::RunLoopUntil;

constexpr int kHangLimitMs = 30000;
const QString kBlinkHex = QStringLiteral(":100000000C9434000C9446000C9446000C9446006A\n:00000001FF\n");

std::vector<std::string> Lines(const std::filesystem::path& file) {
    std::ifstream in(file);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

// Gone, or a zombie nobody reaped yet: either way it runs no more.
bool ProcessGone(int pid) {
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string text;
    if (!std::getline(stat, text)) return true;
    const std::size_t close = text.rfind(')');
    return close != std::string::npos && text.compare(close + 2, 1, "Z") == 0;
}

class FlashWindowTest : public ::testing::Test {
protected:
    FlashWindowTest() : previousPath_(std::getenv("PATH")) {
        std::filesystem::create_directories(bin_);
        const std::filesystem::path data = VIZ_FLASH_TEST_DATA;
        std::filesystem::create_symlink(data / "avrdude-standin", bin_ / "avrdude");
        std::filesystem::create_symlink(data / "stcgal-standin", bin_ / "stcgal");
        setenv("PATH", (bin_.string() + ":" + previousPath_).c_str(), 1);
        setenv("FLASH_STANDIN_DATA", data.c_str(), 1);
        setenv("FLASH_STANDIN_ARGS", args_.c_str(), 1);
        setenv("FLASH_STANDIN_POWER", (host_.dir / "power").c_str(), 1);
        setenv("FLASH_STANDIN_PIDS", pids_.c_str(), 1);
        std::ofstream(firmware_) << kBlinkHex.toStdString();
    }
    ~FlashWindowTest() override {
        window_.reset();
        setenv("PATH", previousPath_.c_str(), 1);
        for (const char* name : {"FLASH_STANDIN", "FLASH_STANDIN_DATA", "FLASH_STANDIN_ARGS",
                                 "FLASH_STANDIN_POWER", "FLASH_STANDIN_PIDS", "FLASH_STANDIN_HALFWAY"})
            unsetenv(name);
    }

    // The window with avrdude's lists in its boxes, set for `target`.
    CFlashDlg& Open(int target, const QString& port) {
        window_ = std::make_unique<CFlashDlg>(host_.context, nullptr);
        window_->show();
        EXPECT_TRUE(
            RunLoopUntil(
                [&] { return window_->chipBox()->findData("m328p") >= 0 && window_->chipBox()->count() > 1; },
                kHangLimitMs)
                .reached);
        window_->targetBox()->setCurrentIndex(target);
        window_->portBox()->setEditText(port);
        window_->chipBox()->setCurrentIndex(window_->chipBox()->findData("m328p"));
        window_->fileEdit()->setText(QString::fromStdString(firmware_.string()));
        return *window_;
    }

    // Clicks "开始下载" and waits for the end of the run.
    void RunToEnd(CFlashDlg& window) {
        QTest::mouseClick(window.startButton(), Qt::LeftButton);
        EXPECT_TRUE(
            RunLoopUntil([&] { return !window.running() && window.startButton()->isEnabled(); }, kHangLimitMs)
                .reached);
    }

    QString Status() const { return window_->statusLabel()->text(); }

    testing::PageHost host_;
    std::string previousPath_;
    std::filesystem::path bin_ = host_.dir / "bin";
    std::filesystem::path args_ = host_.dir / "args";
    std::filesystem::path pids_ = host_.dir / "pids";
    std::filesystem::path firmware_ = host_.dir / "blink.hex";
    std::unique_ptr<CFlashDlg> window_;
};

TEST_F(FlashWindowTest, BootloaderWriteShowsItsStagesTheToolsOutputAndTheCheckedSize) {
    setenv("FLASH_STANDIN", "write", 1);
    setenv("FLASH_STANDIN_HALFWAY", (host_.dir / "halfway").c_str(), 1);
    CFlashDlg& window = Open(1, "/dev/ttyFLASH0");
    EXPECT_TRUE(testing::UnnamedFocusableControls(&window).isEmpty())
        << testing::UnnamedFocusableControls(&window).join(u'\n').toStdString();
    QTest::mouseClick(window.startButton(), Qt::LeftButton);
    EXPECT_EQ(window.stageLabel()->text(), QString::fromUtf8(t::kStageConnect));
    // The tool waits halfway through its bar until told to go on.
    ASSERT_TRUE(
        RunLoopUntil([&] { return window.stageLabel()->text() == QStringLiteral("写入 50%"); }, kHangLimitMs)
            .reached)
        << window.stageLabel()->text().toStdString();
    EXPECT_EQ(window.progressBar()->value(), 50);
    EXPECT_TRUE(host_.context.downloadPorts().IsReserved("/dev/ttyFLASH0"));
    EXPECT_FALSE(window.startButton()->isEnabled());
    std::ofstream(host_.dir / "halfway") << "go";
    ASSERT_TRUE(
        RunLoopUntil([&] { return !window.running() && window.startButton()->isEnabled(); }, kHangLimitMs)
            .reached);

    EXPECT_EQ(window.stageLabel()->text(), QStringLiteral("校验 100%"));
    EXPECT_TRUE(Status().startsWith(QStringLiteral("下载完成，校验通过（3000字节，用时")))
        << Status().toStdString();
    EXPECT_EQ(window.progressBar()->value(), 100);
    EXPECT_TRUE(window.output()->toPlainText().contains(QStringLiteral("Writing | ") + QString(50, u'#') +
                                                        QStringLiteral(" | 100%")));
    // The port was the download's while it ran, and is free again.
    EXPECT_FALSE(host_.context.downloadPorts().IsReserved("/dev/ttyFLASH0"));
    EXPECT_FALSE(window.cancelButton()->isEnabled());

    // Port and file are arguments of their own; the tool read a private copy,
    // gone again; nothing but the program memory is written.
    const std::vector<std::string> args = Lines(args_);
    ASSERT_EQ(args.size(), 10u);
    EXPECT_EQ(std::vector<std::string>(args.begin(), args.begin() + 9),
              (std::vector<std::string>{"-c", "arduino", "-p", "m328p", "-P", "/dev/ttyFLASH0", "-b",
                                        "115200", "-U"}));
    ASSERT_TRUE(args[9].starts_with("flash:w:") && args[9].ends_with("/firmware.hex:i")) << args[9];
    EXPECT_FALSE(std::filesystem::exists(args[9].substr(8, args[9].size() - 10)));
}

TEST_F(FlashWindowTest, AChipThatDoesNotAnswerIsExplainedWithTheToolsLastLines) {
    setenv("FLASH_STANDIN", "no-answer", 1);
    CFlashDlg& window = Open(1, "/dev/ttyFLASH0");
    RunToEnd(window);
    EXPECT_TRUE(Status().startsWith(QStringLiteral("下载失败：") + QString::fromUtf8(t::kNoAnswer)))
        << Status().toStdString();
    EXPECT_TRUE(Status().contains(QStringLiteral("attempt 10 of 10: not in sync: resp=0x00")));
    EXPECT_TRUE(Status().contains(QStringLiteral("unable to open programmer arduino")));
}

TEST_F(FlashWindowTest, ASilentToolIsToldAndCancelEndsItsWholeProcessGroup) {
    setenv("FLASH_STANDIN", "hang", 1);
    CFlashDlg& window = Open(2, {});
    window.programmerBox()->setCurrentIndex(window.programmerBox()->findData("usbasp"));
    window.setSilenceLimit(std::chrono::milliseconds(300));
    QTest::mouseClick(window.startButton(), Qt::LeftButton);
    ASSERT_TRUE(
        RunLoopUntil([&] { return Status().startsWith(QStringLiteral("下载工具已经")); }, kHangLimitMs)
            .reached)
        << Status().toStdString();
    EXPECT_TRUE(Status().contains(QStringLiteral("仍在等待")));
    EXPECT_TRUE(window.cancelButton()->isEnabled());
    EXPECT_FALSE(window.startButton()->isEnabled());
    int tool = 0;
    int helper = 0;
    std::ifstream(pids_) >> tool >> helper;
    ASSERT_GT(helper, 0);
    EXPECT_EQ(tool, window.toolPid());

    QTest::mouseClick(window.cancelButton(), Qt::LeftButton);
    ASSERT_TRUE(
        RunLoopUntil([&] { return !window.running() && window.startButton()->isEnabled(); }, kHangLimitMs)
            .reached);
    EXPECT_EQ(Status(), QString::fromUtf8(t::kCancelled));
    EXPECT_TRUE(RunLoopUntil([&] { return ProcessGone(tool) && ProcessGone(helper); }, kHangLimitMs).reached);
}

TEST_F(FlashWindowTest, StcAsksForThePowerCycleWhileTheToolWaitsForTheChip) {
    CFlashDlg& window = Open(0, "/dev/ttyFLASH0");
    window.findChild<QCheckBox*>(QString(), Qt::FindChildrenRecursively);
    for (QCheckBox* box : window.findChildren<QCheckBox*>()) {
        if (box->text() == QString::fromUtf16(t::kPowerCycleByDtr)) box->setChecked(true);
    }
    QTest::mouseClick(window.startButton(), Qt::LeftButton);
    ASSERT_TRUE(
        RunLoopUntil([&] { return Status() == QString::fromUtf8(t::kPowerCycle); }, kHangLimitMs).reached)
        << Status().toStdString();
    EXPECT_EQ(window.stageLabel()->text(), QStringLiteral("连接芯片 0%"));
    const std::vector<std::string> args = Lines(args_);
    ASSERT_EQ(args.size(), 8u);
    EXPECT_EQ(std::vector<std::string>(args.begin(), args.begin() + 7),
              (std::vector<std::string>{"-P", "auto", "-p", "/dev/ttyFLASH0", "-b", "115200", "-a"}));

    std::ofstream(host_.dir / "power") << "on";
    ASSERT_TRUE(
        RunLoopUntil([&] { return !window.running() && window.startButton()->isEnabled(); }, kHangLimitMs)
            .reached);
    // stcgal reads nothing back: the summary does not claim a check.
    EXPECT_TRUE(Status().startsWith(QStringLiteral("下载完成（16字节，用时"))) << Status().toStdString();
    EXPECT_EQ(window.stageLabel()->text(), QStringLiteral("写入 100%"));
    // The redrawn bar is one line, as on a terminal.
    const QString output = window.output()->toPlainText();
    EXPECT_EQ(output.count(QStringLiteral("Writing flash:")), 1) << output.toStdString();
    EXPECT_TRUE(output.contains(QStringLiteral("Writing flash: 100%|")));
}

TEST_F(FlashWindowTest, MissingToolsBadFilesAndHeldPortsStopBeforeAnyToolStarts) {
    std::filesystem::remove(bin_ / "stcgal");
    CFlashDlg& window = Open(0, "/dev/ttyFLASH0");
    EXPECT_FALSE(window.startButton()->isEnabled());
    bool named = false;
    for (CStatusLabel* label : window.findChildren<CStatusLabel*>())
        named |= label->isVisible() && label->text() == QString::fromUtf8(t::kMissingStcgal);
    EXPECT_TRUE(named);
    window.targetBox()->setCurrentIndex(1);
    EXPECT_TRUE(window.startButton()->isEnabled());

    std::ofstream(host_.dir / "bad.hex") << ":0400000001020304F2\n:0400040001020304ED\n:00000001FF\n";
    window.fileEdit()->setText(QString::fromStdString((host_.dir / "bad.hex").string()));
    RunToEnd(window);
    EXPECT_TRUE(Status().contains(QStringLiteral("bad.hex第2行：校验和错误"))) << Status().toStdString();

    window.fileEdit()->setText(QString::fromStdString(firmware_.string()));
    window.writeFusesBox()->setChecked(true);
    RunToEnd(window);
    EXPECT_EQ(Status(), QStringLiteral("下载失败：") + QString::fromUtf8(t::kNoFuseGiven));
    window.writeFusesBox()->setChecked(false);

    // Another program holds the port with the common lock.
    const std::filesystem::path held = host_.dir / "ttyHELD";
    std::ofstream(held) << "";
    ChildProcess holder;
    ASSERT_EQ(
        holder.Start(ChildSpec{"/usr/bin/python3",
                               {"-c",
                                "import fcntl,sys,time\nf=open(sys.argv[1])\nfcntl.flock(f,fcntl.LOCK_EX)\n"
                                "print('held',flush=True)\ntime.sleep(600)",
                                held.string()},
                               {},
                               false,
                               {},
                               {}}),
        0);
    std::string said;
    ASSERT_TRUE(RunLoopUntil(
                    [&] {
                        char buffer[64];
                        const ssize_t got = ::read(holder.output(), buffer, sizeof buffer);
                        if (got > 0) said.append(buffer, static_cast<std::size_t>(got));
                        return said.find("held") != std::string::npos;
                    },
                    kHangLimitMs)
                    .reached);
    window.portBox()->setEditText(QString::fromStdString(held.string()));
    RunToEnd(window);
    EXPECT_TRUE(Status().contains(QStringLiteral("占用该串口的程序：python3（进程号%1）").arg(holder.pid())))
        << Status().toStdString();
    holder.Kill();
    // None of these runs reached the tool's download.
    EXPECT_FALSE(std::filesystem::exists(args_));
}

TEST_F(FlashWindowTest, TheWindowKeepsItsChoicesButNeverTheFuseSection) {
    {
        CFlashDlg& window = Open(2, "/dev/ttyFLASH0");
        window.programmerBox()->setCurrentIndex(window.programmerBox()->findData("usbtiny"));
        window.writeFusesBox()->setChecked(true);
        window_.reset();
    }
    window_ = std::make_unique<CFlashDlg>(host_.context, nullptr);
    EXPECT_EQ(window_->targetBox()->currentIndex(), 2);
    EXPECT_EQ(window_->programmerBox()->currentData().toString(), QStringLiteral("usbtiny"));
    EXPECT_EQ(window_->chipBox()->currentData().toString(), QStringLiteral("m328p"));
    EXPECT_EQ(window_->fileEdit()->text(), QString::fromStdString(firmware_.string()));
    EXPECT_FALSE(window_->writeFusesBox()->isChecked());
}

}  // namespace
}  // namespace viz
