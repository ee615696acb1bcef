#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string>

#include "terminal/LinkWrite.h"

namespace viz {

// One client the TCP server accepted. The server, its events, the page's
// client list and a send in progress all hold it by shared_ptr, so it lives
// as long as anything refers to it; the socket is closed only then, and
// until then a closed client is merely shut down (a late write gets
// ENOTCONN, never another connection that reused the descriptor number).
class CTCPCustom {
public:
    // Takes ownership of the accepted, non-blocking `socketFd`.
    CTCPCustom(int socketFd, std::string address, int port);
    ~CTCPCustom();
    CTCPCustom(const CTCPCustom&) = delete;
    CTCPCustom& operator=(const CTCPCustom&) = delete;

    // Never reused within a run, so it tells clients apart even when a new
    // one comes from the address and port of one that left.
    std::uint64_t id() const { return id_; }
    // The peer's IPv4 address in dotted form and its port.
    const std::string& address() const { return address_; }
    int port() const { return port_; }
    int socket() const { return socket_; }

    // What the connection takes now, waiting for room as `wait` says; the
    // send path's writer thread calls it. ENOTCONN once the client is closed.
    // Any other failure than a full buffer closes the client at once; the
    // server's event thread then reports the error and the closure.
    WriteStep Write(const std::uint8_t* data, std::size_t size, const WriteWait& wait);

    // Ends the connection from this side: the peer sees the close, a write
    // waiting for room returns, and the server's event thread retires the
    // client. Any thread; more than once is harmless.
    void Close();
    bool closed() const { return closed_.load(); }
    // Of what Write() took, the bytes the peer can no longer receive (see
    // UndeliveredBytes). Any thread.
    std::uint64_t Undelivered() const;
    // The errno of the write that failed and closed the client, or 0.
    int sendError() const { return sendError_.load(); }

private:
    const int socket_;
    const std::uint64_t id_;
    const std::string address_;
    const int port_;
    std::atomic<bool> closed_{false};
    std::atomic<int> sendError_{0};
};

}  // namespace viz
