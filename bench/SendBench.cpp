// File sending through the pages, beside plain write(2) calls of the same
// 1024-byte blocks in the same run:
//  - the network page's "TCP发送" to a loopback peer that reads as fast as it can;
//  - the serial page's "发送" into a pseudo-terminal whose master reads as fast as it can.
// Raw and page runs alternate for a few rounds on this shared machine; it
// prints the median MB/s (10^6 bytes) of each, the median of the rounds'
// page-to-raw shares, whether every byte arrived in order, and the longest
// lateness of a 5 ms timer on the UI thread while a file went out.
//
//   send_bench [--tcp-mb N] [--serial-mb N] [--rounds N]   (defaults 256 MiB, 64 MB, 3)
#include <QApplication>
#include <QPushButton>

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <thread>
#include <vector>

#include "BenchOptions.h"
#include "BenchPty.h"
#include "BenchSerialPage.h"
#include "BenchSockets.h"
#include "UiStallMeter.h"
#include "WorkDir.h"
#include "base/PageContext.h"
#include "net/NetDlg.h"
#include "serial/ComDlg.h"
#include "terminal/SendArea.h"

namespace {

constexpr std::size_t kBlock = 1024;

struct Measured {
    double seconds = 0;
    double stallMs = 0;
    bench::RawRead received;
};

struct Rounds {
    std::vector<double> raw;
    std::vector<double> page;
    std::vector<double> share;
    double stallMs = 0;
    bool whole = true;
    std::size_t arrived = 0;

    void Add(std::size_t size, double rawSeconds, const Measured& measured) {
        raw.push_back(bench::MegabytesPerSecond(size, rawSeconds));
        page.push_back(bench::MegabytesPerSecond(size, measured.seconds));
        share.push_back(page.back() / raw.back());
        stallMs = std::max(stallMs, measured.stallMs);
        whole &= measured.received.intact;
        arrived = measured.received.bytes;
    }
};

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

void WritePatternFile(const std::filesystem::path& path, std::size_t size) {
    std::vector<char> data(1 << 20);
    std::ofstream out(path, std::ios::binary);
    for (std::size_t done = 0; done < size;) {
        const std::size_t n = std::min(data.size(), size - done);
        for (std::size_t i = 0; i < n; ++i) data[i] = static_cast<char>(bench::PatternByte(done + i));
        out.write(data.data(), static_cast<std::streamsize>(n));
        done += n;
    }
}

// Loads `file` into the page's send area, presses `send` and runs the window
// until the page has sent it all and the far end (`peer`) has read it all.
Measured SendThroughPage(viz::CSendArea& area, QAbstractButton& send, const std::filesystem::path& file,
                         std::size_t size, int peer) {
    const QString path = QString::fromStdString(file.string());
    area.setFileChooser([path] { return path; });
    area.LoadFile();
    Measured measured;
    bench::UiStallMeter meter(5);
    meter.Start();
    const auto start = std::chrono::steady_clock::now();
    std::thread reader([&] { measured.received = bench::ReadPattern(peer, size, 64 * 1024); });
    send.click();
    bench::WaitFor([&] { return !area.file().fileMode(); }, 600000);
    reader.join();
    measured.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    meter.Stop();
    measured.stallMs = meter.longestMs();
    return measured;
}

void Report(const char* what, std::size_t size, const Rounds& rounds) {
    std::printf("%s_raw_write_mb_per_s %.1f\n", what, Median(rounds.raw));
    std::printf("%s_page_send_mb_per_s %.1f  (%.0f%% of raw, median of %zu rounds)\n", what, Median(rounds.page),
                100 * Median(rounds.share), rounds.share.size());
    std::printf("%s_bytes_arrived %zu of %zu, %s\n", what, rounds.arrived, size,
                rounds.whole ? "in order" : "CORRUPT");
    std::printf("%s_longest_ui_stall_ms %.1f\n", what, rounds.stallMs);
}

}  // namespace

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication application(argc, argv);
    const int roundCount = static_cast<int>(std::max(1LL, bench::NumberOption(argc, argv, "--rounds", 3)));
    const std::size_t tcpSize = static_cast<std::size_t>(bench::NumberOption(argc, argv, "--tcp-mb", 256)) << 20;
    const std::size_t serialSize =
        static_cast<std::size_t>(bench::NumberOption(argc, argv, "--serial-mb", 64)) * 1000 * 1000;
    const bench::WorkDir workDir;
    const std::filesystem::path& work = workDir.path();
    viz::SettingsStore settings(work / "Vizuruv.conf");
    viz::PageContext context(settings);
    bool whole = true;

    {
        int port = 0;
        const int listening = bench::ListenOnLoopback(port);
        settings.WriteIpAddress(u"127.0.0.1");
        settings.WriteTcpPorts({0, static_cast<std::uint32_t>(port)});
        viz::CNetDlg page(context, nullptr);
        page.resize(1000, 650);
        page.show();
        page.ToggleLink(viz::CNetDlg::kTcp);
        const int peer = ::accept(listening, nullptr, nullptr);
        if (peer < 0 || !bench::WaitFor([&] { return page.isOpen(viz::CNetDlg::kTcp); }, 5000)) {
            std::fprintf(stderr, "the network page did not connect\n");
            return 2;
        }
        WritePatternFile(work / "tcp.bin", tcpSize);
        Rounds rounds;
        for (int round = 0; round < roundCount; ++round) {
            const double raw = bench::RawLoopbackSeconds(tcpSize, kBlock, true);
            rounds.Add(tcpSize, raw,
                       SendThroughPage(*page.sendArea(), *page.findChild<QPushButton*>(QStringLiteral("tcpSend")),
                                       work / "tcp.bin", tcpSize, peer));
        }
        Report("tcp", tcpSize, rounds);
        whole &= rounds.whole;
        page.ToggleLink(viz::CNetDlg::kTcp);
        ::close(peer);
        ::close(listening);
        std::filesystem::remove(work / "tcp.bin");
    }
    {
        const std::unique_ptr<viz::CComDlg> shown = bench::ShownSerialPage(context, work);
        viz::CComDlg& page = *shown;
        bench::Pty pty = bench::OpenPty();
        if (!bench::OpenSerialPage(page, pty.slave)) return 2;
        WritePatternFile(work / "serial.bin", serialSize);
        Rounds rounds;
        for (int round = 0; round < roundCount; ++round) {
            const double raw = bench::RawPtyWriteSeconds(serialSize, kBlock);
            rounds.Add(serialSize, raw,
                       SendThroughPage(*page.sendArea(), *page.findChild<QPushButton*>(QStringLiteral("send")),
                                       work / "serial.bin", serialSize, pty.master));
        }
        Report("serial", serialSize, rounds);
        whole &= rounds.whole;
        page.ToggleOpen();
        ::close(pty.master);
    }
    return whole ? 0 : 1;
}
