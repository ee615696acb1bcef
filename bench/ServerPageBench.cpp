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
//
// The clients run in a child process, as boards are other machines: their
// descriptors do not count against the page's limit. The page serves at most
// what its descriptor limit leaves; a larger N is refused at start, with the
// limit it would need.
#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QPushButton>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
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
#include "net/TCPServer.h"
#include "platform/Descriptors.h"
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

// Text lines, as a board would send them.
std::vector<char> Lines(std::size_t size) {
    std::vector<char> data(size);
    for (std::size_t i = 0; i < size; ++i) data[i] = i % 64 == 63 ? '\n' : static_cast<char>('A' + i % 26);
    return data;
}

std::vector<int> ConnectAll(std::size_t count, int port) {
    std::vector<int> peers(count, -1);
    for (int& peer : peers) {
        peer = bench::ConnectTo(port);
        if (peer < 0) std::fprintf(stderr, "a client could not connect: %s\n", std::strerror(errno));
    }
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

// What the window asks of the clients' process; each is answered with one byte.
struct Request {
    enum Kind : char { Connect, Send, Close, SeeTheClose, Cycles, Go, Quit } kind;
    std::size_t count = 0;  // clients, KiB or cycles
    std::size_t other = 0;  // the port, or the warm-up cycles
};

// The clients' side: serves requests until Quit or the window's end.
[[noreturn]] void ServeClients(int requests, int answers) {
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    std::vector<int> peers;
    int port = 0;
    Request request{};
    while (::read(requests, &request, sizeof request) == static_cast<ssize_t>(sizeof request)) {
        bool ok = true;
        switch (request.kind) {
            case Request::Connect:
                port = static_cast<int>(request.other);
                peers = ConnectAll(request.count, port);
                ok = std::find(peers.begin(), peers.end(), -1) == peers.end();
                break;
            case Request::Send:
                SendFromAll(peers, Lines(request.count * 1024));
                break;
            case Request::Close:
                CloseAll(peers);
                break;
            case Request::SeeTheClose:
                ok = AllSeeTheClose(peers);
                break;
            case Request::Cycles:
                // The warm-up, an answer, then the rest once the window has measured.
                for (std::size_t i = 0; i < request.count; ++i) {
                    if (i == request.other) {
                        const char warm = 1;
                        Request go{};
                        if (::write(answers, &warm, 1) != 1 || ::read(requests, &go, sizeof go) <= 0)
                            ::_exit(1);
                    }
                    ::close(bench::ConnectTo(port));
                }
                break;
            case Request::Go:
                break;
            case Request::Quit:
                ::_exit(0);
        }
        const char answer = ok ? 1 : 0;
        if (::write(answers, &answer, 1) != 1) break;
    }
    ::_exit(0);
}

// The window's side of the clients' process.
class Clients {
public:
    // Forks before the window's threads exist.
    Clients() {
        int requests[2];
        int answers[2];
        if (::pipe2(requests, O_CLOEXEC) != 0 || ::pipe2(answers, O_CLOEXEC) != 0) std::abort();
        pid_ = ::fork();
        if (pid_ == 0) {
            ::close(requests[1]);
            ::close(answers[0]);
            ServeClients(requests[0], answers[1]);
        }
        ::close(requests[0]);
        ::close(answers[1]);
        requests_ = requests[1];
        answers_ = answers[0];
    }
    ~Clients() {
        Ask({Request::Quit});
        ::close(requests_);
        ::close(answers_);
        ::waitpid(pid_, nullptr, 0);
    }
    Clients(const Clients&) = delete;
    Clients& operator=(const Clients&) = delete;

    void Ask(Request request) {
        answered_ = false;
        if (::write(requests_, &request, sizeof request) != static_cast<ssize_t>(sizeof request))
            std::abort();
    }
    // Whether the last request was answered; the window runs meanwhile.
    bool Answered() {
        pollfd wait{answers_, POLLIN, 0};
        if (!answered_ && ::poll(&wait, 1, 0) == 1) {
            char answer = 0;
            answered_ = ::read(answers_, &answer, 1) == 1;
            ok_ = answered_ && answer == 1;
        }
        return answered_;
    }
    // The answer: whether the request went as asked.
    bool ok() const { return ok_; }

private:
    pid_t pid_ = -1;
    int requests_ = -1;
    int answers_ = -1;
    bool answered_ = false;
    bool ok_ = false;
};

}  // namespace

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    viz::RaiseDescriptorLimit();
    const Options options = Parse(argc, argv);
    // The page keeps a reserve beside its clients; what is open now is the
    // bench before the window, which takes some more.
    const std::size_t needed =
        options.clients + viz::OpenDescriptors() + viz::CTCPServer::kDescriptorReserve + 64;
    if (needed > viz::DescriptorLimit()) {
        std::fprintf(stderr,
                     "%zu clients need a descriptor limit of about %zu (ulimit -n), this one is %zu\n",
                     options.clients, needed, viz::DescriptorLimit());
        return 2;
    }
    Clients clients;
    QApplication application(argc, argv);
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
    // Asks the clients and runs the window until they answer and `shown` holds.
    const auto run = [&](Request request, const std::function<bool()>& shown) {
        clients.Ask(request);
        const bool reached = bench::WaitFor([&] { return clients.Answered() && shown(); }, kLimitMs);
        if (!reached)
            std::fprintf(stderr, "request %d did not end in time\n", static_cast<int>(request.kind));
        return reached && clients.ok();
    };
    const Request connect{Request::Connect, options.clients, static_cast<std::size_t>(port)};

    bench::UiStallMeter meter(5);
    meter.Start();
    auto start = Clock::now();
    if (!run(connect, listedAll)) std::fprintf(stderr, "the page did not list every client\n");
    const double connectSeconds = Seconds(Clock::now() - start);
    const double connectStall = meter.longestMs();
    const double connectCpu = meter.longestCpuMs();
    const std::size_t threads = Entries("/proc/self/task");

    const std::size_t total = options.kib * 1024 * options.clients;
    meter.Start();
    start = Clock::now();
    const bool complete = run({Request::Send, options.kib},
                              [&] { return static_cast<std::size_t>(pipeline.receivedTotal()) >= total; });
    const double dataSeconds = Seconds(Clock::now() - start);
    const double dataStall = meter.longestMs();
    const double dataCpu = meter.longestCpuMs();

    meter.Start();
    start = Clock::now();
    const bool allLeft = run({Request::Close}, listedNone);
    const double leaveSeconds = Seconds(Clock::now() - start);
    const double leaveStall = meter.longestMs();
    const double leaveCpu = meter.longestCpuMs();
    const auto received = static_cast<std::size_t>(pipeline.receivedTotal());

    std::printf("clients %zu, %zu KiB each (in a child process)\n", options.clients, options.kib);
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
    run(connect, listedAll);
    QElapsedTimer closeClock;
    closeClock.start();
    create->click();
    const double closeMs = static_cast<double>(closeClock.nsecsElapsed()) / 1e6;
    const bool closedAll =
        run({Request::SeeTheClose}, [] { return true; }) && chooser->count() == 0 && !page.created();
    run({Request::Close}, [] { return true; });
    std::printf("close_with_%zu_clients_ms %.1f  (every client saw the close: %s)\n", options.clients,
                closeMs, closedAll ? "yes" : "NO");

    // Connect/disconnect cycles; the first tenth warms the allocator up.
    create->click();
    const std::size_t warmUp = options.cycles / 10;
    meter.Start();
    run({Request::Cycles, options.cycles, warmUp}, listedNone);
    // Let the last closes through the hand-off and the widgets settle.
    bench::WaitFor([] { return false; }, 200);
    const std::size_t descriptorsBefore = Entries("/proc/self/fd");
    const long residentBefore = ResidentKib();
    run({Request::Go}, listedNone);
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
