// Measures how fast bytes cross a pseudo-terminal: raw reads of the slave with
// large and with 1024-byte buffers, and through CSerial into a sink that only
// checks and counts. Prints one line per case in MB/s (10^6 bytes).
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <thread>

#include "BenchPty.h"
#include "serial/Serial.h"

namespace {

using Clock = std::chrono::steady_clock;
using bench::PatternByte;
constexpr std::size_t kTotal = 256u << 20;

void RawCase(std::size_t readSize) {
    const bench::RawRead raw = bench::ReadRawPty(kTotal, readSize);
    std::printf("raw pty, %zu-byte reads: %.1f MB/s%s\n", readSize, bench::MegabytesPerSecond(raw.bytes, raw.seconds),
                raw.intact ? "" : " (DATA MISMATCH)");
}

class CheckingSink : public viz::ChunkSink {
public:
    bool Push(viz::Chunk chunk) override {
        for (const std::uint8_t byte : chunk.bytes) intact_ &= byte == PatternByte(got_++);
        chunks_.fetch_add(1);
        bytes_.store(got_);
        return true;
    }
    std::size_t bytes() const { return bytes_.load(); }
    std::size_t chunks() const { return chunks_.load(); }
    bool intact() const { return intact_; }

private:
    std::size_t got_ = 0;
    bool intact_ = true;
    std::atomic<std::size_t> bytes_{0};
    std::atomic<std::size_t> chunks_{0};
};

class QuietListener : public viz::SerialListener {
public:
    void OnLineChanged(std::uint32_t, std::uint32_t) override {}
    void OnDeviceLost() override {}
};

void ChannelCase() {
    bench::Pty pty = bench::OpenPty();
    CheckingSink sink;
    QuietListener listener;
    viz::CSerial serial;
    viz::SerialPortConfig settings;
    settings.device = pty.slave;
    settings.baud = 115200;
    const viz::SerialOpenResult result = serial.Open(settings, sink, listener);
    if (!result.ok()) {
        std::printf("open failed: %s\n", viz::SerialOpenFailureText(result).c_str());
        return;
    }
    const auto start = Clock::now();
    std::thread writer = bench::StartPatternWriter(pty.master, kTotal);
    while (sink.bytes() < kTotal) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    writer.join();
    serial.Close();
    std::printf("CSerial into a checking sink: %.1f MB/s, %zu chunks%s\n",
                bench::MegabytesPerSecond(sink.bytes(), seconds), sink.chunks(),
                sink.intact() ? "" : " (DATA MISMATCH)");
    ::close(pty.master);
}

}  // namespace

int main() {
    RawCase(64 * 1024);
    RawCase(1024);
    ChannelCase();
    return 0;
}
