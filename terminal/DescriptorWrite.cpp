#include "terminal/DescriptorWrite.h"

#include <poll.h>
#include <unistd.h>

#include <chrono>
#include <optional>

namespace viz {
namespace {

using Clock = std::chrono::steady_clock;

ssize_t WriteOnce(int fd, DescriptorKind kind, const std::uint8_t* data, std::size_t size, Destination to) {
    if (kind == DescriptorKind::Device) return ::write(fd, data, size);
    return ::sendto(fd, data, size, MSG_NOSIGNAL | MSG_DONTWAIT, to.address, to.length);
}

bool Readable(const pollfd& entry) {
    return entry.fd >= 0 && (entry.revents & (POLLIN | POLLERR | POLLHUP | POLLNVAL)) != 0;
}

}  // namespace

WriteStep WriteDescriptor(int fd, DescriptorKind kind, int closeFd, const std::uint8_t* data, std::size_t size,
                          const WriteWait& wait, Destination to) {
    if (size == 0) return WrittenStep(0);
    // Known only once the first wait starts: most writes need none.
    std::optional<Clock::time_point> deadline;
    // A hang-up without room is asked once more: the write then tells why.
    bool hungUp = false;
    for (;;) {
        const ssize_t written = WriteOnce(fd, kind, data, size, to);
        if (written > 0) return WrittenStep(static_cast<std::size_t>(written));
        if (written < 0 && errno == EINTR) continue;
        if (written < 0 && errno != EAGAIN && errno != EWOULDBLOCK) return FailedStep(errno);
        if (hungUp) return FailedStep(EPIPE);

        int timeout = -1;
        if (wait.timeoutMs >= 0) {
            const auto now = Clock::now();
            if (!deadline) deadline = now + std::chrono::milliseconds(wait.timeoutMs);
            const auto left = std::chrono::ceil<std::chrono::milliseconds>(*deadline - now).count();
            if (left <= 0) return FailedStep(EAGAIN);
            timeout = static_cast<int>(left);
        }
        pollfd waits[3] = {{fd, POLLOUT, 0}, {closeFd, POLLIN, 0}, {wait.cancelFd, POLLIN, 0}};
        const int ready = ::poll(waits, 3, timeout);
        if (ready < 0) {
            if (errno == EINTR) continue;
            return FailedStep(errno);
        }
        if (Readable(waits[1])) return FailedStep(ENOTCONN);
        if (Readable(waits[2])) return FailedStep(ECANCELED);
        if (ready == 0) return FailedStep(EAGAIN);
        if (waits[0].revents & POLLNVAL) return FailedStep(EBADF);
        hungUp = (waits[0].revents & POLLOUT) == 0;
    }
}

}  // namespace viz
