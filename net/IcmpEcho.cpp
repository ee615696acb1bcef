#include "net/IcmpEcho.h"

#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>

#include <cerrno>
#include <cstring>

namespace viz {

namespace {

constexpr std::uint8_t kEchoReplyType = 0;
constexpr std::uint8_t kEchoRequestType = 8;
constexpr std::size_t kIpv4MinimumHeader = 20;
// Header, identifier, sequence, the zero byte and the tick: what a reply must
// carry back to be matched.
constexpr std::size_t kEchoedPart = 13;

void PutLittle16(std::uint8_t* at, std::uint16_t value) {
    at[0] = static_cast<std::uint8_t>(value);
    at[1] = static_cast<std::uint8_t>(value >> 8);
}

std::uint16_t Little16(const std::uint8_t* at) {
    return static_cast<std::uint16_t>(at[0] | at[1] << 8);
}

std::uint32_t Little32(const std::uint8_t* at) {
    return static_cast<std::uint32_t>(at[0]) | static_cast<std::uint32_t>(at[1]) << 8 |
           static_cast<std::uint32_t>(at[2]) << 16 | static_cast<std::uint32_t>(at[3]) << 24;
}

int RemainingMs(std::chrono::steady_clock::time_point deadline) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now())
            .count();
    return left > 0 ? static_cast<int>(left) : 0;
}

// One datagram and, on a datagram socket, its TTL control message.
std::optional<int> ReceiveReply(int fd, EchoSocket kind, const EchoRequest& request, bool& failed) {
    std::uint8_t buffer[1500];
    alignas(cmsghdr) std::uint8_t control[CMSG_SPACE(sizeof(int))];
    iovec part{buffer, sizeof buffer};
    msghdr message{};
    message.msg_iov = &part;
    message.msg_iovlen = 1;
    message.msg_control = control;
    message.msg_controllen = sizeof control;
    const ssize_t received = ::recvmsg(fd, &message, MSG_DONTWAIT);
    if (received < 0) {
        failed = errno != EINTR && errno != EAGAIN && errno != EWOULDBLOCK;
        return std::nullopt;
    }
    const auto size = static_cast<std::size_t>(received);
    if (kind == EchoSocket::Raw) return RawReplyTtl(buffer, size, request);
    if (!AnswersRequest(buffer, size, request, false)) return std::nullopt;
    for (cmsghdr* item = CMSG_FIRSTHDR(&message); item != nullptr; item = CMSG_NXTHDR(&message, item)) {
        if (item->cmsg_level == IPPROTO_IP && item->cmsg_type == IP_TTL) {
            int ttl = 0;
            std::memcpy(&ttl, CMSG_DATA(item), sizeof ttl);
            return ttl;
        }
    }
    return 0;
}

}  // namespace

std::array<std::uint8_t, kEchoRequestSize> BuildEchoRequest(const EchoRequest& request) {
    std::array<std::uint8_t, kEchoRequestSize> message{};
    message[0] = kEchoRequestType;
    PutLittle16(&message[4], request.identifier);
    PutLittle16(&message[6], request.sequence);
    for (int i = 0; i < 4; ++i) message[9 + i] = static_cast<std::uint8_t>(request.tick >> (8 * i));
    for (std::size_t i = 0; i < 32; ++i) message[13 + i] = static_cast<std::uint8_t>(0x20 + i);
    const std::uint16_t checksum = InternetChecksum(message.data(), message.size());
    message[2] = static_cast<std::uint8_t>(checksum >> 8);
    message[3] = static_cast<std::uint8_t>(checksum);
    return message;
}

std::uint16_t InternetChecksum(const std::uint8_t* data, std::size_t size) {
    std::uint32_t sum = 0;
    for (std::size_t i = 0; i + 1 < size; i += 2)
        sum += static_cast<std::uint32_t>(data[i] << 8 | data[i + 1]);
    if (size % 2 != 0) sum += static_cast<std::uint32_t>(data[size - 1] << 8);
    sum = (sum >> 16) + (sum & 0xFFFF);
    sum += sum >> 16;
    return static_cast<std::uint16_t>(~sum);
}

bool AnswersRequest(const std::uint8_t* icmp, std::size_t size, const EchoRequest& request,
                    bool checkIdentifier) {
    if (size < kEchoedPart || icmp[0] != kEchoReplyType) return false;
    if (checkIdentifier && Little16(icmp + 4) != request.identifier) return false;
    return Little16(icmp + 6) == request.sequence && Little32(icmp + 9) == request.tick;
}

std::optional<int> RawReplyTtl(const std::uint8_t* datagram, std::size_t size, const EchoRequest& request) {
    if (size < kIpv4MinimumHeader || datagram[0] >> 4 != 4 || datagram[9] != IPPROTO_ICMP)
        return std::nullopt;
    const std::size_t headerLength = static_cast<std::size_t>(datagram[0] & 0x0F) * 4;
    if (headerLength < kIpv4MinimumHeader || headerLength > size) return std::nullopt;
    if (!AnswersRequest(datagram + headerLength, size - headerLength, request, true)) return std::nullopt;
    return datagram[8];
}

std::optional<int> AwaitEchoReply(int fd, EchoSocket kind, const EchoRequest& request,
                                  std::chrono::steady_clock::time_point deadline) {
    for (;;) {
        pollfd wait{fd, POLLIN, 0};
        const int ready = ::poll(&wait, 1, RemainingMs(deadline));
        if (ready == 0) return std::nullopt;
        if (ready < 0) {
            if (errno == EINTR) continue;
            return std::nullopt;
        }
        bool failed = false;
        if (const auto ttl = ReceiveReply(fd, kind, request, failed)) return ttl;
        if (failed || std::chrono::steady_clock::now() >= deadline) return std::nullopt;
    }
}

}  // namespace viz
