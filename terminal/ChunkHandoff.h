#pragma once

// The hand-off between a channel's reader thread and its page, for received
// chunks: Handoff<Chunk> (see terminal/Handoff.h for its use and guarantees)
// as the ChunkSink the channels push into. A page normally uses the Qt
// wrapper CChunkPump.

#include "terminal/Chunk.h"
#include "terminal/Handoff.h"

namespace viz {

inline std::size_t HandoffBytes(const Chunk& chunk) {
    return chunk.bytes.size();
}

extern template class Handoff<Chunk>;

class ChunkHandoff : public ChunkSink, public Handoff<Chunk> {
public:
    using Handoff<Chunk>::Handoff;

    // Reader thread. Waits while the page is far behind; false once closed.
    bool Push(Chunk chunk) override { return Handoff<Chunk>::Push(std::move(chunk)); }
};

}  // namespace viz
