#pragma once

// The hand-off between a channel's reader thread and its page.
//
// Usage (a page normally uses the Qt wrapper CChunkPump, which supplies the
// wake-up and calls Drain on the UI thread):
//   ChunkHandoff handoff([&] { /* post one event to the UI thread */ });
//   channel.Open(..., handoff);              // reader calls handoff.Push(chunk)
//   // UI thread, when woken:
//   handoff.Drain([&](const Chunk& c) { area.Receive(c); });
//   // closing: first the hand-off (unblocks a waiting reader), then the channel
//   handoff.Close();
//   channel.Close();                         // joins the reader
//   handoff.Open();                          // before the next channel.Open
//
// Guarantees: chunks are delivered in the order they were pushed; at most
// `maxBytes` bytes (or `maxChunks` chunks) wait at any time, and Push blocks
// rather than drop; after Close() returns nothing more is delivered, no Push
// is in progress and the wake function is no longer called. Chunks still
// waiting at Close() are discarded, so the page never counted them.

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

#include "terminal/Chunk.h"

namespace viz {

class ChunkHandoff : public ChunkSink {
public:
    struct Limits {
        // What the UI thread handles in one pass at most: small enough that
        // a pass of hex display stays well under a frame of a slow machine.
        std::size_t maxBytes = 256 * 1024;
        std::size_t maxChunks = 8192;
    };

    // `wake` is called on the reader thread, at most once per Drain, when the
    // first chunk after a Drain arrives. It must not block.
    explicit ChunkHandoff(std::function<void()> wake) : ChunkHandoff(std::move(wake), Limits{}) {}
    ChunkHandoff(std::function<void()> wake, Limits limits);
    ~ChunkHandoff() override;

    ChunkHandoff(const ChunkHandoff&) = delete;
    ChunkHandoff& operator=(const ChunkHandoff&) = delete;

    // Reader thread. Waits while the page is far behind; false once closed.
    bool Push(Chunk chunk) override;

    // UI thread. Hands every chunk waiting at the call to `deliver`, in order,
    // and returns how many were delivered. Stops early when Close() is called
    // meanwhile (from `deliver` itself or from another thread).
    std::size_t Drain(const std::function<void(const Chunk&)>& deliver);

    // Any thread except a reader inside Push. Safe to call more than once.
    void Close();
    // Accept chunks again after Close(), for the next session of the link.
    void Open();

    bool closed() const;
    std::size_t waitingBytes() const;

private:
    const std::function<void()> wake_;
    const Limits limits_;

    mutable std::mutex mutex_;
    std::condition_variable spaceFreed_;
    std::condition_variable idle_;
    std::deque<Chunk> queue_;
    std::size_t queuedBytes_ = 0;
    bool closed_ = false;
    // Counts Close() calls, so a pass never runs on into the next session.
    std::uint64_t session_ = 0;
    bool wakePending_ = false;
    int pushersInside_ = 0;
    bool delivering_ = false;
    std::thread::id deliveringThread_;
};

}  // namespace viz
