#include "board/ByteRelay.h"

#include <cerrno>

#include <unistd.h>

namespace viz {

bool ByteRelay::ReadFrom(int from) {
    char buffer[4096];
    for (;;) {
        const ssize_t got = ::read(from, buffer, sizeof buffer);
        if (got > 0) {
            Append(buffer, static_cast<std::size_t>(got));
            if (static_cast<std::size_t>(got) < sizeof buffer) return true;
            continue;
        }
        if (got == 0) return false;
        if (errno == EINTR) continue;
        return errno == EAGAIN;
    }
}

bool ByteRelay::WriteTo(int to) {
    while (!held_.empty()) {
        const ssize_t put = ::write(to, held_.data(), held_.size());
        if (put > 0) {
            held_.erase(0, static_cast<std::size_t>(put));
            continue;
        }
        if (put < 0 && errno == EINTR) continue;
        return put < 0 && errno == EAGAIN;
    }
    return true;
}

std::size_t ByteRelay::WriteAtMost(int to, std::size_t most) {
    const std::size_t size = held_.size() < most ? held_.size() : most;
    ssize_t put;
    do {
        put = size == 0 ? 0 : ::write(to, held_.data(), size);
    } while (put < 0 && errno == EINTR);
    if (put <= 0) return 0;
    held_.erase(0, static_cast<std::size_t>(put));
    return static_cast<std::size_t>(put);
}

void ByteRelay::Append(const char* data, std::size_t size) {
    const std::size_t room = held_.size() < limit_ ? limit_ - held_.size() : 0;
    const std::size_t taken = size < room ? size : room;
    held_.append(data, taken);
    dropped_ += size - taken;
}

}  // namespace viz
