#include "net/IcmpEcho.h"

#include <gtest/gtest.h>

#include <sys/socket.h>

#include <algorithm>
#include <vector>

#include "Patience.h"
#include "net/NetTestSupport.h"

namespace viz {
namespace {

using namespace std::chrono_literals;
using net_testing::Fd;

std::vector<std::uint8_t> FromHex(const std::string& hex) {
    std::vector<std::uint8_t> bytes;
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2) {
        bytes.push_back(static_cast<std::uint8_t>(std::stoi(hex.substr(i, 2), nullptr, 16)));
    }
    return bytes;
}

constexpr EchoRequest kRequest{1, 1, 0x12345678};

// The request turned into its reply, as an echoing host sends it back.
std::vector<std::uint8_t> ReplyTo(const EchoRequest& request) {
    const auto message = BuildEchoRequest(request);
    std::vector<std::uint8_t> reply(message.begin(), message.end());
    reply[0] = 0;
    return reply;
}

std::vector<std::uint8_t> WithIpHeader(std::vector<std::uint8_t> icmp, int ttl,
                                       std::size_t headerLength = 20) {
    // Sized once and copied into: GCC 12 at -O3 reports a false out-of-bounds
    // copy (-Warray-bounds) for an insert at the end of a filled vector.
    std::vector<std::uint8_t> datagram(headerLength + icmp.size(), 0);
    datagram[0] = static_cast<std::uint8_t>(0x40 | headerLength / 4);
    datagram[8] = static_cast<std::uint8_t>(ttl);
    datagram[9] = 1;
    std::copy(icmp.begin(), icmp.end(), datagram.begin() + static_cast<std::ptrdiff_t>(headerLength));
    return datagram;
}

TEST(EchoRequest, LayoutAndChecksumMatchAnIndependentEncoder) {
    // Built with Python's struct module: type 8, code 0, checksum, identifier
    // and sequence little-endian, a zero byte, the tick little-endian and
    // bytes 0x20..0x3F.
    const auto expected =
        FromHex("08008a60010001000078563412202122232425262728292a2b2c2d2e2f303132333435363738393a3b3c3d3e3f");
    const auto message = BuildEchoRequest(kRequest);
    EXPECT_EQ(std::vector<std::uint8_t>(message.begin(), message.end()), expected);
}

TEST(EchoRequest, InternetChecksumFollowsTheReferenceExample) {
    // The worked example of the checksum's defining document: words 0001
    // f203 f4f5 f6f7 sum to ddf2, whose complement is 220d.
    const auto words = FromHex("0001f203f4f5f6f7");
    EXPECT_EQ(InternetChecksum(words.data(), words.size()), 0x220D);
    // An odd last byte counts as the high half of a word.
    const auto odd = FromHex("0001f203f4f5f6f7ab");
    EXPECT_EQ(InternetChecksum(odd.data(), odd.size()), static_cast<std::uint16_t>(~(0xddf2 + 0xab00 + 1)));
    const auto message = BuildEchoRequest({7, 300, 99});
    EXPECT_EQ(InternetChecksum(message.data(), message.size()), 0)
        << "a message with its checksum sums to zero";
}

TEST(EchoReply, OnlyTheReplyToThisRequestIsAccepted) {
    auto reply = ReplyTo(kRequest);
    EXPECT_TRUE(AnswersRequest(reply.data(), reply.size(), kRequest, true));

    const auto ownRequest = BuildEchoRequest(kRequest);
    EXPECT_FALSE(AnswersRequest(ownRequest.data(), ownRequest.size(), kRequest, true));

    const auto otherIdentifier = ReplyTo({2, 1, kRequest.tick});
    EXPECT_FALSE(AnswersRequest(otherIdentifier.data(), otherIdentifier.size(), kRequest, true));
    EXPECT_TRUE(AnswersRequest(otherIdentifier.data(), otherIdentifier.size(), kRequest, false))
        << "a datagram socket's kernel puts its own identifier in";

    const auto otherSequence = ReplyTo({1, 2, kRequest.tick});
    EXPECT_FALSE(AnswersRequest(otherSequence.data(), otherSequence.size(), kRequest, false));
    const auto otherTick = ReplyTo({1, 1, kRequest.tick + 1});
    EXPECT_FALSE(AnswersRequest(otherTick.data(), otherTick.size(), kRequest, false));
    EXPECT_FALSE(AnswersRequest(reply.data(), 12, kRequest, true)) << "too short to carry the tick back";
}

TEST(EchoReply, RawDatagramsAreReadWithTheirRealHeaderLength) {
    const auto plain = WithIpHeader(ReplyTo(kRequest), 57);
    EXPECT_EQ(RawReplyTtl(plain.data(), plain.size(), kRequest), 57);
    const auto withOptions = WithIpHeader(ReplyTo(kRequest), 33, 24);
    EXPECT_EQ(RawReplyTtl(withOptions.data(), withOptions.size(), kRequest), 33);

    auto notIcmp = plain;
    notIcmp[9] = 17;
    EXPECT_FALSE(RawReplyTtl(notIcmp.data(), notIcmp.size(), kRequest).has_value());
    auto headerPastTheEnd = plain;
    headerPastTheEnd[0] = 0x4F;
    EXPECT_FALSE(RawReplyTtl(headerPastTheEnd.data(), 40, kRequest).has_value());
    EXPECT_FALSE(RawReplyTtl(plain.data(), 19, kRequest).has_value());
}

class EchoWait : public ::testing::Test {
protected:
    void SetUp() override {
        int pair[2];
        ASSERT_EQ(::socketpair(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0, pair), 0);
        reader = Fd(pair[0]);
        writer = Fd(pair[1]);
    }
    void Write(const std::vector<std::uint8_t>& datagram) {
        ASSERT_EQ(::send(writer.get(), datagram.data(), datagram.size(), 0),
                  static_cast<ssize_t>(datagram.size()));
    }

