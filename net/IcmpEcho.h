#pragma once

#include <array>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>

namespace viz {

// One echo request as the page sends it: type 8, code 0, checksum, then the
// identifier and sequence little-endian, a zero byte, the millisecond tick of
// sending little-endian and the 32 payload bytes 0x20..0x3F.
inline constexpr std::size_t kEchoRequestSize = 45;

struct EchoRequest {
    std::uint16_t identifier = 0;
    std::uint16_t sequence = 0;
    std::uint32_t tick = 0;
};

std::array<std::uint8_t, kEchoRequestSize> BuildEchoRequest(const EchoRequest& request);

// The Internet checksum (one's complement of the one's complement sum of
// big-endian 16-bit words, an odd last byte padded with zero), in the order
// it is stored on the wire: high byte first.
std::uint16_t InternetChecksum(const std::uint8_t* data, std::size_t size);

// Whether an ICMP message is the echo reply to `request`: type 0, the same
// sequence and echoed tick, and the same identifier when `checkIdentifier`
// (a datagram socket's kernel replaces the identifier with its own and only
// passes on replies carrying it).
bool AnswersRequest(const std::uint8_t* icmp, std::size_t size, const EchoRequest& request,
                    bool checkIdentifier);

// A raw socket's datagram (IPv4 header first, of any header length): the TTL
// when it carries the reply to `request`.
std::optional<int> RawReplyTtl(const std::uint8_t* datagram, std::size_t size, const EchoRequest& request);

enum class EchoSocket { Datagram, Raw };

// Reads `fd` until `deadline`, skipping everything that does not answer
// `request` (a raw socket also sees the request itself and other programs'
// traffic). The TTL of the reply: from the IP header on a raw socket, from
// the IP_RECVTTL control message on a datagram socket (0 without one).
std::optional<int> AwaitEchoReply(int fd, EchoSocket kind, const EchoRequest& request,
                                  std::chrono::steady_clock::time_point deadline);

}  // namespace viz
