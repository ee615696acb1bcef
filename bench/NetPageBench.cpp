// The network page under load, beside the raw loopback rate of the same run:
// a loopback TCP peer streams into the open page (hex display, text output
// on); input MB/s, bytes lost and the longest lateness of a 5 ms UI timer.
// (Sending files through the page: send_bench.)
//
//   net_page_bench [--mb N]   (default 256)
#include <unistd.h>

#include <QAbstractButton>
#include <QApplication>
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
#include "UiStallMeter.h"
#include "WorkDir.h"
#include "base/PageContext.h"
#include "net/NetDlg.h"
#include "terminal/ReceiveArea.h"
#include "terminal/SendArea.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr double kMiB = 1024.0 * 1024.0;

struct Options {
    std::size_t megabytes = 256;
};

Options Parse(int argc, char** argv) {
    Options options;
    options.megabytes = static_cast<std::size_t>(bench::NumberOption(argc, argv, "--mb", options.megabytes));
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
    page.findChild<QAbstractButton*>(QStringLiteral("hexDisplay"))->setChecked(true);
    area->ToggleOutput();
    page.ToggleLink(viz::CNetDlg::kTcp);
    const int peer = ::accept(listening, nullptr, nullptr);
    if (peer < 0 || !bench::WaitFor([&] { return page.isOpen(viz::CNetDlg::kTcp); }, 5000)) {
        std::fprintf(stderr, "the page did not connect\n");
        return 1;
    }

    // Stream into the page.
    const std::size_t total = options.megabytes * 1024 * 1024;
    const double rawSeconds = bench::RawLoopbackSeconds(total, 64 * 1024);
    bench::UiStallMeter meter(5);
    meter.Start();
    const auto start = Clock::now();
    std::thread writer([&] { bench::SendAll(peer, total, 64 * 1024); });
    const bool complete =
        bench::WaitFor([&] { return std::cmp_greater_equal(area->pipeline().receivedTotal(), total); }, 600000);
    const double streamSeconds = Seconds(Clock::now() - start);
    meter.Stop();
    writer.join();
    const double streamStall = meter.longestMs();
    const auto received = static_cast<std::size_t>(area->pipeline().receivedTotal());
    area->ToggleOutput();
    const auto outputSize = std::filesystem::file_size(work / "TCP数据输出记录.txt");

    std::printf("raw_loopback_mb_per_s %.1f\n", static_cast<double>(total) / kMiB / rawSeconds);
    std::printf("page_input_mb_per_s %.1f  (%zu MiB in %.2f s)\n",
                static_cast<double>(total) / kMiB / streamSeconds, options.megabytes, streamSeconds);
    std::printf("bytes_lost %zu\n", complete ? total - std::min(total, received) : total - received);
    std::printf("output_file_complete %s\n", outputSize >= 3 * total ? "yes" : "no");
    std::printf("longest_ui_stall_ms %.1f\n", streamStall);

    page.ToggleLink(viz::CNetDlg::kTcp);
    ::close(peer);
    ::close(listening);
    return complete && received == total ? 0 : 1;
}
