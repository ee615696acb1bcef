#pragma once

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <cstdlib>
#include <deque>
#include <limits>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include "serial/ModemLines.h"
#include "serial/Serial.h"
#include "terminal/Chunk.h"

namespace viz::testing {

using Bytes = std::vector<std::uint8_t>;
using namespace std::chrono_literals;

// A pseudo-terminal pair: the slave stands in for the serial device, the test
// plays the far end on the master.
class PtyPair {
public:
    PtyPair() {
        master_ = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
        char name[128] = {};
        if (master_ < 0 || ::grantpt(master_) != 0 || ::unlockpt(master_) != 0 ||
            ::ptsname_r(master_, name, sizeof name) != 0) {
            throw std::runtime_error("no pseudo-terminal");
        }
        slave_ = name;
        ::fcntl(master_, F_SETFL, ::fcntl(master_, F_GETFL) | O_NONBLOCK);
    }
    ~PtyPair() { CloseMaster(); }
    PtyPair(const PtyPair&) = delete;
    PtyPair& operator=(const PtyPair&) = delete;

    const std::string& slave() const { return slave_; }
    int master() const { return master_; }

    void CloseMaster() {
        if (master_ >= 0) ::close(master_);
        master_ = -1;
    }

    // Writes everything to the master, waiting while the slave's input is full.
    void WriteAll(const Bytes& bytes) const {
        std::size_t done = 0;
        while (done < bytes.size()) {
            const ssize_t n = ::write(master_, bytes.data() + done, bytes.size() - done);
            if (n > 0) {
                done += static_cast<std::size_t>(n);
            } else if (n < 0 && errno != EAGAIN && errno != EINTR) {
                throw std::runtime_error("pty write failed");
            } else {
                pollfd room{master_, POLLOUT, 0};
                ::poll(&room, 1, 100);
            }
        }
    }

    // Reads from the master until `count` bytes came or nothing came for `quiet`.
    Bytes Read(std::size_t count, std::chrono::milliseconds quiet = 2000ms) const {
        Bytes bytes;
        std::uint8_t buffer[4096];
        while (bytes.size() < count) {
            pollfd ready{master_, POLLIN, 0};
            if (::poll(&ready, 1, static_cast<int>(quiet.count())) <= 0) break;
            const ssize_t n = ::read(master_, buffer, std::min(sizeof buffer, count - bytes.size()));
            if (n > 0) {
                bytes.insert(bytes.end(), buffer, buffer + n);
            } else if (n == 0 || (errno != EAGAIN && errno != EINTR)) {
                break;
            }
        }
        return bytes;
    }

private:
    int master_ = -1;
    std::string slave_;
};

// Bytes 0, 1, 2, ... wrapping at `modulus`; a prime modulus makes any shifted
// or missing piece show.
inline Bytes Pattern(std::size_t size, std::size_t offset = 0, std::size_t modulus = 251) {
    Bytes bytes(size);
    for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<std::uint8_t>((offset + i) % modulus);
    return bytes;
}

// A stand-in for the page's hand-off: keeps every accepted chunk; with a
// capacity, Push waits while that many chunks are waiting to be taken.
class ChunkCollector : public ChunkSink {
public:
    explicit ChunkCollector(std::size_t capacity = std::numeric_limits<std::size_t>::max())
        : capacity_(capacity) {}

    bool Push(Chunk chunk) override {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [&] { return closed_ || waiting_.size() < capacity_; });
        if (closed_) return false;
        bytes_ += chunk.bytes.size();
        accepted_.push_back(chunk);
        waiting_.push_back(std::move(chunk));
        changed_.notify_all();
        return true;
    }

    std::deque<Chunk> TakeWaiting() {
        std::lock_guard lock(mutex_);
        std::deque<Chunk> taken;
        taken.swap(waiting_);
        changed_.notify_all();
        return taken;
    }

    void Close() {
        std::lock_guard lock(mutex_);
        closed_ = true;
        changed_.notify_all();
    }

    bool WaitForBytes(std::size_t count, std::chrono::milliseconds timeout = 5000ms) {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, timeout, [&] { return bytes_ >= count; });
    }

    bool WaitUntilFull(std::chrono::milliseconds timeout = 5000ms) {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, timeout, [&] { return waiting_.size() >= capacity_; });
    }

    std::vector<Chunk> Accepted() const {
        std::lock_guard lock(mutex_);
        return accepted_;
    }

    Bytes AcceptedBytes() const {
        Bytes all;
        for (const Chunk& chunk : Accepted()) all.insert(all.end(), chunk.bytes.begin(), chunk.bytes.end());
        return all;
    }

    std::size_t AcceptedCount() const {
        std::lock_guard lock(mutex_);
        return accepted_.size();
    }

