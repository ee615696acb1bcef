#include "net/Pinger.h"

#include <gtest/gtest.h>

#include <net/if.h>
#include <sched.h>
#include <sys/ioctl.h>
#include <sys/wait.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <fstream>
#include <functional>
#include <utility>

#include "Patience.h"
#include "net/IcmpEcho.h"
#include "net/NetTestSupport.h"

namespace viz {
namespace {

using namespace std::chrono_literals;
using net_testing::Fd;

int DefaultTtl() {
    std::ifstream file("/proc/sys/net/ipv4/ip_default_ttl");
    int ttl = 0;
    file >> ttl;
    return ttl;
}

TEST(PingText, ResultTextsAndTheirThresholds) {
    const std::string address = "127.0.0.1";
    EXPECT_EQ(PingResultText(address, {PingStatus::Replied, 0, 64}),
              "\r\nReply from 127.0.0.1 : bytes32 time<1ms TTL=64.\r\n");
    EXPECT_EQ(PingResultText(address, {PingStatus::Replied, 1, 5}),
              "\r\nReply from 127.0.0.1 : bytes32 time<1ms TTL=05.\r\n");
    EXPECT_EQ(PingResultText(address, {PingStatus::Replied, 2, 128}),
              "\r\nReply from 127.0.0.1 : bytes32 time=2ms TTL=128.\r\n");
    EXPECT_EQ(PingResultText(address, {PingStatus::Replied, 499, 64}),
              "\r\nReply from 127.0.0.1 : bytes32 time=499ms TTL=64.\r\n");
    EXPECT_EQ(PingResultText(address, {PingStatus::Replied, 500, 64}), "\r\nRequest timed out.\r\n");
    EXPECT_EQ(PingResultText(address, {PingStatus::Replied, 600, 64}), "\r\nRequest timed out.\r\n");
    for (const auto status :
         {PingStatus::TimedOut, PingStatus::NoSocket, PingStatus::BadAddress, PingStatus::SendFailed}) {
        EXPECT_EQ(PingResultText(address, {status, 0, 0}), "\r\nRequest timed out.\r\n");
    }
}

template <int Error>
int RefusedSocket(int, int, int) {
    errno = Error;
    return -1;
}

// A user outside net.ipv4.ping_group_range (and without CAP_NET_RAW) gets
// no ICMP socket at all: the page says so instead of a timeout.
TEST(Pinger, ASystemThatForbidsPingingIsNamedNotTakenForATimeout) {
    for (const auto open : {&RefusedSocket<EACCES>, &RefusedSocket<EPERM>}) {
        Pinger pinger(PingSocketKind::Automatic, open);
        const PingResult result = pinger.Ping("127.0.0.1");
        EXPECT_EQ(result.status, PingStatus::NotPermitted);
        const std::string text = PingResultText("127.0.0.1", result);
        EXPECT_NE(text.find("系统不允许当前用户发送ping"), std::string::npos) << text;
        EXPECT_NE(text.find("sysctl net.ipv4.ping_group_range"), std::string::npos) << text;
    }
    Pinger pinger(PingSocketKind::Automatic, &RefusedSocket<EMFILE>);
    EXPECT_EQ(pinger.Ping("127.0.0.1").status, PingStatus::NoSocket)
        << "other failures are not blamed on the setting";
}

TEST(Pinger, LoopbackAnswersWithTheSystemsTtl) {
    Pinger pinger;
    const PingResult result = pinger.Ping("127.0.0.1");
    if (result.status == PingStatus::NoSocket) {
        GTEST_SKIP() << "neither an unprivileged ICMP datagram socket (net.ipv4.ping_group_range) nor a raw "
                        "socket (CAP_NET_RAW) is permitted here";
    }
    ASSERT_EQ(result.status, PingStatus::Replied);
    EXPECT_EQ(result.ttl, DefaultTtl()) << "loopback replies leave with the default TTL";
    EXPECT_LE(result.timeMs, 1000u) << "a reply counts only within the ping's second";
    EXPECT_EQ(PingResultText("127.0.0.1", result).rfind("\r\nReply from 127.0.0.1 : bytes32 time", 0), 0u);
}

TEST(Pinger, ABadAddressFailsWithoutWaiting) {
    Pinger pinger;
    const auto start = std::chrono::steady_clock::now();
    const PingResult result = pinger.Ping("300.1.2.3");
    if (result.status == PingStatus::NoSocket) GTEST_SKIP() << "no ICMP socket is permitted here";
    EXPECT_EQ(result.status, PingStatus::BadAddress);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(Pinger::kWaitMs))
        << "sooner than the wait for a reply";
}

struct CapturedRequest {
    std::uint16_t identifier;
    std::uint16_t sequence;
    bool operator==(const CapturedRequest&) const = default;
};

// Echo requests of the page's shape seen by a raw capture socket, in order.
std::vector<CapturedRequest> DrainRequests(const Fd& capture) {
    std::vector<CapturedRequest> requests;
    std::uint8_t buffer[1500];
    for (;;) {
        const ssize_t got = ::recv(capture.get(), buffer, sizeof buffer, MSG_DONTWAIT);
        if (got < 0) return requests;
        const std::size_t header = static_cast<std::size_t>(buffer[0] & 0x0F) * 4;
        if (static_cast<std::size_t>(got) != header + kEchoRequestSize || buffer[header] != 8) continue;
        const std::uint8_t* icmp = buffer + header;
        if (icmp[13] != 0x20 || icmp[44] != 0x3F) continue;
        requests.push_back({static_cast<std::uint16_t>(icmp[4] | icmp[5] << 8),
                            static_cast<std::uint16_t>(icmp[6] | icmp[7] << 8)});
    }
}

TEST(Pinger, ConsecutivePingsOnARawSocketCarryIdentifierAndSequenceOneThenTwo) {
    const Fd capture(::socket(AF_INET, SOCK_RAW | SOCK_CLOEXEC, IPPROTO_ICMP));
    if (capture.get() < 0) GTEST_SKIP() << "raw sockets need CAP_NET_RAW, which this process lacks";
    Pinger pinger(PingSocketKind::Raw);
    EXPECT_EQ(pinger.Ping("127.0.0.1").status, PingStatus::Replied);
    EXPECT_EQ(pinger.Ping("127.0.0.1").status, PingStatus::Replied);

    const auto requests = DrainRequests(capture);
    const CapturedRequest first{1, 1};
    const CapturedRequest second{2, 2};
    const auto one = std::find(requests.begin(), requests.end(), first);
    ASSERT_NE(one, requests.end());
    EXPECT_NE(std::find(one, requests.end(), second), requests.end());
}

// Runs `body` in a child process inside a fresh network namespace whose
// loopback is up, so its settings can be changed without touching the
// machine's. The child's exit code, or -1 when namespaces are not permitted.
int InPrivateNetwork(const std::function<int()>& body) {
    const pid_t child = ::fork();
    if (child == 0) {
        if (::unshare(CLONE_NEWNET) != 0) ::_exit(200);
        const Fd control(::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0));
        ifreq request{};
        std::snprintf(request.ifr_name, sizeof request.ifr_name, "lo");
        if (::ioctl(control.get(), SIOCGIFFLAGS, &request) != 0) ::_exit(201);
        request.ifr_flags = static_cast<short>(request.ifr_flags | IFF_UP);
        if (::ioctl(control.get(), SIOCSIFFLAGS, &request) != 0) ::_exit(201);
        ::_exit(body());
    }
    int status = 0;
    if (child < 0 || ::waitpid(child, &status, 0) != child || !WIFEXITED(status)) return -2;
    return WEXITSTATUS(status) == 200 ? -1 : WEXITSTATUS(status);
}

