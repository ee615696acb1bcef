#pragma once

// The monitor helper's service: a local socket answering the start, stop,
// size and fetch requests (see SerMonProtocol.h) for any number of watched
// ports, all in one thread around poll(). A watch ends with its stop
// request or when the connection that started it closes, so a page that
// goes away never leaves a port held. A connection may only name the
// watches it started: any other identifier, guessed or of a watch that has
// ended, is answered as no such watch. A failure while one request or one
// watch is handled is answered or ends that watch alone; every other watch
// goes on.
//
//   SerMonServer server(DefaultSocketPath());
//   if (int error = server.Listen()) ...;   // EADDRINUSE: a helper already answers there
//   server.Run(stopFd);                       // until stopFd becomes readable

#include <cstdint>
#include <filesystem>
#include <list>
#include <map>
#include <memory>
#include <vector>

#include <poll.h>

#include "serial/SerMonProtocol.h"
#include "sermon/SerMonWatch.h"

namespace viz::sermon {

class SerMonServer {
public:
    explicit SerMonServer(std::filesystem::path socketPath);
    // Ends every watch (their aliases disappear) and removes the socket.
    ~SerMonServer();
    SerMonServer(const SerMonServer&) = delete;
    SerMonServer& operator=(const SerMonServer&) = delete;

    // Creates the socket's folder (only the user may enter it) and the
    // socket (only the user may connect). Returns 0 or errno.
    int Listen();
    void Run(int stopFd);

private:
    struct Client {
        int fd = -1;
        FrameReader in;
        Bytes out;
        std::size_t outStart = 0;
    };
    struct Watch {
        std::unique_ptr<SerMonWatch> port;
        Client* owner = nullptr;
    };
    // A size request waiting for a record.
    struct Pending {
        Client* client;
        std::uint32_t tag;
        std::uint32_t watch;
    };

    using Watches = std::map<std::uint32_t, Watch>;

    // One pass around poll(); false once stopFd became readable or poll failed.
    bool Round(int stopFd);
    void Accept();
    // False when the client is to be dropped.
    bool ReadFrom(Client& client);
    bool WriteTo(Client& client);
    void Drop(Client* client);
    // Answers every pending size request of the watch with `status`, then ends it.
    void EndWatch(Watches::iterator watch, std::int32_t status);
    void HandleWatches(const pollfd* fds);
    // Serves one request; a failure inside is answered as its error code.
    void Serve(Client& client, const Frame& request);
    void Dispatch(Client& client, const Frame& request);
    // The watch the request names, if this client started it; otherwise
    // answers "no such watch" and returns the end.
    Watches::iterator OwnedWatch(Client& client, const Frame& request);
    void Start(Client& client, const Frame& request);
    void Stop(Client& client, const Frame& request);
    void Size(Client& client, const Frame& request);
    void Fetch(Client& client, const Frame& request);
    void Answer(Client& client, const Frame& request, std::int32_t status, const Bytes& output = {});
    void AnswerSize(Client& client, std::uint32_t tag, std::int32_t status, const Bytes& output = {});
    void AnswerPending();
    std::filesystem::path FreeAlias(const std::string& device) const;

    const std::filesystem::path socketPath_;
    int listenFd_ = -1;
    std::list<Client> clients_;
    Watches watches_;
    std::list<Pending> pending_;
    std::uint32_t nextWatch_ = 1;
};

}  // namespace viz::sermon
