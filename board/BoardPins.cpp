#include "board/BoardPins.h"

namespace viz {

void BoardPins::Reset(std::vector<std::string> names) {
    std::lock_guard lock(mutex_);
    const std::size_t count = names.size();
    state_ = PinSnapshot{std::move(names), std::vector<std::uint8_t>(count), std::vector<bool>(count), 0};
    history_.clear();
}

void BoardPins::Set(std::size_t port, std::uint8_t value, double seconds) {
    std::lock_guard lock(mutex_);
    if (port >= state_.values.size()) return;
    if (state_.known[port] && state_.values[port] == value) return;
    state_.known[port] = true;
    state_.values[port] = value;
    ++state_.changes;
    history_.push_back(PinChange{seconds, port, value});
    if (history_.size() > kHistory) history_.pop_front();
}

PinSnapshot BoardPins::Snapshot() const {
    std::lock_guard lock(mutex_);
    return state_;
}

std::vector<PinChange> BoardPins::History() const {
    std::lock_guard lock(mutex_);
    return {history_.begin(), history_.end()};
}

std::vector<double> BitEdges(const std::vector<PinChange>& history, std::size_t port, int bit) {
    std::vector<double> edges;
    bool known = false;
    int last = 0;
    for (const PinChange& change : history) {
        if (change.port != port) continue;
        const int level = (change.value >> bit) & 1;
        if (known && level != last) edges.push_back(change.seconds);
        known = true;
        last = level;
    }
    return edges;
}

}  // namespace viz
