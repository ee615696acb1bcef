// Measures TCP over loopback: the raw kernel rate between two plain sockets,
// the rate the TCP client's reader delivers into a sink that only counts,
// and the time the client takes to send 100 MB in the page's 1024-byte file
// blocks and in one call. Prints one line per measurement in MB/s.
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "BenchSockets.h"
#include "net/TCPClient.h"
#include "platform/Signals.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr std::size_t kMegabyte = 1000 * 1000;

double Seconds(Clock::duration elapsed) {
    return std::chrono::duration<double>(elapsed).count();
}

void Report(const char* what, std::size_t bytes, double seconds) {
    std::printf("%-44s %8.1f MB/s  (%zu MB in %.3f s)\n", what, static_cast<double>(bytes) / kMegabyte / seconds,
                bytes / kMegabyte, seconds);
}

void RawLoopback(std::size_t total) {
    Report("raw loopback, plain sockets", total, bench::RawLoopbackSeconds(total, 64 * 1024));
}

class CountingSink : public viz::ChunkSink {
public:
    bool Push(viz::Chunk chunk) override {
        std::lock_guard lock(mutex_);
        bytes_ += chunk.bytes.size();
        ++chunks_;
        if (bytes_ >= target_) done_.notify_all();
        return true;
    }
    void WaitFor(std::size_t target) {
        std::unique_lock lock(mutex_);
        target_ = target;
        done_.wait(lock, [&] { return bytes_ >= target_; });
    }
    std::size_t chunks() {
        std::lock_guard lock(mutex_);
        return chunks_;
    }

private:
    std::mutex mutex_;
    std::condition_variable done_;
    std::size_t bytes_ = 0;
    std::size_t chunks_ = 0;
    std::size_t target_ = SIZE_MAX;
};

class QuietListener : public viz::LinkListener {
public:
    void OnConnected(std::uint64_t, int error) override {
        std::lock_guard lock(mutex_);
        error_ = error;
        connected_ = true;
        changed_.notify_all();
    }
    void OnClosed(std::uint64_t) override {}
    int WaitConnected() {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [&] { return connected_; });
        return error_;
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    bool connected_ = false;
    int error_ = 0;
};

// Opens the client to a fresh loopback listener; the accepted peer.
int OpenClient(viz::CTCPClient& client, const std::shared_ptr<CountingSink>& sink) {
    int port = 0;
    const int listening = bench::ListenOnLoopback(port);
    auto listener = std::make_shared<QuietListener>();
    if (!client.Open("127.0.0.1", 0, port, sink, listener) || listener->WaitConnected() != 0) {
        std::fprintf(stderr, "connect failed\n");
        std::exit(1);
    }
    const int peer = ::accept(listening, nullptr, nullptr);
    ::close(listening);
    return peer;
}

void ClientReceive(std::size_t total) {
    viz::CTCPClient client;
    auto sink = std::make_shared<CountingSink>();
    const int peer = OpenClient(client, sink);
    const auto start = Clock::now();
    std::thread writer([&] { bench::SendAll(peer, total, 64 * 1024); });
    sink->WaitFor(total);
    const auto elapsed = Clock::now() - start;
    Report("TCP client reader into a counting sink", total, Seconds(elapsed));
    std::printf("%-44s %8zu bytes average\n", "  chunk size", total / sink->chunks());
    writer.join();
    client.Close();
    ::close(peer);
}

void ClientSend(std::size_t total, std::size_t block, const char* what) {
    viz::CTCPClient client;
    auto sink = std::make_shared<CountingSink>();
    const int peer = OpenClient(client, sink);
    std::size_t received = 0;
    std::thread reader([&] { received = bench::ReceiveAll(peer, SIZE_MAX); });
    const std::vector<std::uint8_t> data(block, 0x5A);
    std::size_t sent = 0;
    const auto start = Clock::now();
    for (std::size_t done = 0; done < total; done += block) {
        const std::size_t size = std::min(block, total - done);
        for (std::size_t at = 0; at < size;) {
            const viz::WriteStep step = client.Write(data.data() + at, size - at, {-1, -1});
            if (step.error != 0) break;
            at += step.consumed;
            sent += step.consumed;
        }
    }
    const auto elapsed = Clock::now() - start;
    client.Close();
    reader.join();
    Report(what, sent, Seconds(elapsed));
    if (received != total || sent != total)
        std::printf("  sent %zu, peer received %zu of %zu\n", sent, received, total);
    ::close(peer);
}

}  // namespace

int main() {
    viz::IgnoreBrokenPipeSignal();
    RawLoopback(2000 * kMegabyte);
    ClientReceive(2000 * kMegabyte);
    ClientSend(100 * kMegabyte, 1024, "TCP client send, 100 MB in 1024-byte blocks");
    ClientSend(100 * kMegabyte, 100 * kMegabyte, "TCP client send, 100 MB in one call");
    return 0;
}
