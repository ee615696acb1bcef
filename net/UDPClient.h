#pragma once

#include <netinet/in.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "net/LinkCore.h"
#include "net/LinkListener.h"
#include "net/LinkSlot.h"
#include "terminal/Chunk.h"

namespace viz {

// The network page's UDP link: a socket bound to the source port with a peer
// address. Each received datagram is one chunk, whole, and its sender becomes
// the peer, so sends after a reception go to whoever spoke last rather than to
// the address the link was opened with. Ownership and closing work as for
// CTCPClient; OnClosed follows a receive error or Close().
class CUDPClient {
public:
    // The largest IPv4 datagram payload; nothing received is cut short.
    static constexpr std::size_t kDatagramLimit = 65535;

    CUDPClient() = default;
    ~CUDPClient();
    CUDPClient(const CUDPClient&) = delete;
    CUDPClient& operator=(const CUDPClient&) = delete;

    // Closes an open link, binds to `sourcePort` (0: any) on every local
    // address and takes `address`:`destPort` as the peer; ports are used as
    // 16-bit values. True when the link is open and reading; false with
    // lastError() set otherwise.
    bool Open(const std::string& address, int sourcePort, int destPort, std::shared_ptr<ChunkSink> sink,
              std::shared_ptr<LinkListener> listener);

    // Always true; nothing on a closed channel.
    bool Close();

    // One datagram to the current peer, whole or not at all (EMSGSIZE when
    // too large); ENOTCONN while closed.
    WriteStep Write(const std::uint8_t* data, std::size_t size, const WriteWait& wait);

    LinkState state() const { return slot_.state(); }
    std::uint64_t link() const { return slot_.link(); }
    int lastError() const { return slot_.lastError(); }
    // Where the next send goes; unspecified when closed.
    sockaddr_in peer() const;

private:
    LinkSlot slot_;
};

}  // namespace viz
