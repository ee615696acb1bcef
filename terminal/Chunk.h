#pragma once

#include <chrono>
#include <cstdint>
#include <vector>

namespace viz {

// One piece of received data as a reader thread read it: an immutable value
// carrying its bytes and the steady-clock time of the read, so time-based
// rules (the frame line break) see when it arrived, not when it was shown.
struct Chunk {
    std::vector<std::uint8_t> bytes;
    std::chrono::steady_clock::time_point readTime;
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
