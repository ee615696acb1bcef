// The serial page's plot window under load. A writer on the master side of a
// pseudo-terminal sends lines of 16 comma-separated numbers into the open
// page (text display) with the plot window shown:
//   1. steady: 1,000 lines a second for --minutes (or --seconds);
//   2. burst: --burst-kb of such lines as fast as the pty takes them.
// Prints the longest lateness of a 5 ms timer on the UI thread (stall), the
// frames drawn per second, the resident memory when the sample ring became
// full and its growth after that, lines lost (sent against what the plot
// counted, with the page's receive counter against the bytes sent), and how
// long after the burst's last write the plot had drawn its last line,
// beside the time the raw pty needs for the same bytes. Files go to a
// temporary working folder.
//
//   plot_page_bench [--minutes M] [--seconds S] [--burst-kb K] [--ring N]
//
// --minutes: steady phase (default 10); --seconds: the same in seconds,
// for short runs; --burst-kb: the burst's size (default 1000, about 1 MB);
// --ring: samples kept per channel (default 100,000; the ring is full after
// ring/1000 seconds). QT_QPA_PLATFORM=xcb under Xvfb draws through a real
// X server instead of offscreen.
#include <QApplication>
#include <QElapsedTimer>
#include <QPushButton>
#include <QTimer>

#include <unistd.h>

#include <qcustomplot.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "BenchOptions.h"
#include "BenchPty.h"
#include "BenchSerialPage.h"
#include "UiStallMeter.h"
#include "WorkDir.h"
#include "base/PageContext.h"
#include "base/SettingsStore.h"
#include "plot/PlotView.h"
#include "plot/PlotWindow.h"
#include "serial/ComDlg.h"
#include "terminal/ReceiveArea.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kTickMs = 5;
constexpr int kLinesPerSecond = 1000;
// Lines are written in batches this often.
constexpr int kBatchMs = 10;

// Line `i`: sixteen channels, sines and ramps of different periods.
std::string Line(std::uint64_t i) {
    std::string line;
    char value[32];
    for (int c = 0; c < 16; ++c) {
        const double x = static_cast<double>(i);
        const int size =
            c % 2 == 0 ? std::snprintf(value, sizeof value, "%.4f", 100 * std::sin(x / (50.0 + c)))
                       : std::snprintf(value, sizeof value, "%d", static_cast<int>((i * (c + 1)) % 1000));
        line.append(value, static_cast<std::size_t>(size));
        line.push_back(c == 15 ? '\n' : ',');
    }
    return line;
}

void WriteAll(int fd, const std::string& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n <= 0) return;
        done += static_cast<std::size_t>(n);
    }
}

std::size_t ResidentBytes() {
    std::ifstream statm("/proc/self/statm");
    std::size_t pages = 0;
    std::size_t resident = 0;
    statm >> pages >> resident;
    return resident * static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
}

