// The network page under load, beside the raw loopback rates of the same run:
//  - a loopback TCP peer streams into the open page (hex display, text output
//    on); input MB/s, bytes lost and the longest lateness of a 5 ms UI timer;
//  - a file sent through the page's "TCP发送" to a peer that reads as fast as
//    it can, beside plain 1024-byte sends of the same amount.
//
//   net_page_bench [--mb N] [--file-mb N]   (defaults 256 and 100)
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <thread>
#include <utility>
#include <vector>

#include "app/PageContext.h"
#include "net/NetDlg.h"
#include "terminal/ReceiveArea.h"
#include "terminal/SendArea.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr double kMiB = 1024.0 * 1024.0;

struct Options {
    std::size_t megabytes = 256;
    std::size_t fileMegabytes = 100;
};

Options Parse(int argc, char** argv) {
    Options options;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (std::strcmp(argv[i], "--mb") == 0) options.megabytes = std::strtoul(argv[i + 1], nullptr, 10);
        if (std::strcmp(argv[i], "--file-mb") == 0)
            options.fileMegabytes = std::strtoul(argv[i + 1], nullptr, 10);
    }
    return options;
}

double Seconds(Clock::duration elapsed) {
    return std::chrono::duration<double>(elapsed).count();
}

int Listen(int& port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address);
    ::listen(fd, 4);
    socklen_t length = sizeof address;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
    port = ntohs(address.sin_port);
    return fd;
}

int Connect(int port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address);
    return fd;
}

void WriteAll(int fd, std::size_t total, std::size_t block) {
    std::vector<std::uint8_t> data(block);
    for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<std::uint8_t>(i * 13);
    for (std::size_t done = 0; done < total;) {
        const ssize_t sent = ::send(fd, data.data(), std::min(block, total - done), MSG_NOSIGNAL);
        if (sent <= 0) return;
        done += static_cast<std::size_t>(sent);
    }
}

std::size_t ReadAll(int fd, std::size_t limit) {
    std::vector<char> buffer(256 * 1024);
    std::size_t total = 0;
    while (total < limit) {
        const ssize_t got = ::recv(fd, buffer.data(), buffer.size(), 0);
        if (got <= 0) break;
        total += static_cast<std::size_t>(got);
    }
    return total;
}

// Plain sockets, writer in `block`-byte sends, reader on its own thread.
double RawSeconds(std::size_t total, std::size_t block) {
    int port = 0;
    const int listening = Listen(port);
    const int writer = Connect(port);
    const int reader = ::accept(listening, nullptr, nullptr);
    const auto start = Clock::now();
    std::thread read([&] { ReadAll(reader, total); });
    WriteAll(writer, total, block);
    read.join();
    const double seconds = Seconds(Clock::now() - start);
    ::close(writer);
    ::close(reader);
    ::close(listening);
    return seconds;
}

// A 5 ms timer on the UI thread; how late its ticks come is how long the
// window could not react.
class StallMeter {
public:
    StallMeter() {
        timer_.setTimerType(Qt::PreciseTimer);
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            longest_ = std::max(longest_, clock_.nsecsElapsed() - 5'000'000);
            clock_.restart();
        });
    }
    void Start() {
        longest_ = 0;
        clock_.start();
        timer_.start(5);
    }
    void Stop() { timer_.stop(); }
    double longestMs() const { return static_cast<double>(longest_) / 1e6; }

private:
    QTimer timer_;
    QElapsedTimer clock_;
    qint64 longest_ = 0;
};

bool WaitFor(const std::function<bool()>& condition, int limitMs) {
    QElapsedTimer clock;
    clock.start();
    while (!condition()) {
        if (clock.elapsed() > limitMs) return false;
        QApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication application(argc, argv);
    const Options options = Parse(argc, argv);
    QTemporaryDir workDir;
    QDir::setCurrent(workDir.path());
    const std::filesystem::path work = workDir.path().toStdString();

    int port = 0;
    const int listening = Listen(port);
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
    if (peer < 0 || !WaitFor([&] { return page.isOpen(viz::CNetDlg::kTcp); }, 5000)) {
        std::fprintf(stderr, "the page did not connect\n");
        return 1;
    }

    // Stream into the page.
    const std::size_t total = options.megabytes * 1024 * 1024;
    const double rawSeconds = RawSeconds(total, 64 * 1024);
    StallMeter meter;
    meter.Start();
    const auto start = Clock::now();
    std::thread writer([&] { WriteAll(peer, total, 64 * 1024); });
    const bool complete =
        WaitFor([&] { return std::cmp_greater_equal(area->pipeline().receivedTotal(), total); }, 600000);
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

    // A file through "TCP发送", read as fast as the peer can.
    const std::size_t fileSize = options.fileMegabytes * 1024 * 1024;
    {
        std::vector<char> data(fileSize);
        for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<char>(i * 7);
        std::ofstream(work / "file.bin", std::ios::binary)
            .write(data.data(), static_cast<std::streamsize>(fileSize));
    }
    const QString path = QString::fromStdString((work / "file.bin").string());
    page.sendArea()->setFileChooser([path] { return path; });
    page.sendArea()->LoadFile();
    std::atomic<std::size_t> fileReceived = 0;
    std::thread reader([&] { fileReceived = ReadAll(peer, fileSize); });
    const auto fileStart = Clock::now();
    page.findChild<QPushButton*>(QStringLiteral("tcpSend"))->click();
    reader.join();
    const double fileSeconds = Seconds(Clock::now() - fileStart);
    const double rawFileSeconds = RawSeconds(fileSize, 1024);
    std::printf("file_send_s %.2f  (%zu MiB, %.1f MB/s, peer got %zu bytes)\n", fileSeconds,
                options.fileMegabytes, static_cast<double>(fileSize) / kMiB / fileSeconds,
                fileReceived.load());
    std::printf("raw_1024_byte_sends_s %.2f\n", rawFileSeconds);

    page.ToggleLink(viz::CNetDlg::kTcp);
    ::close(peer);
    ::close(listening);
    return complete && received == total && fileReceived == fileSize ? 0 : 1;
}
