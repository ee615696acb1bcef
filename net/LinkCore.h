#pragma once

#include <netinet/in.h>

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>

#include "net/LinkListener.h"
#include "terminal/Chunk.h"
#include "terminal/LinkWrite.h"

namespace viz {

enum class LinkState { Closed, Connecting, Open };

// What a channel shares with the thread of one open link. Both hold it by
// shared_ptr and the thread is never joined: Close() only asks it to stop,
// and the socket, the wake descriptor, the sink and the listener stay valid
// until the last of the two lets go.
class LinkCore {
public:
    // Takes ownership of `socketFd`; nullptr (socket closed) when the wake
    // descriptor cannot be made.
    static std::shared_ptr<LinkCore> Create(int socketFd, LinkState initial, std::shared_ptr<ChunkSink> sink,
                                            std::shared_ptr<LinkListener> listener);
    ~LinkCore();
    LinkCore(const LinkCore&) = delete;
    LinkCore& operator=(const LinkCore&) = delete;

    int socket() const { return socket_; }
    std::uint64_t link() const { return link_; }
    ChunkSink& sink() const { return *sink_; }
    LinkListener& listener() const { return *listener_; }

    LinkState state() const { return state_.load(); }
    void SetState(LinkState state) { state_.store(state); }

    // Asks the link thread to end and wakes every wait below; a stream
    // socket is also shut down so the peer sees the close at once.
    void Stop();
    bool stopping() const { return stop_.load(); }

    enum class Wait { Ready, Stopped, TimedOut, Failed };
    // Waits until the socket reports one of `events` (or an error/hang-up),
    // at most `timeoutMs` (negative: no limit), ending early on Stop().
    Wait WaitSocket(short events, int timeoutMs) const;

    // What the socket takes now, waiting for room as `wait` says; ENOTCONN
    // once Stop() was called. `to` is the datagram destination, null on a
    // connected socket.
    WriteStep Write(const std::uint8_t* data, std::size_t size, const WriteWait& wait,
                    const sockaddr_in* to) const;

    // The datagram peer: where sends go, replaced by every sender heard from.
    sockaddr_in peer() const;
    void SetPeer(const sockaddr_in& peer);

private:
    LinkCore(int socketFd, int wakeFd, LinkState initial, std::shared_ptr<ChunkSink> sink,
             std::shared_ptr<LinkListener> listener);

    const int socket_;
    const int wake_;
    const std::uint64_t link_;
    const std::shared_ptr<ChunkSink> sink_;
    const std::shared_ptr<LinkListener> listener_;
    std::atomic<LinkState> state_;
    std::atomic<bool> stop_{false};
    mutable std::mutex peerMutex_;
    sockaddr_in peer_{};
};

// Dotted IPv4 text and a port to a socket address; false for other text.
bool ParseIpv4(const std::string& text, int port, sockaddr_in& address);

// Of what a TCP socket took, the bytes the peer can no longer receive: those
// not yet acknowledged once the peer has closed or reset the connection. 0
// while the connection stands, after a close of this side's own (the queue
// still goes out), and for any other socket.
std::uint64_t UndeliveredBytes(int socketFd);

// SO_REUSEADDR, then bind to `port` on any local address. Returns 0 or the
// errno of the step that failed.
int BindSourcePort(int socketFd, int port);

}  // namespace viz
