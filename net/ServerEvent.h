#pragma once

#include <cstddef>
#include <memory>

#include "net/TCPCustom.h"
#include "terminal/Chunk.h"

namespace viz {

enum class ServerEventKind {
    Connected,    // a client was accepted and added to the client list
    Data,         // bytes from a client: `chunk`, at most 1024 bytes
    ClientError,  // a client's socket failed with `error`; Closed follows
    Closed,       // a client's connection ended and it left the client list
    ServerError,  // the server's event wait failed with `error`; no event follows
    Full,         // the clients reached `clients`, the limit; new ones wait until others leave
    Accepting,    // below the limit again, with nobody waiting: new clients come straight in
};

// One event of the TCP server. All events come from the server's one event
// thread in the order they happened, so a client's data, its error and its
// closure reach the page in that order.
struct ServerEvent {
    ServerEventKind kind = ServerEventKind::Data;
    // The client concerned; none for ServerError.
    std::shared_ptr<CTCPCustom> client;
    Chunk chunk;
    int error = 0;
    std::size_t clients = 0;
};

// What the hand-off counts against its memory bound.
inline std::size_t HandoffBytes(const ServerEvent& event) {
    return event.chunk.bytes.size();
}

// Where the server's event thread puts its events (the page's hand-off).
class ServerEventSink {
public:
    virtual ~ServerEventSink() = default;

    // Called on the event thread. Blocks while the page is far behind;
    // false once the sink is closed (the event was not taken).
    virtual bool Push(ServerEvent event) = 0;
};

}  // namespace viz
