#include "net/TCPClient.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <string>

#include "Patience.h"
#include "WriteSteps.h"
#include "net/NetTestSupport.h"

namespace viz {
namespace {

using namespace std::chrono_literals;
using net_testing::AcceptWithin;
using net_testing::BoundLoopback;
using net_testing::CollectingSink;
using net_testing::Eventually;
using net_testing::Fd;
using net_testing::Listening;
using net_testing::LocalPort;
using net_testing::Loopback;
using net_testing::Pattern;
using net_testing::ReadUpTo;
using net_testing::RecordingListener;

std::vector<std::uint8_t> B(const std::string& text) {
    return {text.begin(), text.end()};
}

// A port nothing else uses right now, for tests that bind a source port.
int FreePort() {
    Fd probe = BoundLoopback(SOCK_STREAM);
    return LocalPort(probe.get());
}

class TcpClient : public ::testing::Test {
protected:
    // Opens to 127.0.0.1:`port` and waits for the outcome: 0 or the errno.
    int Connect(int port, int sourcePort = 0) {
        if (!client.Open("127.0.0.1", sourcePort, port, sink, listener)) return client.lastError();
        const auto events = listener->WaitConnected();
        if (events.size() != 1) return -1;
        EXPECT_EQ(events.front().first, client.link());
        return events.front().second;
    }

    std::shared_ptr<CollectingSink> sink = std::make_shared<CollectingSink>();
    std::shared_ptr<RecordingListener> listener = std::make_shared<RecordingListener>();
    CTCPClient client;

