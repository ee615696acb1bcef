#include "LoopbackChannel.h"

#include <algorithm>

namespace viz::testing {

bool LoopbackChannel::Open(ChunkSink& sink) {
    std::lock_guard lock(mutex_);
    if (open_) return false;
    open_ = true;
    stop_ = false;
    pending_.clear();
    reader_ = std::thread([this, &sink] { Read(sink); });
    return true;
}

void LoopbackChannel::Close() {
    {
        std::lock_guard lock(mutex_);
        if (!open_) return;
        stop_ = true;
        open_ = false;
    }
    ready_.notify_all();
    reader_.join();
}

bool LoopbackChannel::IsOpen() const {
    std::lock_guard lock(mutex_);
    return open_;
}

std::size_t LoopbackChannel::Write(const std::uint8_t* bytes, std::size_t count) {
    {
        std::lock_guard lock(mutex_);
        if (!open_) return 0;
        pending_.insert(pending_.end(), bytes, bytes + count);
    }
    ready_.notify_all();
    return count;
}

void LoopbackChannel::Read(ChunkSink& sink) {
    for (;;) {
        Chunk chunk;
        {
            std::unique_lock lock(mutex_);
            ready_.wait(lock, [&] { return stop_ || !pending_.empty(); });
            if (stop_) return;
            const std::size_t size = std::min(chunkSize_, pending_.size());
            chunk.bytes.assign(pending_.begin(), pending_.begin() + static_cast<std::ptrdiff_t>(size));
            pending_.erase(pending_.begin(), pending_.begin() + static_cast<std::ptrdiff_t>(size));
        }
        chunk.readTime = std::chrono::steady_clock::now();
        chunk.wallTime = std::chrono::system_clock::now();
        if (!sink.Push(std::move(chunk))) return;
    }
}

}  // namespace viz::testing
