#include "net/TCPServer.h"

#include <dirent.h>
#include <sys/resource.h>
#include <sys/socket.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

#include "Patience.h"
#include "WriteSteps.h"
#include "net/NetTestSupport.h"

namespace viz {
namespace {

using namespace std::chrono_literals;
using net_testing::ConnectTo;
using net_testing::Eventually;
using net_testing::Fd;
using net_testing::FreeTcpPort;
using net_testing::LocalPort;
using net_testing::Loopback;
using net_testing::Pattern;
using net_testing::ReadUpTo;
using Kind = ServerEventKind;

// Collects the server's events. Push can be held (a page that is behind)
// and the sink closed, as the page's hand-off does.
class EventLog : public ServerEventSink {
public:
    bool Push(ServerEvent event) override {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [&] { return !held_ || closed_; });
        if (closed_) return false;
        events_.push_back(std::move(event));
        changed_.notify_all();
        return true;
    }

    void Hold(bool held) {
        std::lock_guard lock(mutex_);
        held_ = held;
        changed_.notify_all();
    }
    void Close() {
        std::lock_guard lock(mutex_);
        closed_ = true;
        changed_.notify_all();
    }

    // The events once `count` of `kind` arrived (or after `limit`).
    std::vector<ServerEvent> WaitFor(Kind kind, std::size_t count, std::chrono::milliseconds limit = 5s) {
        std::unique_lock lock(mutex_);
        changed_.wait_for(lock, limit, [&] { return CountLocked(kind) >= count; });
        return events_;
    }
    // Lets go of the clients the events refer to.
    void Clear() {
        std::lock_guard lock(mutex_);
        events_.clear();
    }
    std::vector<ServerEvent> Events() {
        std::lock_guard lock(mutex_);
        return events_;
    }
    std::size_t Count(Kind kind) {
        std::lock_guard lock(mutex_);
        return CountLocked(kind);
    }

private:
    std::size_t CountLocked(Kind kind) const {
        return static_cast<std::size_t>(std::count_if(events_.begin(), events_.end(),
                                                      [&](const ServerEvent& e) { return e.kind == kind; }));
    }

    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<ServerEvent> events_;
    bool held_ = false;
    bool closed_ = false;
};

std::size_t OpenDescriptors() {
    std::size_t count = 0;
    if (DIR* dir = ::opendir("/proc/self/fd")) {
        while (::readdir(dir) != nullptr) ++count;
        ::closedir(dir);
    }
    return count;
}

class TcpServer : public ::testing::Test {
protected:
    void SetUp() override {
        port = FreeTcpPort();
        server.SetLocalPort(port);
        ASSERT_EQ(server.Start(events), CTCPServer::kStarted);
    }
    void TearDown() override {
        events.Close();
        server.Stop();
    }

    // Connects a peer and waits until the server reports it.
    Fd Join() {
        const std::size_t before = events.Count(Kind::Connected);
        Fd peer = ConnectTo(port);
        EXPECT_GE(peer.get(), 0);
        events.WaitFor(Kind::Connected, before + 1);
        return peer;
    }

    std::vector<ServerEvent> Of(Kind kind) {
        std::vector<ServerEvent> found;
        for (auto& event : events.Events())
            if (event.kind == kind) found.push_back(event);
        return found;
    }

    int port = 0;
    EventLog events;
    CTCPServer server;
};

TEST_F(TcpServer, APortInUseIsRefusedAndAClosedPortCanBeTakenAgainAtOnce) {
    CTCPServer second;
    EventLog secondEvents;
    second.SetLocalPort(port);
    EXPECT_EQ(second.Start(secondEvents), CTCPServer::kListenFailed);
    EXPECT_EQ(second.lastError(), EADDRINUSE);
    EXPECT_FALSE(second.listening());
    EXPECT_TRUE(second.Clients().empty());

    // A client the server closed leaves the port in TIME_WAIT on the server's side.
    Fd peer = Join();
    events.Close();
    server.Stop();
    EXPECT_EQ(ConnectTo(port).get(), -1) << "nothing listens after a stop";
    EventLog again;
    EXPECT_EQ(server.Start(again), CTCPServer::kStarted);
    EXPECT_GE(ConnectTo(port).get(), 0);
    again.WaitFor(Kind::Connected, 1);
    EXPECT_EQ(again.Count(Kind::Connected), 1u);
    again.Close();
    server.Stop();
}

TEST_F(TcpServer, ClientsAreListedInConnectionOrderAndTheirDataArrivesInOrderInPiecesOfAtMost1024) {
    std::vector<Fd> peers;
    for (int i = 0; i < 3; ++i) peers.push_back(Join());
    const auto connected = Of(Kind::Connected);
    const auto listed = server.Clients();
    ASSERT_EQ(connected.size(), 3u);
    ASSERT_EQ(listed.size(), 3u);
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(listed[i], connected[i].client);
        EXPECT_EQ(listed[i]->port(), LocalPort(peers[i].get()));
        EXPECT_EQ(listed[i]->address(), "127.0.0.1");
        EXPECT_EQ(server.ClientAt(i), listed[i]);
    }
    EXPECT_EQ(server.ClientAt(3), nullptr);

