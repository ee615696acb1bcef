#pragma once

#include <atomic>
#include <chrono>
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

// The network page's TCP client link. Opening never blocks the caller: the
// connect runs on the link's thread, which reports its outcome through
// LinkListener::OnConnected and then reads, pushing chunks of at most
// kChunkLimit bytes into the sink in arrival order. A connect that gets no
// answer gives up after the connect limit; Close() gives it up at once.
//
// Close() does not wait for the link thread. The thread shares the socket,
// the sink and the listener through shared ownership, so it can finish its
// current step after Close() returns without touching anything released; it
// then reports OnClosed and lets go. An owner that must see no chunk after
// Close() closes its sink first (Push then returns false).
class CTCPClient {
public:
    static constexpr std::size_t kChunkLimit = 4096;
    static constexpr std::chrono::milliseconds kDefaultConnectLimit{10000};

    CTCPClient() = default;
    ~CTCPClient();
    CTCPClient(const CTCPClient&) = delete;
    CTCPClient& operator=(const CTCPClient&) = delete;

    // Closes an open link, binds a new socket to `sourcePort` (0: any) and
    // starts connecting to `address` (dotted IPv4) at `destPort`; ports are
    // used as 16-bit values. True when the connect is under way (exactly one
    // OnConnected follows); false when it failed at once, with lastError()
    // telling why and the channel closed.
    bool Open(const std::string& address, int sourcePort, int destPort, std::shared_ptr<ChunkSink> sink,
              std::shared_ptr<LinkListener> listener);

    // Ends the link or gives up the connect; always true, nothing on a closed
    // channel.
    bool Close();

    // What the link takes now, waiting for room as `wait` says; ENOTCONN
    // while not open. Safe on the send path's writer thread: Close() ends a
    // waiting write at once.
    WriteStep Write(const std::uint8_t* data, std::size_t size, const WriteWait& wait);

    // Of the bytes Write() took on the link open now or closed last, those
    // the peer can no longer receive (see UndeliveredBytes). Any thread.
    std::uint64_t Undelivered() const;

    LinkState state() const { return slot_.state(); }
    // The number of the link opened last and not closed since; 0 when none.
    std::uint64_t link() const { return slot_.link(); }
    // errno of the last Open() that returned false.
    int lastError() const { return slot_.lastError(); }

    // Applies to later opens; call it from the thread that opens.
    void SetConnectLimit(std::chrono::milliseconds limit) { connectLimit_ = limit; }

private:
    LinkSlot slot_;
    // Undelivered() of the link Close() ended, taken before its socket goes.
    std::atomic<std::uint64_t> closedUndelivered_{0};
    std::chrono::milliseconds connectLimit_ = kDefaultConnectLimit;
};

}  // namespace viz
