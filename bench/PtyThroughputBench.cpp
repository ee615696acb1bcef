// Measures how fast bytes cross a pseudo-terminal: raw reads of the slave with
// large and with 1024-byte buffers, and through CSerial into a sink that only
// checks and counts. Prints one line per case in MB/s (10^6 bytes).
#include <termios.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include "serial/Serial.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr std::size_t kTotal = 256u << 20;

struct Pty {
    int master = -1;
    std::string slave;
};

Pty OpenPty() {
    Pty pty;
    pty.master = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    char name[128] = {};
    if (pty.master < 0 || ::grantpt(pty.master) != 0 || ::unlockpt(pty.master) != 0 ||
        ::ptsname_r(pty.master, name, sizeof name) != 0) {
        std::perror("pty");
        std::exit(1);
    }
    pty.slave = name;
    return pty;
}

std::uint8_t PatternByte(std::size_t at) {
    return static_cast<std::uint8_t>(at % 251);
}

// Streams kTotal pattern bytes into the master.
std::thread StartWriter(int master) {
    return std::thread([master] {
        std::vector<std::uint8_t> block(64 * 1024 + 251);
        for (std::size_t i = 0; i < block.size(); ++i) block[i] = PatternByte(i);
        std::size_t done = 0;
        while (done < kTotal) {
            const std::size_t offset = done % 251;
            const std::size_t size = std::min<std::size_t>(64 * 1024, kTotal - done);
            const ssize_t n = ::write(master, block.data() + offset, size);
            if (n <= 0) break;
            done += static_cast<std::size_t>(n);
        }
    });
}

double MegabytesPerSecond(std::size_t bytes, Clock::duration took) {
    return static_cast<double>(bytes) / 1e6 / std::chrono::duration<double>(took).count();
}

void RawCase(std::size_t readSize) {
    Pty pty = OpenPty();
    const int slave = ::open(pty.slave.c_str(), O_RDWR | O_NOCTTY);
    termios line{};
    ::tcgetattr(slave, &line);
    ::cfmakeraw(&line);
    ::tcsetattr(slave, TCSANOW, &line);
    std::vector<std::uint8_t> buffer(readSize);
    const auto start = Clock::now();
    std::thread writer = StartWriter(pty.master);
    std::size_t got = 0;
    bool intact = true;
    while (got < kTotal) {
        const ssize_t n = ::read(slave, buffer.data(), buffer.size());
        if (n <= 0) break;
        for (ssize_t i = 0; i < n; ++i) intact &= buffer[static_cast<std::size_t>(i)] == PatternByte(got + i);
        got += static_cast<std::size_t>(n);
    }
    const auto took = Clock::now() - start;
    writer.join();
    std::printf("raw pty, %zu-byte reads: %.1f MB/s%s\n", readSize, MegabytesPerSecond(got, took),
                intact && got == kTotal ? "" : " (DATA MISMATCH)");
    ::close(slave);
    ::close(pty.master);
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
    Pty pty = OpenPty();
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
    std::thread writer = StartWriter(pty.master);
    while (sink.bytes() < kTotal) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    const auto took = Clock::now() - start;
    writer.join();
    serial.Close();
    std::printf("CSerial into a checking sink: %.1f MB/s, %zu chunks%s\n",
                MegabytesPerSecond(sink.bytes(), took), sink.chunks(),
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
