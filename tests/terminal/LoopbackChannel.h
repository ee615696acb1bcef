#pragma once

// An in-memory link for trying the terminal components without hardware:
// whatever is written comes back on a reader thread, in chunks of at most
// `chunkSize` bytes, through a ChunkSink, the way a real channel delivers.
//
//   LoopbackChannel channel(1024);
//   channel.Open(pump.sink());
//   channel.Write(bytes, count);
//   pump.Close();    // releases a reader waiting in Push
//   channel.Close(); // joins the reader

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <mutex>
#include <thread>

#include "terminal/Chunk.h"

namespace viz::testing {

class LoopbackChannel {
public:
    explicit LoopbackChannel(std::size_t chunkSize = 1024) : chunkSize_(chunkSize) {}
    ~LoopbackChannel() { Close(); }
    LoopbackChannel(const LoopbackChannel&) = delete;
    LoopbackChannel& operator=(const LoopbackChannel&) = delete;

    bool Open(ChunkSink& sink);
    void Close();
    bool IsOpen() const;
    // The count accepted: all of it while open, 0 when closed.
    std::size_t Write(const std::uint8_t* bytes, std::size_t count);

private:
    void Read(ChunkSink& sink);

    const std::size_t chunkSize_;
    mutable std::mutex mutex_;
    std::condition_variable ready_;
    std::deque<std::uint8_t> pending_;
    bool open_ = false;
    bool stop_ = false;
    std::thread reader_;
};

}  // namespace viz::testing
