#include "base/ExtraSerialPorts.h"

#include <algorithm>
#include <utility>

namespace viz {

std::string VirtualBoardPortLabel(const std::string& chip, const std::string& clock,
                                  const std::string& path) {
    return "虚拟开发板：" + chip + " @ " + clock + " (" + path + ")";
}

ExtraSerialPorts::Subscription::Subscription(Subscription&& other) noexcept
    : ports_(std::exchange(other.ports_, nullptr)), id_(other.id_) {}

ExtraSerialPorts::Subscription& ExtraSerialPorts::Subscription::operator=(Subscription&& other) noexcept {
    if (this != &other) {
        if (ports_) ports_->listeners_.erase(id_);
        ports_ = std::exchange(other.ports_, nullptr);
        id_ = other.id_;
    }
    return *this;
}

ExtraSerialPorts::Subscription::~Subscription() {
    if (ports_) ports_->listeners_.erase(id_);
}

void ExtraSerialPorts::Put(ExtraSerialPort port) {
    const auto same = std::find_if(ports_.begin(), ports_.end(),
                                   [&](const ExtraSerialPort& known) { return known.id == port.id; });
    if (same != ports_.end()) {
        *same = std::move(port);
    } else {
        ports_.push_back(std::move(port));
    }
    Notify();
}

void ExtraSerialPorts::Remove(const std::string& id) {
    const auto removed = std::remove_if(ports_.begin(), ports_.end(),
                                        [&](const ExtraSerialPort& known) { return known.id == id; });
    if (removed == ports_.end()) return;
    ports_.erase(removed, ports_.end());
    Notify();
}

ExtraSerialPorts::Subscription ExtraSerialPorts::Subscribe(Listener changed) {
    const std::uint64_t id = nextListener_++;
    listeners_.emplace(id, std::move(changed));
    return Subscription(this, id);
}

// A listener may end its own or another subscription while being told.
void ExtraSerialPorts::Notify() {
    std::vector<std::uint64_t> ids;
    for (const auto& [id, listener] : listeners_) ids.push_back(id);
    for (const std::uint64_t id : ids) {
        const auto found = listeners_.find(id);
        if (found == listeners_.end()) continue;
        const Listener listener = found->second;
        listener();
    }
}

}  // namespace viz