    // What the channel's writes took of `bytes`, written as the send path does.
    std::size_t Send(const std::vector<std::uint8_t>& bytes) {
        return testing::WriteAll([this](auto... args) { return client.Write(args...); }, bytes).written;
    }
};

TEST_F(TcpClient, OpenToAPortWhereNothingListensFailsAndLeavesTheLinkClosed) {
    const Fd reserved = BoundLoopback(SOCK_STREAM);
    EXPECT_EQ(Connect(LocalPort(reserved.get())), ECONNREFUSED);
    EXPECT_EQ(client.state(), LinkState::Closed);
    EXPECT_EQ(Send(B("x")), 0u);
    EXPECT_TRUE(testing::WaitUntilOthersSleep());
    EXPECT_TRUE(listener->Closed().empty()) << "a link that never opened has no end to report";
    EXPECT_TRUE(client.Close());
    EXPECT_TRUE(Eventually([&] { return sink.use_count() == 1 && listener.use_count() == 1; }));
}

TEST_F(TcpClient, AConnectWithoutAnswerCanBeGivenUpAndEndsAtTheLimit) {
    // A listener with a full accept queue drops further connection requests,
    // which is what an address that does not answer looks like.
    const Fd server = Listening(0);
    const int port = LocalPort(server.get());
    const Fd filler(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
    const sockaddr_in address = Loopback(port);
    ASSERT_EQ(::connect(filler.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);

    ASSERT_TRUE(client.Open("127.0.0.1", 0, port, sink, listener));
    const std::uint64_t given = client.link();
    std::this_thread::sleep_for(300ms);
    EXPECT_EQ(client.state(), LinkState::Connecting);
    EXPECT_TRUE(listener->Connected().empty());
    auto start = std::chrono::steady_clock::now();
    EXPECT_TRUE(client.Close());
    EXPECT_EQ(client.state(), LinkState::Closed);
    auto events = listener->WaitConnected();
    EXPECT_LT(std::chrono::steady_clock::now() - start, testing::kHangLimit);
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events.front(), std::make_pair(given, ECANCELED));

    auto timed = std::make_shared<RecordingListener>();
    client.SetConnectLimit(300ms);
    start = std::chrono::steady_clock::now();
    ASSERT_TRUE(client.Open("127.0.0.1", 0, port, sink, timed));
    events = timed->WaitConnected();
    const auto waited = std::chrono::steady_clock::now() - start;
    EXPECT_GE(waited, 250ms);
    EXPECT_LT(waited, testing::kHangLimit);
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events.front(), std::make_pair(client.link(), ETIMEDOUT));
    EXPECT_EQ(client.state(), LinkState::Closed);
    EXPECT_TRUE(timed->Closed().empty());
    EXPECT_EQ(listener->Connected().size(), 1u) << "one outcome per open";
}

TEST_F(TcpClient, EchoRoundTripFromTheChosenSourcePort) {
    const Fd server = Listening();
    const int source = FreePort();
    ASSERT_EQ(Connect(LocalPort(server.get()), source), 0);
    EXPECT_EQ(client.state(), LinkState::Open);
    const Fd peer = AcceptWithin(server.get());
    ASSERT_GE(peer.get(), 0);
    sockaddr_in from{};
    socklen_t length = sizeof from;
    ::getpeername(peer.get(), reinterpret_cast<sockaddr*>(&from), &length);
    EXPECT_EQ(ntohs(from.sin_port), source);

    EXPECT_EQ(Send(B("hello")), 5u);
    const auto heard = ReadUpTo(peer.get(), 5);
    EXPECT_EQ(heard, B("hello"));
    ASSERT_EQ(::send(peer.get(), heard.data(), heard.size(), 0), 5);
    sink->WaitForBytes(5);
    EXPECT_EQ(sink->Bytes(), B("hello"));
}

TEST_F(TcpClient, ABurstArrivesInOrderInChunksOfAtMost4096Bytes) {
    const Fd server = Listening();
    ASSERT_EQ(Connect(LocalPort(server.get())), 0);
    const Fd peer = AcceptWithin(server.get());
    const auto burst = Pattern(10000);
    ASSERT_EQ(::send(peer.get(), burst.data(), burst.size(), 0), 10000);

    const auto chunks = sink->WaitForBytes(burst.size());
    std::vector<std::uint8_t> joined;
    for (std::size_t i = 0; i < chunks.size(); ++i) {
        EXPECT_GT(chunks[i].bytes.size(), 0u);
        EXPECT_LE(chunks[i].bytes.size(), CTCPClient::kChunkLimit);
        if (i > 0) {
            EXPECT_GE(chunks[i].readTime, chunks[i - 1].readTime);
        }
        joined.insert(joined.end(), chunks[i].bytes.begin(), chunks[i].bytes.end());
    }
    EXPECT_GE(chunks.size(), 3u);
    EXPECT_EQ(joined, burst);
}

TEST_F(TcpClient, PeerCloseGivesOneNoticeAndClosingTwiceDoesNothing) {
    const Fd server = Listening();
    ASSERT_EQ(Connect(LocalPort(server.get())), 0);
    const std::uint64_t link = client.link();
    Fd peer = AcceptWithin(server.get());
    ASSERT_EQ(::send(peer.get(), "last", 4, 0), 4);
    peer.Reset();

    EXPECT_EQ(listener->WaitClosed(), std::vector<std::uint64_t>{link});
    EXPECT_EQ(sink->Bytes(), B("last")) << "data sent before the close comes before the notice";
    EXPECT_TRUE(client.Close());
    EXPECT_EQ(client.state(), LinkState::Closed);
    EXPECT_EQ(client.link(), 0u);
    EXPECT_TRUE(client.Close());
    EXPECT_EQ(Send(B("x")), 0u);
    EXPECT_TRUE(testing::WaitUntilOthersSleep());
    EXPECT_EQ(listener->Closed().size(), 1u);
}

TEST_F(TcpClient, CloseEndsTheLinkWithOneNoticeAndLetsGoOfSinkAndListener) {
    const Fd server = Listening();
    ASSERT_EQ(Connect(LocalPort(server.get())), 0);
    const std::uint64_t link = client.link();
    const Fd peer = AcceptWithin(server.get());

    EXPECT_TRUE(client.Close());
    char byte = 0;
    pollfd wait{peer.get(), POLLIN, 0};
    ASSERT_EQ(::poll(&wait, 1, 2000), 1);
    EXPECT_EQ(::recv(peer.get(), &byte, 1, 0), 0) << "the peer sees the end at once";
    EXPECT_EQ(listener->WaitClosed(), std::vector<std::uint64_t>{link});
    EXPECT_TRUE(Eventually([&] { return sink.use_count() == 1 && listener.use_count() == 1; }));
    EXPECT_TRUE(client.Close());
    EXPECT_EQ(listener->Closed().size(), 1u);
}

TEST_F(TcpClient, CloseReturnsAtOnceWhileTheReaderWaitsOnABusySink) {
    const Fd server = Listening();
    sink->Hold();
    ASSERT_EQ(Connect(LocalPort(server.get())), 0);
    const std::uint64_t link = client.link();
    const Fd peer = AcceptWithin(server.get());
    ASSERT_EQ(::send(peer.get(), "x", 1, 0), 1);
    ASSERT_TRUE(sink->WaitForPushCall());

    const auto start = std::chrono::steady_clock::now();
    EXPECT_TRUE(client.Close());
    EXPECT_LT(std::chrono::steady_clock::now() - start, testing::kHangLimit) << "the sink is held until told";
    EXPECT_TRUE(listener->Closed().empty());

    sink->Close();
    EXPECT_EQ(listener->WaitClosed(), std::vector<std::uint64_t>{link});
    EXPECT_TRUE(sink->Chunks().empty());
    EXPECT_TRUE(Eventually([&] { return sink.use_count() == 1 && listener.use_count() == 1; }));
}

// A peer that stops reading: writes take what the socket holds, then wait
// as long as they are told; Close ends a write waiting without limit at
// once, and the peer got exactly what the writes reported.
TEST_F(TcpClient, AWriteToAPeerThatStopsReadingWaitsUntilCloseEndsItAtOnce) {
    const Fd server = Listening();
    ASSERT_EQ(Connect(LocalPort(server.get())), 0);
    const Fd peer = AcceptWithin(server.get());
    const auto data = Pattern(64u << 20);
    const testing::CloseUnderWrite run = testing::CloseUnderAWaitingWrite(
        [this](auto... args) { return client.Write(args...); }, [this] { client.Close(); }, data);
    EXPECT_GT(run.filled.written, 0u);
    ASSERT_LT(run.filled.written, data.size());
    EXPECT_EQ(run.filled.error, EAGAIN);
    EXPECT_EQ(run.errorBeforeClose, 0) << "still waiting for room";
    EXPECT_LT(run.closeTook, testing::kHangLimit);
    EXPECT_EQ(run.errorAfterClose, ENOTCONN);
    const auto arrived = ReadUpTo(peer.get(), data.size(), 300ms);
    ASSERT_EQ(arrived.size(), run.filled.written);
    EXPECT_TRUE(std::equal(arrived.begin(), arrived.end(), data.begin()));
}

TEST_F(TcpClient, ZeroLengthSendsReturnZeroAndSendNothing) {
    EXPECT_EQ(Send({}), 0u);
    const Fd server = Listening();
    ASSERT_EQ(Connect(LocalPort(server.get())), 0);
    const Fd peer = AcceptWithin(server.get());
    EXPECT_EQ(Send({}), 0u);
    EXPECT_EQ(Send({}), 0u);
    EXPECT_EQ(Send(B("m")), 1u);
    EXPECT_EQ(ReadUpTo(peer.get(), 1), B("m")) << "nothing came before the marker";
}

TEST_F(TcpClient, ReopeningFromTheSameSourcePortSucceedsAtOnce) {
    const Fd first = Listening();
    const Fd second = Listening();
    const int source = FreePort();
    ASSERT_EQ(Connect(LocalPort(first.get()), source), 0);
    const std::uint64_t firstLink = client.link();
    const Fd firstPeer = AcceptWithin(first.get());

    // Opening again closes the open link first; its port is still held by
    // the old connection, which SO_REUSEADDR lets the new socket share.
    auto again = std::make_shared<RecordingListener>();
    ASSERT_TRUE(client.Open("127.0.0.1", source, LocalPort(second.get()), sink, again));
    const auto events = again->WaitConnected();
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events.front(), std::make_pair(client.link(), 0));
    EXPECT_NE(client.link(), firstLink);
    EXPECT_EQ(listener->WaitClosed(), std::vector<std::uint64_t>{firstLink});
    const Fd secondPeer = AcceptWithin(second.get());
    ASSERT_GE(secondPeer.get(), 0);
    EXPECT_EQ(Send(B("ok")), 2u);
    EXPECT_EQ(ReadUpTo(secondPeer.get(), 2), B("ok"));
    EXPECT_TRUE(again->Closed().empty());
}

}  // namespace
}  // namespace viz
