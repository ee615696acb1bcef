#pragma once

#include <sys/socket.h>

#include <atomic>
#include <cstdint>
#include <string>

namespace viz {

// Which ICMP socket a ping uses. Automatic takes the unprivileged datagram
// socket where the system allows it and the raw socket otherwise.
enum class PingSocketKind { Automatic, Datagram, Raw };

enum class PingStatus {
    Replied,       // timeMs and ttl are valid
    TimedOut,      // no answer to this request within the wait
    NoSocket,      // neither allowed kind of ICMP socket could be made
    NotPermitted,  // the system lets this user open no ICMP socket
    BadAddress,    // the text does not name an IPv4 host
    SendFailed,
};

struct PingResult {
    PingStatus status = PingStatus::TimedOut;
    std::uint32_t timeMs = 0;
    int ttl = 0;
};

// How a ping opens its socket: ::socket, or a test's stand-in.
using SocketOpener = int (*)(int domain, int type, int protocol);

// One echo request per Ping(), waiting at most kWaitMs for its own reply. The
// identifier and the sequence each start at 1 with the object and grow by one
// per ping; the network page owns one for the whole run.
class Pinger {
public:
    static constexpr int kWaitMs = 1000;

    explicit Pinger(PingSocketKind kind = PingSocketKind::Automatic, SocketOpener open = &::socket)
        : kind_(kind), open_(open) {}

    PingResult Ping(const std::string& address);

private:
    PingSocketKind kind_;
    SocketOpener open_;
    std::atomic<std::uint16_t> identifier_{1};
    std::atomic<std::uint16_t> sequence_{1};
};

// The one line the page shows for a ping of `address`; a reply after 500 ms
// or more reads as a timeout. A ping the system does not permit says so and
// names the setting that permits it.
std::string PingResultText(const std::string& address, const PingResult& result);

}  // namespace viz