    Fd reader;
    Fd writer;
};

TEST_F(EchoWait, SkipsWhatDoesNotAnswerAndTakesTheReply) {
    const auto request = BuildEchoRequest(kRequest);
    Write(WithIpHeader({request.begin(), request.end()}, 64));
    Write(WithIpHeader(ReplyTo({1, 9, kRequest.tick}), 63));
    Write(WithIpHeader(ReplyTo({5, 1, kRequest.tick}), 62));
    Write(WithIpHeader(ReplyTo(kRequest), 42));
    const auto deadline = std::chrono::steady_clock::now() + testing::kHangLimit;
    EXPECT_EQ(AwaitEchoReply(reader.get(), EchoSocket::Raw, kRequest, deadline), 42);
}

TEST_F(EchoWait, KeepsWaitingUntilTheDeadlineWhenNothingAnswers) {
    Write(WithIpHeader(ReplyTo({1, 9, kRequest.tick}), 63));
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(AwaitEchoReply(reader.get(), EchoSocket::Raw, kRequest, start + 200ms).has_value());
    const auto waited = std::chrono::steady_clock::now() - start;
    EXPECT_GE(waited, 190ms);
    EXPECT_LT(waited, testing::kHangLimit);
}

TEST_F(EchoWait, DatagramRepliesComeWithoutHeaderAndWithTheKernelsIdentifier) {
    Write(ReplyTo({1, 2, kRequest.tick}));
    Write(ReplyTo({4711, 1, kRequest.tick}));
    const auto deadline = std::chrono::steady_clock::now() + 1s;
    // No TTL control message on this stand-in socket: the TTL reads 0.
    EXPECT_EQ(AwaitEchoReply(reader.get(), EchoSocket::Datagram, kRequest, deadline), 0);
}

}  // namespace
}  // namespace viz
