#include "net/UDPClient.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <optional>
#include <string>

#include "Patience.h"
#include "WriteSteps.h"
#include "net/NetTestSupport.h"

namespace viz {
namespace {

using namespace std::chrono_literals;
using net_testing::BoundLoopback;
using net_testing::CollectingSink;
using net_testing::Eventually;
using net_testing::Fd;
using net_testing::LocalPort;
using net_testing::Loopback;
using net_testing::Pattern;
using net_testing::RecordingListener;

std::vector<std::uint8_t> B(const std::string& text) {
    return {text.begin(), text.end()};
}

void SendTo(const Fd& from, int port, const std::vector<std::uint8_t>& data) {
    const sockaddr_in to = Loopback(port);
    ASSERT_EQ(
        ::sendto(from.get(), data.data(), data.size(), 0, reinterpret_cast<const sockaddr*>(&to), sizeof to),
        static_cast<ssize_t>(data.size()));
}

// The next datagram on `fd` within `limit`, or nothing.
std::optional<std::vector<std::uint8_t>> Receive(const Fd& fd, std::chrono::milliseconds limit = 20s) {
    pollfd wait{fd.get(), POLLIN, 0};
    if (::poll(&wait, 1, static_cast<int>(limit.count())) != 1) return std::nullopt;
    std::vector<std::uint8_t> data(65536);
    const ssize_t got = ::recv(fd.get(), data.data(), data.size(), 0);
    if (got < 0) return std::nullopt;
    data.resize(static_cast<std::size_t>(got));
    return data;
}

class UdpClient : public ::testing::Test {
protected:
    // Opens from a free source port towards `peer`; the source port.
    int Open(const Fd& peer) {
        const int source = LocalPort(BoundLoopback(SOCK_DGRAM).get());
        EXPECT_TRUE(client.Open("127.0.0.1", source, LocalPort(peer.get()), sink, listener));
        return source;
    }

    std::shared_ptr<CollectingSink> sink = std::make_shared<CollectingSink>();
    std::shared_ptr<RecordingListener> listener = std::make_shared<RecordingListener>();
    CUDPClient client;

    // What the channel's writes took of `bytes`, written as the send path does.
    std::size_t Send(const std::vector<std::uint8_t>& bytes) {
        return testing::WriteAll([this](auto... args) { return client.Write(args...); }, bytes).written;
    }
    Fd first = BoundLoopback(SOCK_DGRAM);
    Fd second = BoundLoopback(SOCK_DGRAM);
};

TEST_F(UdpClient, EachDatagramIsOneWholeChunk) {
    const int source = Open(first);
    EXPECT_EQ(client.state(), LinkState::Open);
    const auto large = Pattern(5000);
    SendTo(first, source, B("a"));
    SendTo(first, source, large);
    SendTo(first, source, B("xyz"));

    const auto chunks = sink->WaitForBytes(1 + large.size() + 3);
    ASSERT_EQ(chunks.size(), 3u);
    EXPECT_EQ(chunks[0].bytes, B("a"));
    EXPECT_EQ(chunks[1].bytes, large);
    EXPECT_EQ(chunks[2].bytes, B("xyz"));
}

TEST_F(UdpClient, ADatagramFromASecondSocketRedirectsTheNextSend) {
    const int source = Open(first);
    EXPECT_EQ(Send(B("one")), 3u);
    EXPECT_EQ(Receive(first), B("one"));

    SendTo(second, source, B("hi"));
    sink->WaitForBytes(2);
    EXPECT_EQ(ntohs(client.peer().sin_port), LocalPort(second.get()));
    EXPECT_EQ(Send(B("two")), 3u);
    EXPECT_EQ(Receive(second), B("two"));
    EXPECT_FALSE(Receive(first, 100ms).has_value());
}

TEST_F(UdpClient, AnEmptyDatagramKeepsTheLinkOpenAndNamesThePeer) {
    const int source = Open(first);
    SendTo(second, source, {});
    SendTo(second, source, B("x"));
    sink->WaitForBytes(1);

    EXPECT_EQ(sink->Chunks().size(), 1u);
    EXPECT_EQ(client.state(), LinkState::Open);
    EXPECT_TRUE(listener->Closed().empty());
    EXPECT_EQ(Send(B("y")), 1u);
    EXPECT_EQ(Receive(second), B("y"));
}

TEST_F(UdpClient, ZeroLengthSendsReturnZeroAndSendNothing) {
    EXPECT_EQ(Send(B("closed")), 0u);
    Open(first);
    EXPECT_EQ(Send({}), 0u);
    EXPECT_EQ(Send({}), 0u);
    EXPECT_FALSE(Receive(first, 100ms).has_value()) << "not even an empty datagram";
}

TEST_F(UdpClient, CloseGivesOneNoticeAndThePortCanBeBoundAgainAtOnce) {
    const int source = Open(first);
    const std::uint64_t link = client.link();
    EXPECT_TRUE(client.Close());
    EXPECT_TRUE(client.Close());
    EXPECT_EQ(client.state(), LinkState::Closed);
    EXPECT_EQ(listener->WaitClosed(), std::vector<std::uint64_t>{link});
    EXPECT_TRUE(Eventually([&] { return sink.use_count() == 1 && listener.use_count() == 1; }));

    auto again = std::make_shared<RecordingListener>();
    ASSERT_TRUE(client.Open("127.0.0.1", source, LocalPort(first.get()), sink, again));
    SendTo(first, source, B("back"));
    sink->WaitForBytes(4);
    EXPECT_EQ(sink->Bytes(), B("back"));
    EXPECT_TRUE(testing::WaitUntilOthersSleep());
    EXPECT_EQ(listener->Closed().size(), 1u);
}

TEST_F(UdpClient, OpenOnAPortHeldWithoutSharingFailsAndStaysClosed) {
    const Fd holder = BoundLoopback(SOCK_DGRAM);
    EXPECT_FALSE(client.Open("127.0.0.1", LocalPort(holder.get()), LocalPort(first.get()), sink, listener));
    EXPECT_EQ(client.lastError(), EADDRINUSE);
    EXPECT_EQ(client.state(), LinkState::Closed);
    EXPECT_FALSE(client.Open("not an address", 0, 1, sink, listener));
    EXPECT_EQ(client.lastError(), EINVAL);
    EXPECT_EQ(Send(B("x")), 0u);
}

}  // namespace
}  // namespace viz