    const std::vector<std::uint8_t> burst = Pattern(3000);
    ASSERT_EQ(::send(peers[1].get(), burst.data(), burst.size(), 0), 3000);
    std::vector<std::uint8_t> received;
    std::size_t pieces = 0;
    ASSERT_TRUE(Eventually([&] {
        received.clear();
        pieces = 0;
        for (const auto& event : Of(Kind::Data)) {
            if (event.client != listed[1]) continue;
            ++pieces;
            EXPECT_LE(event.chunk.bytes.size(), CTCPServer::kReadLimit);
            received.insert(received.end(), event.chunk.bytes.begin(), event.chunk.bytes.end());
        }
        return received.size() >= burst.size();
    }));
    EXPECT_EQ(received, burst);
    EXPECT_GE(pieces, 3u);
}

TEST_F(TcpServer, APeerThatClosesGivesOneClosedEventAfterItsDataAndLeavesTheList) {
    Fd first = Join();
    Fd second = Join();
    const auto leaving = server.Clients().front();
    ::send(first.get(), "bye", 3, 0);
    first.Reset();
    const auto all = events.WaitFor(Kind::Closed, 1);
    EXPECT_TRUE(testing::WaitUntilOthersSleep());
    ASSERT_EQ(Of(Kind::Closed).size(), 1u);
    EXPECT_EQ(Of(Kind::ClientError).size(), 0u);
    EXPECT_EQ(Of(Kind::Closed).front().client, leaving);
    EXPECT_EQ(all.back().kind, Kind::Closed);
    EXPECT_EQ(all[all.size() - 2].kind, Kind::Data) << "the data comes before the closure";
    ASSERT_EQ(server.Clients().size(), 1u);
    EXPECT_EQ(server.Clients().front()->port(), LocalPort(second.get()));
}

TEST_F(TcpServer, StopClosesTheListenerAndEveryClientAtOnceAndLeavesNoDescriptorBehind) {
    const std::size_t descriptorsBefore = OpenDescriptors();
    std::vector<Fd> peers;
    for (int i = 0; i < 2; ++i) peers.push_back(Join());
    // More clients than a thread per client could stop in minutes.
    for (int i = 0; i < 200; ++i) peers.push_back(ConnectTo(port));
    ASSERT_TRUE(Eventually([&] { return server.Clients().size() == peers.size(); }));

    events.Close();
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(server.Stop(), CTCPServer::kStopped);
    EXPECT_LT(std::chrono::steady_clock::now() - start, testing::kHangLimit);
    EXPECT_TRUE(server.Clients().empty());
    EXPECT_FALSE(server.listening());
    EXPECT_EQ(ConnectTo(port).get(), -1);
    for (std::size_t i : {0u, 1u}) EXPECT_TRUE(ReadUpTo(peers[i].get(), 1, 1s).empty()) << "client " << i;
    peers.clear();
    events.Clear();
    EXPECT_TRUE(Eventually([&] { return OpenDescriptors() <= descriptorsBefore; }))
        << OpenDescriptors() << " open, " << descriptorsBefore << " before";
}

