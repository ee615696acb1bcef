#include "base/Listeners.h"

#include <utility>
#include <vector>

namespace viz {

Subscription::Subscription(Subscription&& other) noexcept
    : listeners_(std::exchange(other.listeners_, nullptr)), id_(other.id_) {}

Subscription& Subscription::operator=(Subscription&& other) noexcept {
    if (this != &other) {
        End();
        listeners_ = std::exchange(other.listeners_, nullptr);
        id_ = other.id_;
    }
    return *this;
}

Subscription::~Subscription() {
    End();
}

void Subscription::End() {
    if (listeners_) std::exchange(listeners_, nullptr)->listeners_.erase(id_);
}

Subscription Listeners::Subscribe(Listener changed) {
    const std::uint64_t id = nextListener_++;
    listeners_.emplace(id, std::move(changed));
    return Subscription(this, id);
}

void Listeners::Notify() {
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
