// The server page under many clients, shown offscreen:
//  - N loopback clients connect (time until the page lists them all), each
//    sends K KiB of text lines, then all disconnect; bytes received against
//    sent, MB/s, the longest lateness of a 5 ms UI timer, the process's
//    threads while all are connected;
//  - the time "关闭" takes with N clients connected;
//  - C connect/disconnect cycles: open descriptors and resident memory
//    before and after.
//
//   server_page_bench [--clients N] [--kib K] [--cycles C]   (defaults 1000, 256, 10000)
#include <dirent.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QPushButton>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <thread>
#include <vector>

#include "BenchOptions.h"
#include "BenchSockets.h"
#include "UiStallMeter.h"
#include "WorkDir.h"
#include "base/PageContext.h"
#include "net/ServerDlg.h"
#include "terminal/ReceiveArea.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr double kMiB = 1024.0 * 1024.0;
constexpr int kLimitMs = 600000;

struct Options {
    std::size_t clients = 1000;
    std::size_t kib = 256;
    std::size_t cycles = 10000;
};

Options Parse(int argc, char** argv) {
    Options options;
    options.clients = static_cast<std::size_t>(bench::NumberOption(argc, argv, "--clients", options.clients));
    options.kib = static_cast<std::size_t>(bench::NumberOption(argc, argv, "--kib", options.kib));
    options.cycles = static_cast<std::size_t>(bench::NumberOption(argc, argv, "--cycles", options.cycles));
    return options;
}

double Seconds(Clock::duration elapsed) {
    return std::chrono::duration<double>(elapsed).count();
}

std::size_t Entries(const char* folder) {
    std::size_t count = 0;
    if (DIR* dir = ::opendir(folder)) {
        while (const dirent* entry = ::readdir(dir)) count += entry->d_name[0] != '.';
        ::closedir(dir);
    }
    return count;
}

long ResidentKib() {
    long pages = 0;
    long resident = 0;
    if (FILE* statm = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(statm, "%ld %ld", &pages, &resident) != 2) resident = 0;
        std::fclose(statm);
    }
    return resident * (::sysconf(_SC_PAGESIZE) / 1024);
}

// Two descriptors a client here (ours and the server's), and some to spare.
void RaiseDescriptorLimit() {
    rlimit limit{};
    if (::getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur < limit.rlim_max) {
        limit.rlim_cur = limit.rlim_max;
        ::setrlimit(RLIMIT_NOFILE, &limit);
    }
}

// Text lines, as a board would send them.
std::vector<char> Lines(std::size_t size) {
    std::vector<char> data(size);
    for (std::size_t i = 0; i < size; ++i) data[i] = i % 64 == 63 ? '\n' : static_cast<char>('A' + i % 26);
    return data;
}

// Connects `count` clients on a thread of their own, so the window runs meanwhile.
std::vector<int> ConnectAll(std::size_t count, int port, const std::function<bool()>& listed) {
    std::vector<int> peers(count, -1);
    std::thread connector([&] {
        for (int& peer : peers) peer = bench::ConnectTo(port);
    });
    const bool all = bench::WaitFor(listed, kLimitMs);
    connector.join();
    if (!all) std::fprintf(stderr, "the page did not list every client\n");
    return peers;
}

void SendFromAll(const std::vector<int>& peers, const std::vector<char>& data) {
    constexpr std::size_t kSenders = 8;
    std::vector<std::thread> senders;
    for (std::size_t s = 0; s < kSenders; ++s) {
        senders.emplace_back([&, s] {
            for (std::size_t i = s; i < peers.size(); i += kSenders) {
                for (std::size_t done = 0; done < data.size();) {
                    const ssize_t sent =
                        ::send(peers[i], data.data() + done, data.size() - done, MSG_NOSIGNAL);
                    if (sent <= 0) break;
                    done += static_cast<std::size_t>(sent);
                }
            }
        });
    }
    for (auto& sender : senders) sender.join();
}

bool AllSeeTheClose(const std::vector<int>& peers) {
    for (int peer : peers) {
        pollfd wait{peer, POLLIN, 0};
        char byte = 0;
        if (::poll(&wait, 1, 2000) != 1 || ::recv(peer, &byte, 1, 0) != 0) return false;
    }
    return true;
}

