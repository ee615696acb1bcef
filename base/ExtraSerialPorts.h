#pragma once

// Serial ports that exist only while a part of this program runs them, such
// as a simulated board whose UART is a pseudo-terminal. The serial page lists
// them beside the system's ports and follows a port that comes back under
// the same id with another path.
//
//   PageContext::extraSerialPorts().Put({"board", "/dev/pts/7", VirtualBoardPortLabel(...)});
//   ...
//   PageContext::extraSerialPorts().Remove("board");
//
// Used on the UI thread only; listeners are called there, within Put and
// Remove.

#include <string>
#include <utility>
#include <vector>

#include "base/Listeners.h"

namespace viz {

struct ExtraSerialPort {
    // Stays the same while the same thing serves the port, across restarts.
    std::string id;
    std::string path;   // what is opened and saved, "/dev/pts/7"
    std::string label;  // what the port list shows (UTF-8)
};

// "虚拟开发板：<chip> @ <clock> (<path>)", the label of a simulated board's UART.
std::string VirtualBoardPortLabel(const std::string& chip, const std::string& clock, const std::string& path);

class ExtraSerialPorts {
public:
    using Listener = Listeners::Listener;
    using Subscription = viz::Subscription;

    // Adds the port, or replaces the one with the same id; listeners hear of it.
    void Put(ExtraSerialPort port);
    // Listeners hear of it when the id was there.
    void Remove(const std::string& id);
    // In the order they were first put.
    const std::vector<ExtraSerialPort>& ports() const { return ports_; }

    // `changed` is called after every change until the subscription ends;
    // the registry must outlive the subscription.
    [[nodiscard]] Subscription Subscribe(Listener changed) {
        return listeners_.Subscribe(std::move(changed));
    }

private:
    std::vector<ExtraSerialPort> ports_;
    Listeners listeners_;
};

}  // namespace viz