TEST_F(TcpServer, AFailedWriteClosesTheClientAtOnceAndTheErrorAndClosureAreReportedOnceEach) {
    Fd peer = Join();
    const auto client = server.Clients().front();
    EXPECT_EQ(client->Write(nullptr, 0, {}).error, 0) << "nothing to send is a success";

    // The event thread waits on the page, so the write meets the reset first.
    events.Hold(true);
    ::send(peer.get(), "x", 1, 0);
    const linger reset{1, 0};
    ::setsockopt(peer.get(), SOL_SOCKET, SO_LINGER, &reset, sizeof reset);
    peer.Reset();
    std::this_thread::sleep_for(50ms);
    const auto written = testing::WriteAll([&](auto... args) { return client->Write(args...); }, Pattern(10));
    EXPECT_TRUE(written.error == ECONNRESET || written.error == EPIPE) << written.error;
    EXPECT_TRUE(client->closed()) << "closed by the failure itself, not later";
    EXPECT_EQ(client->Write(Pattern(1).data(), 1, {}).error, ENOTCONN);

    events.Hold(false);
    events.WaitFor(Kind::Closed, 1);
    EXPECT_TRUE(testing::WaitUntilOthersSleep());
    const auto errors = Of(Kind::ClientError);
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors.front().error, written.error);
    EXPECT_EQ(Of(Kind::Closed).size(), 1u);
    EXPECT_EQ(events.Events().back().kind, Kind::Closed) << "the error comes before the closure";
    EXPECT_TRUE(server.Clients().empty());
}

TEST_F(TcpServer, ClosingAClientEndsAWriteWaitingForRoomAtOnce) {
    Fd peer = Join();
    const auto client = server.Clients().front();
    // The peer reads nothing: the socket buffers fill and the write waits.
    const std::vector<std::uint8_t> data = Pattern(64 << 20);
    std::atomic<std::size_t> taken = 0;
    std::atomic<int> error = 0;
    std::thread writer([&] {
        const auto result = testing::WriteAll(
            [&](auto... args) {
                const WriteStep step = client->Write(args...);
                taken += step.consumed;
                return step;
            },
            data, 10s);
        error = result.error;
    });
    std::size_t seen = 0;
    ASSERT_TRUE(Eventually([&] {
        std::this_thread::sleep_for(100ms);
        const std::size_t now = taken.load();
        const bool stalled = now == seen && now > 0;
        seen = now;
        return stalled;
    }));
    const auto start = std::chrono::steady_clock::now();
    client->Close();
    writer.join();
    EXPECT_LT(std::chrono::steady_clock::now() - start, testing::kHangLimit);
    EXPECT_EQ(error, ENOTCONN);
    events.WaitFor(Kind::Closed, 1);
    EXPECT_EQ(Of(Kind::ClientError).size(), 0u) << "a close of our own is no error";
}

TEST_F(TcpServer, OutOfDescriptorsTheServerWaitsWithoutSpinningAndTakesTheWaitingClientLater) {
    rlimit saved{};
    ASSERT_EQ(::getrlimit(RLIMIT_NOFILE, &saved), 0);
    rlimit tight = saved;
    tight.rlim_cur = OpenDescriptors() + 6;
    ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &tight), 0);
    std::vector<Fd> peers;
    // Each client takes one descriptor here and one in the server. When none
    // is left, the spare makes room for one more client: it connects (the
    // system queues it) but the server has no descriptor to take it with.
    Fd spare(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
    for (;;) {
        Fd peer(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
        if (peer.get() < 0 && spare.get() >= 0) {
            spare.Reset();
            continue;
        }
        if (peer.get() < 0) break;
        const sockaddr_in to = Loopback(port);
        ASSERT_EQ(::connect(peer.get(), reinterpret_cast<const sockaddr*>(&to), sizeof to), 0);
        peers.push_back(std::move(peer));
        std::this_thread::sleep_for(20ms);
    }
    const std::size_t accepted = events.Count(Kind::Connected);
    ASSERT_LT(accepted, peers.size());

    rusage before{};
    ::getrusage(RUSAGE_SELF, &before);
    std::this_thread::sleep_for(300ms);
    rusage after{};
    ::getrusage(RUSAGE_SELF, &after);
    const auto cpuMs = [](const rusage& r) {
        return (r.ru_utime.tv_sec + r.ru_stime.tv_sec) * 1000 +
               (r.ru_utime.tv_usec + r.ru_stime.tv_usec) / 1000;
    };
    ::setrlimit(RLIMIT_NOFILE, &saved);
    EXPECT_LT(cpuMs(after) - cpuMs(before), 30) << "a server that cannot accept must not spin";
    EXPECT_EQ(events.WaitFor(Kind::Connected, peers.size()).size() >= peers.size(), true);
    EXPECT_EQ(events.Count(Kind::Connected), peers.size()) << "the queued client is taken once there is room";
}

}  // namespace
}  // namespace viz
