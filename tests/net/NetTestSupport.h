#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <fstream>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "net/LinkListener.h"
#include "terminal/Chunk.h"

namespace viz::net_testing {

using namespace std::chrono_literals;

// Collects what a channel pushes. Push can be held (a page that is behind)
// and the sink closed (Push returns false), as the real hand-off does.
class CollectingSink : public ChunkSink {
public:
    bool Push(Chunk chunk) override {
        std::unique_lock lock(mutex_);
        ++pushCalls_;
        changed_.notify_all();
        changed_.wait(lock, [&] { return !held_ || closed_; });
        if (closed_) return false;
        chunks_.push_back(std::move(chunk));
        changed_.notify_all();
        return true;
    }

    void Hold() {
        std::lock_guard lock(mutex_);
        held_ = true;
    }
    void Close() {
        std::lock_guard lock(mutex_);
        closed_ = true;
        changed_.notify_all();
    }

    // Waits until `count` bytes arrived in all; the chunks so far.
    std::vector<Chunk> WaitForBytes(std::size_t count, std::chrono::milliseconds limit = 5s) {
        std::unique_lock lock(mutex_);
        changed_.wait_for(lock, limit, [&] { return TotalLocked() >= count; });
        return chunks_;
    }
    bool WaitForPushCall(std::chrono::milliseconds limit = 5s) {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, limit, [&] { return pushCalls_ > 0; });
    }
    std::vector<std::uint8_t> Bytes() {
        std::lock_guard lock(mutex_);
        std::vector<std::uint8_t> all;
        for (const auto& chunk : chunks_) all.insert(all.end(), chunk.bytes.begin(), chunk.bytes.end());
        return all;
    }
    std::vector<Chunk> Chunks() {
        std::lock_guard lock(mutex_);
        return chunks_;
    }

private:
    std::size_t TotalLocked() const {
        std::size_t total = 0;
        for (const auto& chunk : chunks_) total += chunk.bytes.size();
        return total;
    }

    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<Chunk> chunks_;
    std::size_t pushCalls_ = 0;
    bool held_ = false;
    bool closed_ = false;
};

// Records the notices a channel sends.
class RecordingListener : public LinkListener {
public:
    void OnConnected(std::uint64_t link, int error) override {
        std::lock_guard lock(mutex_);
        connected_.emplace_back(link, error);
        changed_.notify_all();
    }
    void OnClosed(std::uint64_t link) override {
        std::lock_guard lock(mutex_);
        closed_.push_back(link);
        changed_.notify_all();
    }

    // The connect notices once at least one arrived (empty after `limit`).
    std::vector<std::pair<std::uint64_t, int>> WaitConnected(std::chrono::milliseconds limit = 5s) {
        std::unique_lock lock(mutex_);
        changed_.wait_for(lock, limit, [&] { return !connected_.empty(); });
        return connected_;
    }
    std::vector<std::uint64_t> WaitClosed(std::chrono::milliseconds limit = 5s) {
        std::unique_lock lock(mutex_);
        changed_.wait_for(lock, limit, [&] { return !closed_.empty(); });
        return closed_;
    }
    std::vector<std::uint64_t> Closed() {
        std::lock_guard lock(mutex_);
        return closed_;
    }
    std::vector<std::pair<std::uint64_t, int>> Connected() {
        std::lock_guard lock(mutex_);
        return connected_;
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<std::pair<std::uint64_t, int>> connected_;
    std::vector<std::uint64_t> closed_;
};

// An owned descriptor.
class Fd {
public:
    Fd() = default;
    explicit Fd(int fd) : fd_(fd) {}
    ~Fd() { Reset(); }
    Fd(Fd&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
    Fd& operator=(Fd&& other) noexcept {
        Reset();
        fd_ = std::exchange(other.fd_, -1);
        return *this;
    }
    int get() const { return fd_; }
    void Reset() {
        if (fd_ >= 0) ::close(fd_);
        fd_ = -1;
    }

private:
    int fd_ = -1;
};

inline sockaddr_in Loopback(int port) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return address;
}

inline int LocalPort(int fd) {
    sockaddr_in address{};
    socklen_t length = sizeof address;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
    return ntohs(address.sin_port);
}

// A socket of `type` bound to 127.0.0.1 on a port of the system's choice.
inline Fd BoundLoopback(int type) {
    Fd fd(::socket(AF_INET, type | SOCK_CLOEXEC, 0));
    const sockaddr_in address = Loopback(0);
    ::bind(fd.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address);
    return fd;
}

inline Fd Listening(int backlog = 8) {
    Fd fd = BoundLoopback(SOCK_STREAM);
    ::listen(fd.get(), backlog);
    return fd;
}

// A TCP port nothing listens on or is bound to right now.
inline int FreeTcpPort() {
    Fd probe = BoundLoopback(SOCK_STREAM);
    return LocalPort(probe.get());
}

// A client connected to 127.0.0.1:`port`; -1 inside when the connect failed.
inline Fd ConnectTo(int port) {
    Fd fd(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
    const sockaddr_in to = Loopback(port);
    if (::connect(fd.get(), reinterpret_cast<const sockaddr*>(&to), sizeof to) != 0) return Fd();
    return fd;
}

// Accepts one connection, waiting at most `limit`; -1 inside when none came.
inline Fd AcceptWithin(int listening, std::chrono::milliseconds limit = 5s) {
    pollfd wait{listening, POLLIN, 0};
    if (::poll(&wait, 1, static_cast<int>(limit.count())) != 1) return Fd();
    return Fd(::accept4(listening, nullptr, nullptr, SOCK_CLOEXEC));
}

// Reads until `count` bytes came, the peer closed or `limit` passed.
inline std::vector<std::uint8_t> ReadUpTo(int fd, std::size_t count, std::chrono::milliseconds limit = 5s) {
    std::vector<std::uint8_t> data;
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (data.size() < count) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        pollfd wait{fd, POLLIN, 0};
        if (left.count() <= 0 || ::poll(&wait, 1, static_cast<int>(left.count())) != 1) break;
        std::uint8_t buffer[65536];
        const ssize_t got = ::recv(fd, buffer, sizeof buffer, 0);
        if (got <= 0) break;
        data.insert(data.end(), buffer, buffer + got);
    }
    return data;
}

inline std::vector<std::uint8_t> Pattern(std::size_t size) {
    std::vector<std::uint8_t> data(size);
    for (std::size_t i = 0; i < size; ++i) data[i] = static_cast<std::uint8_t>(i * 7 + i / 251);
    return data;
}

// Polls `condition` until it holds or `limit` passes.
template <typename Condition>
bool Eventually(Condition condition, std::chrono::milliseconds limit = 5s) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!condition()) {
        if (std::chrono::steady_clock::now() >= deadline) return false;
        std::this_thread::sleep_for(2ms);
    }
    return true;
}

// Bytes that arrived for this machine's sockets on local `port` and are not
// read yet (the "rx_queue" of /proc/net/tcp or /proc/net/udp).
inline std::size_t UnreadAt(int port, int type) {
    std::ifstream table(type == SOCK_STREAM ? "/proc/net/tcp" : "/proc/net/udp");
    std::string line;
    std::getline(table, line);
    std::size_t unread = 0;
    for (std::string slot, local, remote, state, queues;
         table >> slot >> local >> remote >> state >> queues;) {
        std::getline(table, line);
        if (std::stoi(local.substr(local.find(':') + 1), nullptr, 16) != port) continue;
        unread += std::stoul(queues.substr(queues.find(':') + 1), nullptr, 16);
    }
    return unread;
}

}  // namespace viz::net_testing
