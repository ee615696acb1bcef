#pragma once

// The levels of a simulated chip's ports as the simulator last reported
// them, with the simulated time of every change. The simulator side writes,
// the window reads a snapshot several times a second.

#include <cstddef>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <vector>

namespace viz {

struct PinChange {
    double seconds = 0;  // simulated time since reset
    std::size_t port = 0;
    std::uint8_t value = 0;
};

struct PinSnapshot {
    std::vector<std::string> names;    // "P0".."P3" or "PORTA".."PORTD"
    std::vector<std::uint8_t> values;  // the levels, bit 0 = pin 0
    std::vector<bool> known;           // false until the simulator reported the port
    std::uint64_t changes = 0;         // changes seen so far
};

class BoardPins {
public:
    // Changes kept for looking back (enough for a blink seen over seconds).
    static constexpr std::size_t kHistory = 512;

    // Starts over with these ports, none known.
    void Reset(std::vector<std::string> names);
    // A port's level at `seconds`; only a different value counts as a change.
    void Set(std::size_t port, std::uint8_t value, double seconds);

    PinSnapshot Snapshot() const;
    // The most recent changes, oldest first.
    std::vector<PinChange> History() const;

private:
    mutable std::mutex mutex_;
    PinSnapshot state_;
    std::deque<PinChange> history_;
};

// The times at which `bit` of `port` changed, from a history.
std::vector<double> BitEdges(const std::vector<PinChange>& history, std::size_t port, int bit);

}  // namespace viz
