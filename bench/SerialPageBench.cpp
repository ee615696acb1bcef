// Receive throughput of the serial page: a writer on the master side of a
// pseudo-terminal streams pattern bytes into the open page (shown offscreen,
// hex display and text output on). First the raw pty rate is measured on a
// pair of its own, for comparison on the same machine in the same run.
// Prints input MB/s (10^6 bytes), bytes lost (received counter and output
// file against what was written) and the longest lateness of a 5 ms timer on
// the UI thread. The output file goes to the current directory.
//
//   serial_page_bench [--mb N]   (default 64 MB)
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QTimer>

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>
#include <vector>

#include "BenchOptions.h"
#include "BenchPty.h"
#include "UiStallMeter.h"
#include "WorkDir.h"
#include "base/PageContext.h"
#include "base/SettingsStore.h"
#include "serial/ComDlg.h"
#include "terminal/ReceiveArea.h"

namespace {

using bench::PatternByte;
constexpr int kTickMs = 5;

// Bytes of the output file that do not match the "%02X " text of the pattern.
std::size_t OutputMismatches(const std::filesystem::path& path, std::size_t total) {
    std::ifstream file(path, std::ios::binary);
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::size_t wrong = 0;
    std::vector<char> buffer(3 * 64 * 1024);
    std::size_t at = 0;
    while (file) {
        file.read(buffer.data(), static_cast<std::streamsize>(buffer.size()));
        const auto n = static_cast<std::size_t>(file.gcount());
        for (std::size_t i = 0; i + 2 < n; i += 3, ++at) {
            const std::uint8_t byte = PatternByte(at);
            wrong += buffer[i] != kDigits[byte >> 4] || buffer[i + 1] != kDigits[byte & 15] ||
                     buffer[i + 2] != ' ';
        }
    }
    return wrong + (at < total ? total - at : at - total);
}

}  // namespace

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication application(argc, argv);
    const std::size_t total = static_cast<std::size_t>(bench::NumberOption(argc, argv, "--mb", 64)) * 1000 * 1000;

    const bench::RawRead raw = bench::ReadRawPty(total, 64 * 1024);

    const bench::WorkDir workDir;
    viz::SettingsStore store(workDir / "Vizuruv.conf");
    viz::PageContext context(store);
    viz::ComDlgDevices devices;
    devices.ttyClassRoot = workDir.path();
    viz::CComDlg page(context, nullptr, devices);
    page.resize(1000, 680);
    page.show();

    bench::Pty pty = bench::OpenPty();
    page.findChild<QComboBox*>(QStringLiteral("port"))->setEditText(QString::fromStdString(pty.slave));
    page.findChild<QComboBox*>(QStringLiteral("baud"))->setCurrentText(QStringLiteral("115200"));
    page.ToggleOpen();
    if (!page.isOpen()) {
        std::printf("the page could not open %s\n", pty.slave.c_str());
        return 2;
    }
    page.findChild<QCheckBox*>(QStringLiteral("hexDisplay"))->setChecked(true);
    viz::CReceiveArea* area = page.receiveArea();
    area->ToggleOutput();

    bench::UiStallMeter meter(kTickMs);
    QElapsedTimer elapsed;
    double seconds = 0;
    std::thread writer;
    QTimer::singleShot(200, [&] {
        meter.Start();
        elapsed.start();
        writer = bench::StartPatternWriter(pty.master, total);
    });
    QTimer done;
    QObject::connect(&done, &QTimer::timeout, [&] {
        if (static_cast<std::size_t>(area->pipeline().receivedTotal()) >= total) {
            seconds = elapsed.nsecsElapsed() / 1e9;
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
    const std::size_t mismatches =
        OutputMismatches(std::filesystem::current_path() / "串口数据输出记录.txt", total);

    std::printf("input_bytes %zu\n", total);
    std::printf("raw_pty_mb_per_s %.1f\n", bench::MegabytesPerSecond(raw.bytes, raw.seconds));
    std::printf("serial_page_mb_per_s %.1f\n", bench::MegabytesPerSecond(received, seconds));
    std::printf("bytes_lost %zu\n", total - std::min(total, received));
    std::printf("output_file_mismatches %zu\n", mismatches);
    std::printf("longest_ui_stall_ms %.1f\n", meter.longestMs());
    return received == total && mismatches == 0 ? 0 : 1;
}
