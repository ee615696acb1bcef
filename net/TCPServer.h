#pragma once

#include <sys/socket.h>

#include <atomic>
#include <chrono>
#include <cstddef>
#include <memory>
#include <mutex>
#include <thread>
#include <unordered_map>
#include <vector>

#include "net/ServerEvent.h"
#include "net/TCPCustom.h"

namespace viz {

// The TCP server of the server page: listens on one IPv4 port on every local
// address and serves every client from one event thread (epoll), which
// accepts, reads at most kReadLimit bytes per read and turns what happens
// into ServerEvents for the page's sink, in order.
//
//   CTCPServer server;
//   server.SetLocalPort(8888);
//   if (server.Start(sink) < 0) { /* server.lastError() says why */ }
//   client->Write(...);          // sends go to a client (see CTCPCustom)
//   // stopping: the sink first, so an event thread waiting in Push is let go
//   sink.Close();
//   server.Stop();
class CTCPServer {
public:
    static constexpr std::size_t kReadLimit = 1024;
    // Many boards connecting at once must not find a full accept queue (a
    // refused SYN costs the board a retry a second later); the system caps
    // the value at net.core.somaxconn.
    static constexpr int kBacklog = SOMAXCONN;

    // Results of Start() and Stop().
    static constexpr int kStarted = 1;
    static constexpr int kStopped = 1;
    // The socket could not be created, bound or put to listening.
    static constexpr int kListenFailed = -3;
    // The event thread (or what it waits on) could not be created.
    static constexpr int kThreadFailed = -1;
    // Descriptors the server leaves to the rest of the program (files, other
    // links, the monitor helper, a download) however many clients come.
    static constexpr std::size_t kDescriptorReserve = 128;

    CTCPServer() = default;
    ~CTCPServer();
    CTCPServer(const CTCPServer&) = delete;
    CTCPServer& operator=(const CTCPServer&) = delete;

    // Used as a 16-bit port by the next Start().
    void SetLocalPort(int port) { localPort_ = port; }
    int localPort() const { return localPort_; }

    // Stops a running server, then listens (SO_REUSEADDR, so a port just
    // closed can be taken again at once) and starts the event thread, which
    // pushes into `sink` until Stop(). The sink must outlive Stop().
    // kStarted, kListenFailed or kThreadFailed; lastError() has the errno.
    int Start(ServerEventSink& sink);

    // Closes the listening socket, then every client in connection order, and
    // empties the client list; no event follows. Fast whatever the number of
    // clients. Any thread but the event thread; the caller must not hold the
    // sink's delivery waiting (close the sink first). Always kStopped: Linux
    // releases a descriptor even when close() reports an error.
    int Stop();

    bool listening() const { return thread_.joinable(); }
    // How many clients it serves at once: what the descriptor limit leaves
    // at Start() beside the descriptors open then and the reserve. Further
    // clients wait in the system's queue, unread, until others leave.
    std::size_t clientLimit() const { return clientLimit_; }
    int lastError() const { return lastError_; }

    // The connected clients in connection order (the oldest first).
    std::vector<std::shared_ptr<CTCPCustom>> Clients() const;
    // The client at `position` of that order, or none.
    std::shared_ptr<CTCPCustom> ClientAt(std::size_t position) const;

private:
    void Run();
    // Takes waiting connections until none waits or the limit is reached.
    void Accept();
    void Read(const std::shared_ptr<CTCPCustom>& client);
    void End(const std::shared_ptr<CTCPCustom>& client, int readError);
    // Takes every record of `client` off the client list.
    void RemoveClient(const CTCPCustom& client);
    void Emit(ServerEventKind kind, std::shared_ptr<CTCPCustom> client, int error = 0);
    void PauseAccept();
    int ResumeAcceptTimeout();
    // The listening socket is watched unless the server is full or resting.
    void WatchListener();
    // At the client limit: stop watching the listening socket, tell the page.
    void BecomeFull();
    // A client left a full server: the waiting are taken, or the server says it accepts again.
    void RoomAfterEnd();
    void CloseDescriptors();

    int localPort_ = 0;
    int lastError_ = 0;
    int listen_ = -1;
    int epoll_ = -1;
    int wake_ = -1;
    ServerEventSink* sink_ = nullptr;
    std::thread thread_;
    std::atomic<bool> stop_{false};

    mutable std::mutex clientsMutex_;
    std::vector<std::shared_ptr<CTCPCustom>> clients_;

    // The event thread's own: the clients it watches, by epoll tag.
    std::unordered_map<const CTCPCustom*, std::shared_ptr<CTCPCustom>> watched_;
    // Out of descriptors: accepting waits until this time instead of spinning.
    std::chrono::steady_clock::time_point acceptResumes_{};
    bool acceptPaused_ = false;
    std::size_t clientLimit_ = 0;
    // At the client limit: the listening socket is not watched (its queue
    // would wake the loop for nothing) and the page has been told.
    bool full_ = false;
    // The page was told the server is full and not yet that it accepts again.
    bool saidFull_ = false;
};

}  // namespace viz
