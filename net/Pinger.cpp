#include "net/Pinger.h"

#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>

#include "net/IcmpEcho.h"
#include "net/NetTexts.h"

namespace viz {

namespace {

constexpr std::uint32_t kSlowReplyMs = 500;

std::uint32_t TickMs() {
    return static_cast<std::uint32_t>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                          std::chrono::steady_clock::now().time_since_epoch())
                                          .count());
}

class Descriptor {
public:
    explicit Descriptor(int fd) : fd_(fd) {}
    ~Descriptor() {
        if (fd_ >= 0) ::close(fd_);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return fd_; }

private:
    int fd_;
};

int OpenIcmpSocket(SocketOpener open, PingSocketKind wanted, EchoSocket& kind) {
    if (wanted != PingSocketKind::Raw) {
        const int fd = open(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, IPPROTO_ICMP);
        const int on = 1;
        if (fd >= 0 && ::setsockopt(fd, IPPROTO_IP, IP_RECVTTL, &on, sizeof on) == 0) {
            kind = EchoSocket::Datagram;
            return fd;
        }
        if (fd >= 0) ::close(fd);
        if (wanted == PingSocketKind::Datagram) return -1;
    }
    kind = EchoSocket::Raw;
    return open(AF_INET, SOCK_RAW | SOCK_CLOEXEC, IPPROTO_ICMP);
}

bool Resolve(const std::string& address, sockaddr_in& destination) {
    addrinfo hints{};
    hints.ai_family = AF_INET;
    addrinfo* found = nullptr;
    if (::getaddrinfo(address.c_str(), nullptr, &hints, &found) != 0 || found == nullptr) return false;
    destination = *reinterpret_cast<const sockaddr_in*>(found->ai_addr);
    destination.sin_port = 0;
    ::freeaddrinfo(found);
    return true;
}

}  // namespace

PingResult Pinger::Ping(const std::string& address) {
    PingResult result;
    EchoSocket kind = EchoSocket::Raw;
    const Descriptor socket(OpenIcmpSocket(open_, kind_, kind));
    if (socket.get() < 0) {
        // The datagram socket is refused outside net.ipv4.ping_group_range,
        // the raw one without CAP_NET_RAW: both say the user may not.
        result.status = errno == EACCES || errno == EPERM ? PingStatus::NotPermitted : PingStatus::NoSocket;
        return result;
    }
    sockaddr_in destination{};
    if (!Resolve(address, destination)) {
        result.status = PingStatus::BadAddress;
        return result;
    }
    EchoRequest request;
    request.identifier = identifier_++;
    request.sequence = sequence_++;
    request.tick = TickMs();
    const auto message = BuildEchoRequest(request);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kWaitMs);
    if (::sendto(socket.get(), message.data(), message.size(), MSG_NOSIGNAL,
                 reinterpret_cast<const sockaddr*>(&destination), sizeof destination) < 0) {
        result.status = PingStatus::SendFailed;
        return result;
    }
    const auto ttl = AwaitEchoReply(socket.get(), kind, request, deadline);
    if (!ttl) return result;
    result.status = PingStatus::Replied;
    result.timeMs = TickMs() - request.tick;
    result.ttl = *ttl;
    return result;
}

std::string PingResultText(const std::string& address, const PingResult& result) {
    if (result.status == PingStatus::NotPermitted) return net_texts::kPingNotPermitted;
    if (result.status != PingStatus::Replied || result.timeMs >= kSlowReplyMs)
        return net_texts::kPingTimedOut;
    std::string text(address.size() + 64, '\0');
    const int length = result.timeMs <= 1
                           ? std::snprintf(text.data(), text.size(), net_texts::kPingReplyUnderOneMs,
                                           address.c_str(), result.ttl)
                           : std::snprintf(text.data(), text.size(), net_texts::kPingReply, address.c_str(),
                                           result.timeMs, result.ttl);
    text.resize(static_cast<std::size_t>(length));
    return text;
}

}  // namespace viz
