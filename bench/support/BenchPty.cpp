#include "BenchPty.h"

#include <termios.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
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

RawRead ReadRawPty(std::size_t total, std::size_t readSize) {
    Pty pty = OpenPty();
    const int slave = ::open(pty.slave.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    termios line{};
    ::tcgetattr(slave, &line);
    ::cfmakeraw(&line);
    ::tcsetattr(slave, TCSANOW, &line);
    std::vector<std::uint8_t> buffer(readSize);
    RawRead result;
    const auto start = std::chrono::steady_clock::now();
    std::thread writer = StartPatternWriter(pty.master, total);
    while (result.bytes < total) {
        const ssize_t n = ::read(slave, buffer.data(), buffer.size());
        if (n <= 0) break;
        for (std::size_t i = 0; i < static_cast<std::size_t>(n); ++i)
            result.intact &= buffer[i] == PatternByte(result.bytes + i);
        result.bytes += static_cast<std::size_t>(n);
    }
    result.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    writer.join();
    result.intact &= result.bytes == total;
    ::close(slave);
    ::close(pty.master);
    return result;
}

}  // namespace bench
