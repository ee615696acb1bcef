// The downloader against curl on the same archive in the same run: a local
// HTTP server (python3's http.server on 127.0.0.1) serves an N MB archive;
// curl fetches it to a file, then the downloader window does, offscreen,
// while a 5 ms UI timer measures the longest time the window could not run.
// Rounds alternate so disk and cache effects fall on both alike.
//
//   update_download_bench [--mb N] [--rounds N]   (defaults 100 and 3)
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QProcess>
#include <QPushButton>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <thread>
#include <vector>

#include "BenchOptions.h"
#include "UiStallMeter.h"
#include "WorkDir.h"
#include "update/UpdateDlg.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr double kMiB = 1024.0 * 1024.0;

std::uint16_t FreeLoopbackPort() {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    ::bind(fd, reinterpret_cast<sockaddr*>(&address), size);
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size);
    ::close(fd);
    return ntohs(address.sin_port);
}

bool Accepts(std::uint16_t port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(port);
    const bool ok = ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    ::close(fd);
    return ok;
}

void WriteArchive(const std::filesystem::path& path, std::size_t megabytes) {
    std::filesystem::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary);
    std::mt19937_64 random(168);
    std::vector<std::uint64_t> block(1 << 17);
    for (std::size_t mb = 0; mb < megabytes; ++mb) {
        std::generate(block.begin(), block.end(), random);
        out.write(reinterpret_cast<const char*>(block.data()), static_cast<std::streamsize>(1 << 20));
    }
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication application(argc, argv);
    const auto megabytes = static_cast<std::size_t>(bench::NumberOption(argc, argv, "--mb", 100));
    const int rounds = static_cast<int>(std::max(1LL, bench::NumberOption(argc, argv, "--rounds", 3)));

    const bench::WorkDir root;
    const std::filesystem::path served = root / "served";
    const std::filesystem::path fetched = root / "fetched";
    std::filesystem::create_directories(fetched);
    WriteArchive(served / "dodiror" / "Duvezer.rar", megabytes);
    const std::uintmax_t bytes = std::filesystem::file_size(served / "dodiror" / "Duvezer.rar");

    const std::uint16_t port = FreeLoopbackPort();
    QProcess server;
    server.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    server.start("python3", {"-m", "http.server", QString::number(port), "--bind", "127.0.0.1", "--directory",
                             QString::fromStdString(served.string())});
    const bool up = bench::WaitFor([&] { return Accepts(port); }, 10000);
    if (!up) {
        std::fprintf(stderr, "the local HTTP server did not start\n");
        return 1;
    }
    const std::string base = "http://127.0.0.1:" + std::to_string(port);
    const QString url = QString::fromStdString(base) + "/dodiror/Duvezer.rar";
    QDir::setCurrent(QString::fromStdString(fetched.string()));

    std::vector<double> curlRates, ourRates, stalls, idleStalls;
    for (int round = 0; round < rounds; ++round) {
        // curl runs beside an idle window: its stall is what the machine's
        // load alone costs the UI thread, the baseline for the downloader's.
        QProcess curl;
        bench::UiStallMeter idleMeter(5);
        idleMeter.Start();
        const Clock::time_point curlStart = Clock::now();
        curl.start("curl", {"-s", "-f", "-o", QString::fromStdString((fetched / "curl.out").string()), url});
        const bool curlEnded = bench::WaitFor([&] { return curl.state() == QProcess::NotRunning; }, 120000);
        const double curlSeconds = std::chrono::duration<double>(Clock::now() - curlStart).count();
        idleMeter.Stop();
        if (!curlEnded || curl.exitCode() != 0 || std::filesystem::file_size(fetched / "curl.out") != bytes) {
            std::fprintf(stderr, "curl failed\n");
            return 1;
        }
        idleStalls.push_back(idleMeter.longestMs());
        curlRates.push_back(static_cast<double>(bytes) / kMiB / curlSeconds);

        viz::CUpdateDlg dialog(viz::UpdateServers{base, base});
        dialog.show();
        auto* status = dialog.findChild<QLabel*>("status");
        bench::UiStallMeter meter(5);
        meter.Start();
        const Clock::time_point start = Clock::now();
        for (auto* button : dialog.findChildren<QPushButton*>())
            if (button->text() == QString::fromUtf8("启动下载")) button->click();
        const bool done = bench::WaitFor([&] { return !dialog.downloading(); }, 120000);
        const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
        meter.Stop();
        if (!done || status->text() != QString::fromUtf8("下载完成！") ||
            std::filesystem::file_size(fetched / "Duvezer.rar") != bytes) {
            std::fprintf(stderr, "the downloader failed: %s\n", qPrintable(status->text()));
            return 1;
        }
        ourRates.push_back(static_cast<double>(bytes) / kMiB / seconds);
        stalls.push_back(meter.longestMs());
        std::printf(
            "round %d: curl %.0f MB/s (UI stall beside it %.1f ms), downloader %.0f MB/s (UI stall %.1f "
            "ms)\n",
            round + 1, curlRates.back(), idleStalls.back(), ourRates.back(), stalls.back());
    }
    server.terminate();
    server.waitForFinished(3000);

    std::printf("%zu MB archive from 127.0.0.1, median of %d rounds:\n", megabytes, rounds);
    std::printf("  curl       %.0f MB/s\n", Median(curlRates));
    std::printf("  downloader %.0f MB/s (%.0f%% of curl)\n", Median(ourRates),
                100.0 * Median(ourRates) / Median(curlRates));
    std::printf("  longest UI stall: %.1f ms during the downloader's runs, %.1f ms beside curl's runs\n",
                *std::max_element(stalls.begin(), stalls.end()),
                *std::max_element(idleStalls.begin(), idleStalls.end()));
    return 0;
}
