#pragma once

#include <chrono>
#include <cstdint>
#include <utility>
#include <vector>

namespace viz {

// One piece of received data as a reader thread read it: an immutable value
// carrying its bytes and the time of the read, so time-based rules see when
// it arrived, not when it was shown: the steady clock for intervals (the
// frame line break), the wall clock for what a user reads (time stamps, a
// plot's time axis, files).
struct Chunk {
    std::vector<std::uint8_t> bytes;
    std::chrono::steady_clock::time_point readTime;
    std::chrono::system_clock::time_point wallTime;

    // The bytes just read, with both clocks read now (on the reader thread).
    static Chunk JustRead(std::vector<std::uint8_t> bytes) {
        return Chunk{std::move(bytes), std::chrono::steady_clock::now(), std::chrono::system_clock::now()};
    }
};

// Where a channel's reader thread puts what it reads. Implemented by the
// hand-off to the page; channels never see widgets.
class ChunkSink {
public:
    virtual ~ChunkSink() = default;

    // Called on the reader thread. Blocks while the page is far behind (the
    // memory between reader and page is bounded; nothing is dropped). Returns
    // false once the sink is closed: the chunk was not taken and the reader
    // should stop.
    virtual bool Push(Chunk chunk) = 0;
};

}  // namespace viz