void CloseAll(std::vector<int>& peers) {
    for (int peer : peers) ::close(peer);
    peers.clear();
}

}  // namespace

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    RaiseDescriptorLimit();
    QApplication application(argc, argv);
    const Options options = Parse(argc, argv);
    const bench::WorkDir workDir;

    int port = 0;
    ::close(bench::ListenOnLoopback(port));
    viz::SettingsStore settings(workDir / "Vizuruv.conf");
    settings.WriteServerPort(static_cast<std::uint32_t>(port));
    viz::PageContext context(settings);
    viz::CServerDlg page(context, nullptr);
    page.resize(1000, 650);
    page.show();
    auto* create = page.findChild<QPushButton*>(QStringLiteral("create"));
    QComboBox* chooser = page.chooser();
    viz::ReceivePipeline& pipeline = page.receiveArea()->pipeline();
    create->click();
    if (!page.created()) {
        std::fprintf(stderr, "the server did not start on port %d\n", port);
        return 1;
    }
    const auto listedAll = [&] { return static_cast<std::size_t>(chooser->count()) == options.clients; };
    const auto listedNone = [&] { return chooser->count() == 0; };

    bench::UiStallMeter meter(5);
    meter.Start();
    auto start = Clock::now();
    std::vector<int> peers = ConnectAll(options.clients, port, listedAll);
    const double connectSeconds = Seconds(Clock::now() - start);
    const double connectStall = meter.longestMs();
    const double connectCpu = meter.longestCpuMs();
    const std::size_t threads = Entries("/proc/self/task");

    const std::vector<char> data = Lines(options.kib * 1024);
    const std::size_t total = data.size() * options.clients;
    meter.Start();
    start = Clock::now();
    std::thread sending([&] { SendFromAll(peers, data); });
    const bool complete =
        bench::WaitFor([&] { return static_cast<std::size_t>(pipeline.receivedTotal()) >= total; }, kLimitMs);
    const double dataSeconds = Seconds(Clock::now() - start);
    sending.join();
    const double dataStall = meter.longestMs();
    const double dataCpu = meter.longestCpuMs();

    meter.Start();
    start = Clock::now();
    CloseAll(peers);
    const bool allLeft = bench::WaitFor(listedNone, kLimitMs);
    const double leaveSeconds = Seconds(Clock::now() - start);
    const double leaveStall = meter.longestMs();
    const double leaveCpu = meter.longestCpuMs();
    const auto received = static_cast<std::size_t>(pipeline.receivedTotal());

    std::printf("clients %zu, %zu KiB each\n", options.clients, options.kib);
    std::printf("connect_all_s %.3f  (longest_ui_stall_ms %.1f, of it ui_cpu_ms %.1f)\n", connectSeconds,
                connectStall, connectCpu);
    std::printf("threads_while_connected %zu\n", threads);
    std::printf("received_bytes %zu of %zu sent (%s)\n", received, total,
                received == total ? "equal" : "DIFFERENT");
    std::printf("receive_mb_per_s %.1f  (%.2f s, longest_ui_stall_ms %.1f, of it ui_cpu_ms %.1f)\n",
                static_cast<double>(total) / kMiB / dataSeconds, dataSeconds, dataStall, dataCpu);
    std::printf("all_disconnect_s %.3f  (longest_ui_stall_ms %.1f, of it ui_cpu_ms %.1f)\n", leaveSeconds,
                leaveStall, leaveCpu);

    // "关闭" with every client connected.
    peers = ConnectAll(options.clients, port, listedAll);
    QElapsedTimer closeClock;
    closeClock.start();
    create->click();
    const double closeMs = static_cast<double>(closeClock.nsecsElapsed()) / 1e6;
    const bool closedAll = AllSeeTheClose(peers) && chooser->count() == 0 && !page.created();
    CloseAll(peers);
    std::printf("close_with_%zu_clients_ms %.1f  (every client saw the close: %s)\n", options.clients,
                closeMs, closedAll ? "yes" : "NO");

    // Connect/disconnect cycles; the first tenth warms the allocator up.
    create->click();
    const std::size_t warmUp = options.cycles / 10;
    std::size_t descriptorsBefore = 0;
    long residentBefore = 0;
    std::atomic<std::size_t> cycles = 0;
    std::atomic<bool> measured = false;
    meter.Start();
    std::thread cycling([&] {
        for (std::size_t i = 0; i < options.cycles; ++i) {
            while (i == warmUp && !measured) std::this_thread::sleep_for(std::chrono::milliseconds(1));
            ::close(bench::ConnectTo(port));
            ++cycles;
        }
    });
    bench::WaitFor([&] { return cycles == warmUp; }, kLimitMs);
    bench::WaitFor(listedNone, kLimitMs);
    bench::WaitFor([] { return false; }, 200);
    descriptorsBefore = Entries("/proc/self/fd");
    residentBefore = ResidentKib();
    measured = true;
    bench::WaitFor([&] { return cycles == options.cycles; }, kLimitMs);
    cycling.join();
    bench::WaitFor(listedNone, kLimitMs);
    // Let the last closes through the hand-off and the widgets settle.
    bench::WaitFor([] { return false; }, 200);
    const std::size_t descriptorsAfter = Entries("/proc/self/fd");
    const long residentAfter = ResidentKib();
    std::printf(
        "cycles %zu (after %zu warm-up): open_descriptors %zu -> %zu, resident_kib %ld -> %ld"
        "  (longest_ui_stall_ms %.1f)\n",
        options.cycles - warmUp, warmUp, descriptorsBefore, descriptorsAfter, residentBefore, residentAfter,
        meter.longestMs());
    create->click();
    return complete && allLeft && received == total && closedAll && descriptorsAfter <= descriptorsBefore ? 0
                                                                                                          : 1;
}