// Seconds the raw pty takes to carry `bytes` to a reader of the slave.
double RawSeconds(const std::string& bytes) {
    bench::Pty pty = bench::OpenPty();
    const int slave = bench::OpenRawSlave(pty);
    const auto start = Clock::now();
    std::thread reader([&] {
        std::vector<char> buffer(64 * 1024);
        std::size_t got = 0;
        while (got < bytes.size()) {
            const ssize_t n = ::read(slave, buffer.data(), buffer.size());
            if (n <= 0) break;
            got += static_cast<std::size_t>(n);
        }
    });
    WriteAll(pty.master, bytes);
    reader.join();
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    ::close(slave);
    ::close(pty.master);
    return seconds;
}

}  // namespace

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication application(argc, argv);
    const long long minutes = bench::NumberOption(argc, argv, "--minutes", 10);
    const long long steadySeconds = bench::NumberOption(argc, argv, "--seconds", minutes * 60);
    const auto burstBytes =
        static_cast<std::size_t>(bench::NumberOption(argc, argv, "--burst-kb", 1000)) * 1000;
    const auto ring = static_cast<std::uint32_t>(bench::NumberOption(argc, argv, "--ring", 100'000));
    const std::uint64_t steadyLines = static_cast<std::uint64_t>(steadySeconds) * kLinesPerSecond;

    std::string burst;
    std::uint64_t burstLines = 0;
    while (burst.size() < burstBytes) burst += Line(steadyLines + burstLines++);
    const double rawBurstSeconds = RawSeconds(burst);

    const bench::WorkDir workDir;
    viz::SettingsStore store(workDir / "Vizuruv.conf");
    store.WritePlotSamples(ring);
    viz::PageContext context(store);
    const std::unique_ptr<viz::CComDlg> shown = bench::ShownSerialPage(context, workDir.path());
    viz::CComDlg& page = *shown;
    bench::Pty pty = bench::OpenPty();
    if (!bench::OpenSerialPage(page, pty.slave)) return 2;
    page.findChild<QPushButton*>(QStringLiteral("plot"))->click();
    auto* window = page.findChild<viz::CPlotWindow*>();
    window->resize(900, 560);
    const viz::PlotFeed& feed = window->feed();
    viz::CReceiveArea* area = page.receiveArea();

    std::uint64_t frames = 0;
    const std::uint64_t allLines = steadyLines + burstLines;
    // When a frame first showed the burst's last line.
    std::optional<Clock::time_point> drawnAll;
    QObject::connect(window->view()->plot(), &QCustomPlot::afterReplot, [&] {
        ++frames;
        if (!drawnAll && feed.taken() + feed.skipped() == allLines) drawnAll = Clock::now();
    });

    bench::UiStallMeter meter(kTickMs);
    std::atomic<bool> steadyDone{false};
    std::atomic<bool> burstWritten{false};
    Clock::time_point burstEnd;
    std::size_t steadyBytes = 0;
    for (std::uint64_t i = 0; i < steadyLines; ++i) steadyBytes += Line(i).size();
    frames = 0;
    meter.Start();
    QElapsedTimer clock;
    clock.start();
    std::thread writer([&] {
        auto next = Clock::now();
        constexpr std::uint64_t kBatch = kLinesPerSecond * kBatchMs / 1000;
        for (std::uint64_t i = 0; i < steadyLines; i += kBatch) {
            std::string batch;
            for (std::uint64_t j = i; j < std::min(i + kBatch, steadyLines); ++j) batch += Line(j);
            WriteAll(pty.master, batch);
            next += std::chrono::milliseconds(kBatchMs);
            std::this_thread::sleep_until(next);
        }
        steadyDone = true;
    });

    // Resident memory each second; the ring is full once `ring` lines came.
    std::size_t residentAtFull = 0;
    std::size_t residentMax = 0;
    double fullAtSeconds = -1;
    QTimer memory;
    QObject::connect(&memory, &QTimer::timeout, [&] {
        const std::size_t resident = ResidentBytes();
        if (residentAtFull == 0 && feed.samples().size() == feed.samples().capacity()) {
            // The next second's reading: the ring's last growth step has settled.
            residentAtFull = resident;
            fullAtSeconds = clock.elapsed() / 1000.0;
        } else if (residentAtFull != 0) {
            residentMax = std::max(residentMax, resident);
        }
    });
    memory.start(1000);

    const bool steadyTaken =
        bench::WaitFor([&] { return steadyDone && feed.taken() + feed.skipped() == steadyLines; },
                       static_cast<int>(steadySeconds * 1000 + 30'000));
    writer.join();
    const double steadyStall = meter.longestMs();
    const double steadyCpu = meter.longestCpuMs();
    const double steadyElapsed = clock.elapsed() / 1000.0;
    const std::uint64_t steadyFrames = frames;
    const std::int64_t steadyReceived = area->pipeline().receivedTotal();

    // The burst: all at once, as fast as the pty takes it.
    meter.Start();
    std::thread burster([&] {
        WriteAll(pty.master, burst);
        burstEnd = Clock::now();
        burstWritten = true;
    });
    const bool burstTaken = bench::WaitFor([&] { return burstWritten && drawnAll; }, 30'000);
    burster.join();
    // The last write returns once its bytes are in the pty's buffer; the
    // page may have drawn them before the writer's clock was read.
    const double catchUpMs =
        drawnAll ? std::max(0.0, std::chrono::duration<double, std::milli>(*drawnAll - burstEnd).count())
                 : -1;
    meter.Stop();
    memory.stop();
    const std::int64_t received = area->pipeline().receivedTotal();
    page.ToggleOpen();
    ::close(pty.master);

    const std::uint64_t counted = feed.taken() + feed.skipped();
    std::printf("steady_seconds %.1f\n", steadyElapsed);
    std::printf("steady_lines %llu\n", static_cast<unsigned long long>(steadyLines));
    std::printf("steady_bytes %zu received %lld\n", steadyBytes, static_cast<long long>(steadyReceived));
    std::printf("longest_ui_stall_ms %.1f\n", steadyStall);
    std::printf("longest_ui_cpu_ms %.1f\n", steadyCpu);
    std::printf("frames_per_second %.1f\n", static_cast<double>(steadyFrames) / steadyElapsed);
    if (fullAtSeconds >= 0) {
        std::printf("ring_full_after_s %.0f resident_mb %.1f\n", fullAtSeconds, residentAtFull / 1e6);
        std::printf("resident_growth_after_full_mb %.2f\n",
                    (std::max(residentMax, residentAtFull) - residentAtFull) / 1e6);
    } else {
        std::printf("ring_not_full (%zu of %zu samples)\n", feed.samples().size(), feed.samples().capacity());
    }
    std::printf("burst_bytes %zu lines %llu\n", burst.size(), static_cast<unsigned long long>(burstLines));
    std::printf("raw_pty_burst_ms %.1f\n", rawBurstSeconds * 1000);
    std::printf("burst_longest_ui_stall_ms %.1f\n", meter.longestMs());
    std::printf("plot_drawn_after_burst_end_ms %.1f\n", burstTaken ? catchUpMs : -1.0);
    std::printf("bytes_lost %lld\n",
                static_cast<long long>(steadyBytes + burst.size()) - static_cast<long long>(received));
    std::printf("lines_lost %lld (skipped %llu)\n",
                static_cast<long long>(allLines) - static_cast<long long>(counted),
                static_cast<unsigned long long>(feed.skipped()));
    const bool intact = steadyTaken && burstTaken && counted == allLines && feed.skipped() == 0 &&
                        static_cast<std::size_t>(received) == steadyBytes + burst.size();
    return intact ? 0 : 1;
}
