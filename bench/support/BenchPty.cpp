#include "BenchPty.h"

#include <termios.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include <fcntl.h>
#include <unistd.h>

namespace bench {

Pty OpenPty() {
    Pty pty;
    pty.master = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    char name[128] = {};
    if (pty.master < 0 || ::grantpt(pty.master) != 0 || ::unlockpt(pty.master) != 0 ||
        ::ptsname_r(pty.master, name, sizeof name) != 0) {
        std::perror("pty");
        std::exit(2);
    }
    pty.slave = name;
    return pty;
}

int OpenRawSlave(const Pty& pty) {
    const int slave = ::open(pty.slave.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    termios line{};
    ::tcgetattr(slave, &line);
    ::cfmakeraw(&line);
    ::tcsetattr(slave, TCSANOW, &line);
    return slave;
}

int OpenRaw(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    termios line{};
    if (fd >= 0 && ::tcgetattr(fd, &line) == 0) {
        ::cfmakeraw(&line);
        ::tcsetattr(fd, TCSANOW, &line);
    }
    return fd;
}

std::thread StartPatternWriter(int fd, std::size_t total) {
    return std::thread([fd, total] {
        constexpr std::size_t kBlock = 64 * 1024;
        std::vector<std::uint8_t> block(kBlock + 251);
        for (std::size_t i = 0; i < block.size(); ++i) block[i] = PatternByte(i);
        std::size_t done = 0;
        while (done < total) {
            const std::size_t size = std::min(kBlock, total - done);
            const ssize_t n = ::write(fd, block.data() + done % 251, size);
            if (n <= 0) break;
            done += static_cast<std::size_t>(n);
        }
    });
}

RawRead ReadPattern(int fd, std::size_t total, std::size_t readSize) {
    std::vector<std::uint8_t> buffer(readSize);
    RawRead result;
    const auto start = std::chrono::steady_clock::now();
    // Compared against a copy of the stream with memcmp: a byte-by-byte
    // check would make the reader, not the link, what is measured.
    std::vector<std::uint8_t> expected(readSize + 251);
    for (std::size_t i = 0; i < expected.size(); ++i) expected[i] = PatternByte(i);
    while (result.bytes < total) {
        const ssize_t n = ::read(fd, buffer.data(), std::min(buffer.size(), total - result.bytes));
        if (n <= 0) break;
        const auto size = static_cast<std::size_t>(n);
        result.intact &= std::memcmp(buffer.data(), expected.data() + result.bytes % 251, size) == 0;
        result.bytes += size;
    }
    result.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    result.intact &= result.bytes == total;
    return result;
}

double RawPtyWriteSeconds(std::size_t total, std::size_t block) {
    Pty pty = OpenPty();
    const int slave = OpenRawSlave(pty);
    std::vector<std::uint8_t> data(block + 251);
    for (std::size_t i = 0; i < data.size(); ++i) data[i] = PatternByte(i);
    const auto start = std::chrono::steady_clock::now();
    std::thread reader([&] { ReadPattern(pty.master, total, 64 * 1024); });
    for (std::size_t done = 0; done < total;) {
        const ssize_t n = ::write(slave, data.data() + done % 251, std::min(block, total - done));
        if (n <= 0) break;
        done += static_cast<std::size_t>(n);
    }
    reader.join();
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    ::close(slave);
    ::close(pty.master);
    return seconds;
}

RawRead ReadRawPty(std::size_t total, std::size_t readSize) {
    Pty pty = OpenPty();
    const int slave = OpenRawSlave(pty);
    std::thread writer = StartPatternWriter(pty.master, total);
    const RawRead result = ReadPattern(slave, total, readSize);
    writer.join();
    ::close(slave);
    ::close(pty.master);
    return result;
}

}  // namespace bench
