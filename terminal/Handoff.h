#pragma once

// The hand-off between a producer thread (a channel's reader or event
// thread) and its page, for any item type: the received chunks of a link,
// or the ordered events of a server whose data events carry chunks.
//
// Usage (a page normally uses the Qt wrapper CHandoffPump, which supplies
// the wake-up and calls Drain on the UI thread):
//   Handoff<Item> handoff([&] { /* post one event to the UI thread */ });
//   channel.Open(..., handoff);              // the producer calls handoff.Push(item)
//   // UI thread, when woken:
//   handoff.Drain([&](const Item& item) { ... });
//   // closing: first the hand-off (unblocks a waiting producer), then the channel
//   handoff.Close();
//   channel.Close();
//   handoff.Open();                          // before the next channel.Open
//
// Guarantees: items are delivered in the order they were pushed; at most
// `maxBytes` bytes (as HandoffBytes(item) counts them) or `maxChunks` items
// wait at any time, and Push blocks rather than drop; after Close() returns
// nothing more is delivered, no Push is in progress and the wake function is
// no longer called. Items still waiting at Close() are discarded, so the page
// never counted them.

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

namespace viz {

struct HandoffLimits {
    // What the UI thread handles in one pass at most: small enough that
    // a pass of hex display stays well under a frame of a slow machine.
    std::size_t maxBytes = 256 * 1024;
    std::size_t maxChunks = 8192;
};

// `Item` needs a HandoffBytes(const Item&) found by argument lookup: the
// bytes it holds, for the memory bound.
template <typename Item>
class Handoff {
public:
    using Limits = HandoffLimits;

    // `wake` is called on the producer thread, at most once per Drain, when
    // the first item after a Drain arrives. It must not block.
    explicit Handoff(std::function<void()> wake) : Handoff(std::move(wake), Limits{}) {}
    Handoff(std::function<void()> wake, Limits limits) : wake_(std::move(wake)), limits_(limits) {}
    ~Handoff() { Close(); }

    Handoff(const Handoff&) = delete;
    Handoff& operator=(const Handoff&) = delete;

    // Producer thread. Waits while the page is far behind; false once closed.
    bool Push(Item item);

    // UI thread. Hands every item waiting at the call to `deliver`, in order,
    // and returns how many were delivered. Stops early when Close() is called
    // meanwhile (from `deliver` itself or from another thread).
    std::size_t Drain(const std::function<void(const Item&)>& deliver);

    // Any thread except a producer inside Push. Safe to call more than once.
    void Close();
    // Accept items again after Close(), for the next session of the link.
    void Open();

    bool closed() const;
    std::size_t waitingBytes() const;

private:
    const std::function<void()> wake_;
    const Limits limits_;

    mutable std::mutex mutex_;
    std::condition_variable spaceFreed_;
    std::condition_variable idle_;
    std::deque<Item> queue_;
    std::size_t queuedBytes_ = 0;
    bool closed_ = false;
    // Counts Close() calls, so a pass never runs on into the next session.
    std::uint64_t session_ = 0;
    bool wakePending_ = false;
    int pushersInside_ = 0;
    bool delivering_ = false;
    std::thread::id deliveringThread_;
};

template <typename Item>
bool Handoff<Item>::Push(Item item) {
    std::unique_lock lock(mutex_);
    if (closed_) return false;
    ++pushersInside_;
    const std::size_t size = HandoffBytes(item);
    // An item larger than the whole bound still goes through once the queue is empty.
    spaceFreed_.wait(lock, [&] {
        return closed_ || queue_.empty() ||
               (queuedBytes_ + size <= limits_.maxBytes && queue_.size() < limits_.maxChunks);
    });
    bool taken = false;
    bool wakeNow = false;
    if (!closed_) {
        queuedBytes_ += size;
        queue_.push_back(std::move(item));
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

template <typename Item>
std::size_t Handoff<Item>::Drain(const std::function<void(const Item&)>& deliver) {
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
        Item item = std::move(queue_.front());
        queue_.pop_front();
        queuedBytes_ -= HandoffBytes(item);
        spaceFreed_.notify_all();
        lock.unlock();
        deliver(item);
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

template <typename Item>
void Handoff<Item>::Close() {
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

template <typename Item>
void Handoff<Item>::Open() {
    std::lock_guard lock(mutex_);
    closed_ = false;
    wakePending_ = false;
}

template <typename Item>
bool Handoff<Item>::closed() const {
    std::lock_guard lock(mutex_);
    return closed_;
}

template <typename Item>
std::size_t Handoff<Item>::waitingBytes() const {
    std::lock_guard lock(mutex_);
    return queuedBytes_;
}

}  // namespace viz
