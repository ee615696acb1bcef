#include "serial/SerMonClient.h"

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace viz::sermon {
namespace {

using Clock = std::chrono::steady_clock;

// A connected socket, or -1 with errno set.
int ConnectTo(const std::filesystem::path& socket, int flags) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const std::string text = socket.string();
    if (text.size() >= sizeof address.sun_path) {
        errno = ENAMETOOLONG;
        return -1;
    }
    std::memcpy(address.sun_path, text.c_str(), text.size() + 1);
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | flags, 0);
    if (fd < 0) return -1;
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        const int error = errno;
        ::close(fd);
        errno = error;
        return -1;
    }
    return fd;
}

int PollTimeout(Clock::time_point deadline) {
    if (deadline == Clock::time_point::max()) return -1;
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
    return static_cast<int>(std::clamp<std::int64_t>(left.count(), 0, 60 * 60 * 1000));
}

}  // namespace

int Probe(const std::filesystem::path& socket) {
    const int fd = ConnectTo(socket, SOCK_NONBLOCK);
    if (fd < 0) return errno;
    ::close(fd);
    return 0;
}

bool HelperAbsent(int error) {
    return error == ENOENT || error == ECONNREFUSED;
}

pid_t HelperProcess(const std::filesystem::path& socket) {
    const int fd = ConnectTo(socket, SOCK_NONBLOCK);
    if (fd < 0) return -1;
    ucred peer{};
    socklen_t size = sizeof peer;
    const bool known = ::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &peer, &size) == 0;
    ::close(fd);
    return known ? peer.pid : -1;
}

int Connection::Connect(const std::filesystem::path& socket) {
    Close();
    fd_ = ConnectTo(socket, 0);
    return fd_ < 0 ? errno : 0;
}

bool Connection::Send(std::uint32_t code, std::uint32_t tag, const Bytes& input) {
    if (fd_ < 0) return false;
    const Bytes frame = EncodeFrame(code, tag, 0, input);
    std::size_t done = 0;
    while (done < frame.size()) {
        const ssize_t sent = ::send(fd_, frame.data() + done, frame.size() - done, MSG_NOSIGNAL);
        if (sent < 0 && errno == EINTR) continue;
        if (sent <= 0) return false;
        done += static_cast<std::size_t>(sent);
    }
    return true;
}

Connection::Wait Connection::Await(std::uint32_t tag, int cancelFd, Clock::time_point deadline,
                                   Frame& answer) {
    if (fd_ < 0) return Wait::Broken;
    for (;;) {
        while (std::optional<Frame> frame = in_.Next()) {
            if (frame->tag != tag) continue;
            answer = std::move(*frame);
            return Wait::Answered;
        }
        if (in_.broken()) return Wait::Broken;
        pollfd waits[2] = {{fd_, POLLIN, 0}, {cancelFd, POLLIN, 0}};
        const int ready = ::poll(waits, cancelFd >= 0 ? 2 : 1, PollTimeout(deadline));
        if (ready < 0) {
            if (errno == EINTR) continue;
            return Wait::Broken;
        }
        if (cancelFd >= 0 && waits[1].revents != 0) return Wait::Cancelled;
        if (ready == 0) return Wait::TimedOut;
        std::uint8_t buffer[16 * 1024];
        const ssize_t count = ::recv(fd_, buffer, sizeof buffer, MSG_DONTWAIT);
        if (count < 0 && (errno == EAGAIN || errno == EINTR)) continue;
        if (count <= 0) return Wait::Broken;
        in_.Feed(buffer, static_cast<std::size_t>(count));
    }
}

void Connection::Close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    in_ = FrameReader();
}

}  // namespace viz::sermon