bool WriteSetting(const char* path, const char* value) {
    std::ofstream file(path);
    file << value;
    file.close();
    return static_cast<bool>(file);
}

TEST(Pinger, ADatagramSocketTakesTheTtlFromTheKernel) {
    const int outcome = InPrivateNetwork([] {
        if (!WriteSetting("/proc/sys/net/ipv4/ping_group_range", "0 2147483647")) return 10;
        Pinger pinger(PingSocketKind::Datagram);
        const PingResult first = pinger.Ping("127.0.0.1");
        const PingResult second = pinger.Ping("127.0.0.1");
        if (first.status != PingStatus::Replied || second.status != PingStatus::Replied) return 11;
        return first.ttl == DefaultTtl() && second.ttl == DefaultTtl() ? 0 : 12;
    });
    if (outcome == -1) GTEST_SKIP() << "network namespaces are not permitted here";
    EXPECT_EQ(outcome, 0) << "10: setting refused, 11: no reply, 12: wrong TTL";
}

TEST(Pinger, ItsOwnRequestIsNotTakenForTheReply) {
    // With echo answering switched off, the only ICMP a raw socket sees is the
    // request itself; the ping must wait out its second and fail.
    const int outcome = InPrivateNetwork([] {
        if (!WriteSetting("/proc/sys/net/ipv4/icmp_echo_ignore_all", "1")) return 10;
        Pinger pinger(PingSocketKind::Raw);
        const auto start = std::chrono::steady_clock::now();
        const PingResult result = pinger.Ping("127.0.0.1");
        const auto waited = std::chrono::steady_clock::now() - start;
        if (result.status == PingStatus::NoSocket) return 13;
        if (result.status != PingStatus::TimedOut) return 11;
        return waited >= 950ms && waited < testing::kHangLimit ? 0 : 12;
    });
    if (outcome == -1) GTEST_SKIP() << "network namespaces are not permitted here";
    if (outcome == 13) GTEST_SKIP() << "raw sockets need CAP_NET_RAW, which this process lacks";
    EXPECT_EQ(outcome, 0) << "10: setting refused, 11: a reply was accepted, 12: wrong wait";
}

}  // namespace
}  // namespace viz
