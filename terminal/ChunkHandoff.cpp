#include "terminal/ChunkHandoff.h"

namespace viz {

ChunkHandoff::ChunkHandoff(std::function<void()> wake, Limits limits)
    : wake_(std::move(wake)), limits_(limits) {}

ChunkHandoff::~ChunkHandoff() {
    Close();
}

bool ChunkHandoff::Push(Chunk chunk) {
    std::unique_lock lock(mutex_);
    if (closed_) return false;
    ++pushersInside_;
    const std::size_t size = chunk.bytes.size();
    // A chunk larger than the whole bound still goes through once the queue is empty.
    spaceFreed_.wait(lock, [&] {
        return closed_ || queue_.empty() ||
               (queuedBytes_ + size <= limits_.maxBytes && queue_.size() < limits_.maxChunks);
    });
    bool taken = false;
    bool wakeNow = false;
    if (!closed_) {
        queuedBytes_ += size;
        queue_.push_back(std::move(chunk));
        taken = true;
        wakeNow = !wakePending_;
        wakePending_ = true;
    }
    if (wakeNow) {
        // Outside the lock: the wake-up may take locks of its own. Close()
        // waits for this pusher, so no wake-up follows a finished Close().
        lock.unlock();
        wake_();
        lock.lock();
    }
    if (--pushersInside_ == 0) idle_.notify_all();
    return taken;
}

std::size_t ChunkHandoff::Drain(const std::function<void(const Chunk&)>& deliver) {
    std::unique_lock lock(mutex_);
    wakePending_ = false;
    // A drain started from inside `deliver` (a nested event loop) leaves the
    // work to the outer one, which wakes again for what it did not take.
    if (closed_ || delivering_) return 0;
    delivering_ = true;
    deliveringThread_ = std::this_thread::get_id();
    const std::size_t waiting = queue_.size();
    const std::uint64_t session = session_;
    std::size_t delivered = 0;
    while (delivered < waiting && session_ == session) {
        Chunk chunk = std::move(queue_.front());
        queue_.pop_front();
        queuedBytes_ -= chunk.bytes.size();
        spaceFreed_.notify_all();
        lock.unlock();
        deliver(chunk);
        ++delivered;
        lock.lock();
    }
    if (!closed_ && !queue_.empty() && !wakePending_) {
        wakePending_ = true;
        lock.unlock();
        wake_();
        lock.lock();
    }
    delivering_ = false;
    idle_.notify_all();
    return delivered;
}

void ChunkHandoff::Close() {
    std::unique_lock lock(mutex_);
    closed_ = true;
    ++session_;
    queue_.clear();
    queuedBytes_ = 0;
    spaceFreed_.notify_all();
    // Called from `deliver` itself, the running pass stops after it returns.
    const bool fromDelivery = delivering_ && deliveringThread_ == std::this_thread::get_id();
    idle_.wait(lock, [&] { return pushersInside_ == 0 && (fromDelivery || !delivering_); });
}

void ChunkHandoff::Open() {
    std::lock_guard lock(mutex_);
    closed_ = false;
    wakePending_ = false;
}

bool ChunkHandoff::closed() const {
    std::lock_guard lock(mutex_);
    return closed_;
}

std::size_t ChunkHandoff::waitingBytes() const {
    std::lock_guard lock(mutex_);
    return queuedBytes_;
}

}  // namespace viz
