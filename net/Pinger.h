#pragma once

#include <atomic>
#include <cstdint>
#include <string>

namespace viz {

// Which ICMP socket a ping uses. Automatic takes the unprivileged datagram
// socket where the system allows it and the raw socket otherwise.
enum class PingSocketKind { Automatic, Datagram, Raw };

enum class PingStatus {
    Replied,     // timeMs and ttl are valid
    TimedOut,    // no answer to this request within the wait
    NoSocket,    // neither allowed kind of ICMP socket could be made
    BadAddress,  // the text does not name an IPv4 host
    SendFailed,
};

struct PingResult {
    PingStatus status = PingStatus::TimedOut;
    std::uint32_t timeMs = 0;
    int ttl = 0;
};

// One echo request per Ping(), waiting at most kWaitMs for its own reply. The
// identifier and the sequence each start at 1 with the object and grow by one
// per ping; the network page owns one for the whole run.
class Pinger {
public:
    static constexpr int kWaitMs = 1000;

    explicit Pinger(PingSocketKind kind = PingSocketKind::Automatic) : kind_(kind) {}

    PingResult Ping(const std::string& address);

private:
    PingSocketKind kind_;
    std::atomic<std::uint16_t> identifier_{1};
    std::atomic<std::uint16_t> sequence_{1};
};

// The one line the page shows for a ping of `address`; a reply after 500 ms
// or more reads as a timeout.
std::string PingResultText(const std::string& address, const PingResult& result);

}  // namespace viz