private:
    const std::size_t capacity_;
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<Chunk> accepted_;
    std::deque<Chunk> waiting_;
    std::size_t bytes_ = 0;
    bool closed_ = false;
};

struct LineEvent {
    std::uint32_t line;
    std::uint32_t value;
    bool operator==(const LineEvent&) const = default;
};

class RecordingListener : public SerialListener {
public:
    void OnLineChanged(std::uint32_t line, std::uint32_t value) override {
        std::lock_guard lock(mutex_);
        events_.push_back({line, value});
        changed_.notify_all();
    }
    void OnDeviceLost() override {
        std::lock_guard lock(mutex_);
        ++lost_;
        changed_.notify_all();
    }

    // Waits until `count` line events came, then returns all of them.
    std::vector<LineEvent> WaitForEvents(std::size_t count, std::chrono::milliseconds timeout = 20000ms) {
        std::unique_lock lock(mutex_);
        changed_.wait_for(lock, timeout, [&] { return events_.size() >= count; });
        return events_;
    }
    std::vector<LineEvent> Events() {
        std::lock_guard lock(mutex_);
        return events_;
    }
    void ClearEvents() {
        std::lock_guard lock(mutex_);
        events_.clear();
    }
    bool WaitForLost(std::chrono::milliseconds timeout = 20000ms) {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, timeout, [&] { return lost_ > 0; });
    }
    int LostCount() {
        std::lock_guard lock(mutex_);
        return lost_;
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<LineEvent> events_;
    int lost_ = 0;
};

// The modem lines of a pretend port, shared between the test and the fake
// the channel owns while open.
struct FakeLineState {
    std::mutex mutex;
    std::condition_variable changed;
    std::uint32_t inputs = 0;
    int readError = 0;
    std::uint64_t generation = 0;
    std::uint32_t outputs = 0;
    bool breakOn = false;

    void SetInputs(std::uint32_t lines, int error = 0) {
        std::lock_guard lock(mutex);
        inputs = lines;
        readError = error;
        ++generation;
        changed.notify_all();
    }
    std::uint32_t Outputs() {
        std::lock_guard lock(mutex);
        return outputs;
    }
    bool Break() {
        std::lock_guard lock(mutex);
        return breakOn;
    }
};

class FakeModemLines : public ModemLines {
public:
    // Opening a real port raises DTR and RTS; the fake does the same.
    explicit FakeModemLines(std::shared_ptr<FakeLineState> state) : state_(std::move(state)) {
        std::lock_guard lock(state_->mutex);
        state_->outputs = kLineDtr | kLineRts;
    }

    LineRead ReadInputs() override {
        std::lock_guard lock(state_->mutex);
        seen_ = state_->generation;
        return state_->readError ? LineRead{0, state_->readError} : LineRead{state_->inputs, 0};
    }
    bool SetOutputs(std::uint32_t lines, bool on) override {
        std::lock_guard lock(state_->mutex);
        state_->outputs = on ? (state_->outputs | lines) : (state_->outputs & ~lines);
        return true;
    }
    bool SetBreak(bool on) override {
        std::lock_guard lock(state_->mutex);
        state_->breakOn = on;
        return true;
    }
    bool WaitForChange() override {
        std::unique_lock lock(state_->mutex);
        state_->changed.wait(lock, [&] { return interrupted_ || state_->generation != seen_; });
        return !interrupted_;
    }
    void Interrupt() override {
        std::lock_guard lock(state_->mutex);
        interrupted_ = true;
        state_->changed.notify_all();
    }

private:
    std::shared_ptr<FakeLineState> state_;
    std::uint64_t seen_ = 0;
    bool interrupted_ = false;
};

inline SerialPortConfig PortConfig(const std::string& device, std::uint32_t baud = 115200) {
    SerialPortConfig settings;
    settings.device = device;
    settings.baud = baud;
    return settings;
}

// Opens `device` as the serial page does and closes it again.
inline SerialOpenResult OpenOnce(const std::string& device) {
    CSerial serial;
    ChunkCollector sink;
    RecordingListener listener;
    return serial.Open(PortConfig(device), sink, listener);
}

}  // namespace viz::testing
