#pragma once
// Pseudo-terminal pairs and a checkable byte stream for the serial benches.

#include <cstddef>
#include <cstdint>
#include <string>
#include <thread>

namespace bench {

struct Pty {
    int master = -1;
    std::string slave;
};

// A new pair; exits the program when the system has none to give.
Pty OpenPty();
// The pair's slave opened raw, as a program that owns the port would.
int OpenRawSlave(const Pty& pty);
// A serial device or pty slave opened raw and non-blocking, as a tool on
// the far side of a board's port would; -1 when it cannot be opened.
int OpenRaw(const std::string& path);

// The byte at `at` of the stream every writer sends: a period of 251 does not
// line up with any power-of-two block, so shifted or repeated blocks show.
inline std::uint8_t PatternByte(std::size_t at) {
    return static_cast<std::uint8_t>(at % 251);
}

// Writes `total` pattern bytes into `fd` in 64 KiB writes, blocking while
// the far side is behind; stops early when a write fails.
std::thread StartPatternWriter(int fd, std::size_t total);

struct RawRead {
    std::size_t bytes = 0;
    double seconds = 0;
    bool intact = true;
};

// Reads `total` pattern bytes from the raw slave of a fresh pair in
// `readSize`-byte reads, for the rate the kernel alone reaches.
RawRead ReadRawPty(std::size_t total, std::size_t readSize);

// Reads `total` bytes from `fd` (blocking), checking them against the
// pattern; stops early at the end of the stream.
RawRead ReadPattern(int fd, std::size_t total, std::size_t readSize);

// Seconds plain write(2) calls of `block` pattern bytes take to move `total`
// bytes through the slave of a fresh pair to a reader on its master.
double RawPtyWriteSeconds(std::size_t total, std::size_t block);

inline double MegabytesPerSecond(std::size_t bytes, double seconds) {
    return static_cast<double>(bytes) / 1e6 / seconds;
}

}  // namespace bench
