#include "base/ExtraSerialPorts.h"

#include <algorithm>
#include <utility>

namespace viz {

std::string VirtualBoardPortLabel(const std::string& chip, const std::string& clock,
                                  const std::string& path) {
    return "虚拟开发板：" + chip + " @ " + clock + " (" + path + ")";
}

void ExtraSerialPorts::Put(ExtraSerialPort port) {
    const auto same = std::find_if(ports_.begin(), ports_.end(),
                                   [&](const ExtraSerialPort& known) { return known.id == port.id; });
    if (same != ports_.end()) {
        *same = std::move(port);
    } else {
        ports_.push_back(std::move(port));
    }
    listeners_.Notify();
}

void ExtraSerialPorts::Remove(const std::string& id) {
    const auto removed = std::remove_if(ports_.begin(), ports_.end(),
                                        [&](const ExtraSerialPort& known) { return known.id == id; });
    if (removed == ports_.end()) return;
    ports_.erase(removed, ports_.end());
    listeners_.Notify();
}

}  // namespace viz
