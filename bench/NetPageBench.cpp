// The network page under load, beside the raw loopback rate of the same run:
// a loopback TCP peer streams into the open page (hex display, text output
// on); input MiB/s, bytes lost, the output file checked against what was
// sent, and the longest lateness of a 5 ms UI timer.
// (Sending files through the page: send_bench.)
//
//   net_page_bench [--mb N] [--utf8 1] [--stamps 1] [--text 1] [--kept LINES]
//
// --mb: MiB to stream (default 256); --utf8: the page's encoding is UTF-8
// (default GBK); --stamps: time stamps on the TCP area; --text: text display
// of lines of Chinese text in the page's encoding instead of hex display of
// the byte pattern; --kept: the lines the receive areas keep
// ("接收区保留行数", default 200).
#include <unistd.h>

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <thread>
#include <utility>
#include <vector>

#include "BenchOptions.h"
#include "BenchSockets.h"
#include "BenchText.h"
#include "UiStallMeter.h"
#include "WorkDir.h"
#include "base/PageContext.h"
#include "base/ReceiveHistory.h"
#include "net/NetDlg.h"
#include "terminal/ReceiveArea.h"
#include "terminal/SendArea.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr double kMiB = 1024.0 * 1024.0;

struct Options {
    std::size_t megabytes = 256;
    bool utf8 = false;
    bool stamps = false;
    bool text = false;
};

Options Parse(int argc, char** argv) {
    Options options;
    options.megabytes = static_cast<std::size_t>(bench::NumberOption(argc, argv, "--mb", options.megabytes));
    options.utf8 = bench::NumberOption(argc, argv, "--utf8", 0) != 0;
    options.stamps = bench::NumberOption(argc, argv, "--stamps", 0) != 0;
    options.text = bench::NumberOption(argc, argv, "--text", 0) != 0;
    viz::CReceiveHistory::instance().setKeptLines(static_cast<std::uint32_t>(
        bench::NumberOption(argc, argv, "--kept", viz::kDefaultReceiveKeptLines)));
    return options;
}

double Seconds(Clock::duration elapsed) {
    return std::chrono::duration<double>(elapsed).count();
}

}  // namespace

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication application(argc, argv);
    const Options options = Parse(argc, argv);
    const bench::WorkDir workDir;
    const std::filesystem::path& work = workDir.path();

    int port = 0;
    const int listening = bench::ListenOnLoopback(port);
    viz::SettingsStore settings(work / "Vizuruv.conf");
    settings.WriteIpAddress(u"127.0.0.1");
    settings.WriteTcpPorts({0, static_cast<std::uint32_t>(port)});
    viz::PageContext context(settings);
    viz::CNetDlg page(context, nullptr);
    page.resize(1000, 650);
    page.show();
    viz::CReceiveArea* area = page.receiveArea(viz::CNetDlg::kTcp);
    page.findChild<QAbstractButton*>(QStringLiteral("hexDisplay"))->setChecked(!options.text);
    if (options.utf8)
        page.findChild<QComboBox*>(QStringLiteral("encoding"))->setCurrentText(QStringLiteral("UTF-8"));
    if (options.stamps) area->findChild<QCheckBox*>(QStringLiteral("timeStamps"))->setChecked(true);
    area->ToggleOutput();
    page.ToggleLink(viz::CNetDlg::kTcp);
    const int peer = ::accept(listening, nullptr, nullptr);
    if (peer < 0 || !bench::WaitFor([&] { return page.isOpen(viz::CNetDlg::kTcp); }, 5000)) {
        std::fprintf(stderr, "the page did not connect\n");
        return 1;
    }

    // Stream into the page.
    const std::vector<std::uint8_t> period =
        options.text ? bench::TextLinePeriod(options.utf8) : bench::PatternPeriod();
    const std::size_t total = bench::WholePeriods(options.megabytes * 1024 * 1024, period.size());
    const double rawSeconds = bench::RawLoopbackSeconds(total, 64 * 1024);
    bench::UiStallMeter meter(5);
    meter.Start();
    const auto start = Clock::now();
    std::thread writer = bench::StartPeriodicWriter(peer, total, 64 * 1024, period);
    const bool complete =
        bench::WaitFor([&] { return std::cmp_greater_equal(area->pipeline().receivedTotal(), total); }, 600000);
    const double streamSeconds = Seconds(Clock::now() - start);
    meter.Stop();
    writer.join();
    const double streamStall = meter.longestMs();
    const auto received = static_cast<std::size_t>(area->pipeline().receivedTotal());
    area->ToggleOutput();
    const bench::OutputCheck output = bench::CheckOutputFile(
        work / "TCP数据输出记录.txt", bench::ShownPeriod(period, !options.text), total / period.size());

    std::printf("kept_lines %u\n", viz::CReceiveHistory::instance().keptLines());
    std::printf("raw_loopback_mb_per_s %.1f\n", static_cast<double>(total) / kMiB / rawSeconds);
    std::printf("page_input_mb_per_s %.1f  (%zu MiB in %.2f s)\n",
                static_cast<double>(total) / kMiB / streamSeconds, options.megabytes, streamSeconds);
    std::printf("bytes_lost %zu\n", complete ? total - std::min(total, received) : total - received);
    std::printf("output_file_mismatches %zu\n", output.mismatches + output.badStamps);
    std::printf("time_stamps %zu\n", output.stamps);
    std::printf("longest_ui_stall_ms %.1f\n", streamStall);
    std::printf("ui_thread_cpu_ms_per_mib %.2f\n",
                meter.cpuSeconds() * 1000 / (static_cast<double>(received) / kMiB));

    page.ToggleLink(viz::CNetDlg::kTcp);
    ::close(peer);
    ::close(listening);
    return complete && received == total && output.mismatches + output.badStamps == 0 ? 0 : 1;
}
