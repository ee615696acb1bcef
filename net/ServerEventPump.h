#pragma once

#include "net/ServerEvent.h"
#include "terminal/HandoffPump.h"

namespace viz {

// The server page's hand-off: the server's event thread pushes its events,
// the page takes them in order on the UI thread, a pass at a time.
class CServerEventPump : public CHandoffPump<ServerEvent>, public ServerEventSink {
public:
    using CHandoffPump::CHandoffPump;

    bool Push(ServerEvent event) override { return CHandoffPump::Push(std::move(event)); }
};

}  // namespace viz
