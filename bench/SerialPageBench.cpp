// Receive throughput of the serial page: a writer on the master side of a
// pseudo-terminal streams pattern bytes into the open page (shown offscreen,
// hex display and text output on). First the raw pty rate is measured on a
// pair of its own, for comparison on the same machine in the same run.
// Prints input MB/s (10^6 bytes), bytes lost (received counter and output
// file against what was written), the longest lateness of a 5 ms timer on
// the UI thread and the UI thread's CPU time per MB. The output file goes to
// a temporary working folder.
//
//   serial_page_bench [--mb N] [--utf8 1] [--stamps 1] [--text 1] [--kept LINES]
//
// --mb: megabytes to stream (default 64); --utf8: the page's encoding is
// UTF-8 (default GBK); --stamps: time stamps on; --text: text display of
// lines of Chinese text in the page's encoding instead of hex display of
// the byte pattern; --kept: the lines the receive area keeps
// ("接收区保留行数", default 200).
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QTextDocument>
#include <QTimer>

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <thread>
#include <vector>

#include "BenchOptions.h"
#include "BenchPty.h"
#include "BenchSerialPage.h"
#include "BenchText.h"
#include "UiStallMeter.h"
#include "WorkDir.h"
#include "base/PageContext.h"
#include "base/ReceiveHistory.h"
#include "base/SettingsStore.h"
#include "serial/ComDlg.h"
#include "terminal/ReceiveArea.h"

namespace {

constexpr int kTickMs = 5;

}  // namespace

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication application(argc, argv);
    const bool utf8 = bench::NumberOption(argc, argv, "--utf8", 0) != 0;
    const bool stamps = bench::NumberOption(argc, argv, "--stamps", 0) != 0;
    const bool text = bench::NumberOption(argc, argv, "--text", 0) != 0;
    viz::CReceiveHistory::instance().setKeptLines(static_cast<std::uint32_t>(
        bench::NumberOption(argc, argv, "--kept", viz::kDefaultReceiveKeptLines)));
    const std::vector<std::uint8_t> period = text ? bench::TextLinePeriod(utf8) : bench::PatternPeriod();
    const std::size_t total = bench::WholePeriods(
        static_cast<std::size_t>(bench::NumberOption(argc, argv, "--mb", 64)) * 1000 * 1000, period.size());

    const bench::RawRead raw = bench::ReadRawPty(total, 64 * 1024);

    const bench::WorkDir workDir;
    viz::SettingsStore store(workDir / "Vizuruv.conf");
    viz::PageContext context(store);
    const std::unique_ptr<viz::CComDlg> shown = bench::ShownSerialPage(context, workDir.path());
    viz::CComDlg& page = *shown;

    bench::Pty pty = bench::OpenPty();
    if (!bench::OpenSerialPage(page, pty.slave, "115200")) return 2;
    page.findChild<QCheckBox*>(QStringLiteral("hexDisplay"))->setChecked(!text);
    if (utf8) page.findChild<QComboBox*>(QStringLiteral("encoding"))->setCurrentText(QStringLiteral("UTF-8"));
    viz::CReceiveArea* area = page.receiveArea();
    if (stamps) area->findChild<QCheckBox*>(QStringLiteral("timeStamps"))->setChecked(true);
    area->ToggleOutput();

    bench::UiStallMeter meter(kTickMs);
    QElapsedTimer elapsed;
    double seconds = 0;
    std::thread writer;
    QTimer::singleShot(200, [&] {
        meter.Start();
        elapsed.start();
        writer = bench::StartPeriodicWriter(pty.master, total, 64 * 1024, period);
    });
    QTimer done;
    QObject::connect(&done, &QTimer::timeout, [&] {
        if (static_cast<std::size_t>(area->pipeline().receivedTotal()) >= total) {
            seconds = elapsed.nsecsElapsed() / 1e9;
            meter.Stop();
            QApplication::quit();
        }
    });
    done.start(kTickMs);
    QTimer::singleShot(600000, [] { QApplication::quit(); });
    application.exec();
    if (seconds == 0) seconds = elapsed.nsecsElapsed() / 1e9;

    const auto received = static_cast<std::size_t>(area->pipeline().receivedTotal());
    area->ToggleOutput();
    page.ToggleOpen();
    ::close(pty.master);
    if (writer.joinable()) writer.join();
    const bench::OutputCheck output =
        bench::CheckOutputFile(std::filesystem::current_path() / "串口数据输出记录.txt",
                               bench::ShownPeriod(period, !text), total / period.size());

    std::printf("input_bytes %zu\n", total);
    std::printf("kept_lines %u\n", viz::CReceiveHistory::instance().keptLines());
    std::printf("lines_shown %d\n", area->edit()->document()->blockCount());
    std::printf("raw_pty_mb_per_s %.1f\n", bench::MegabytesPerSecond(raw.bytes, raw.seconds));
    std::printf("serial_page_mb_per_s %.1f\n", bench::MegabytesPerSecond(received, seconds));
    std::printf("bytes_lost %zu\n", total - std::min(total, received));
    std::printf("output_file_mismatches %zu\n", output.mismatches + output.badStamps);
    std::printf("time_stamps %zu\n", output.stamps);
    std::printf("longest_ui_stall_ms %.1f\n", meter.longestMs());
    std::printf("ui_thread_cpu_ms_per_mb %.2f\n",
                meter.cpuSeconds() * 1000 / (static_cast<double>(received) / 1e6));
    return received == total && output.mismatches + output.badStamps == 0 ? 0 : 1;
}
