#include "net/LinkCore.h"

#include <arpa/inet.h>
#include <linux/sockios.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <string>

#include "terminal/DescriptorWrite.h"

namespace viz {

namespace {

std::atomic<std::uint64_t> lastLink{0};

using Clock = std::chrono::steady_clock;

int RemainingMs(Clock::time_point deadline) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left > 0 ? static_cast<int>(left) : 0;
}

}  // namespace

std::shared_ptr<LinkCore> LinkCore::Create(int socketFd, LinkState initial, std::shared_ptr<ChunkSink> sink,
                                           std::shared_ptr<LinkListener> listener) {
    const int wake = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (wake < 0) {
        const int error = errno;
        ::close(socketFd);
        errno = error;
        return nullptr;
    }
    return std::shared_ptr<LinkCore>(
        new LinkCore(socketFd, wake, initial, std::move(sink), std::move(listener)));
}

LinkCore::LinkCore(int socketFd, int wakeFd, LinkState initial, std::shared_ptr<ChunkSink> sink,
                   std::shared_ptr<LinkListener> listener)
    : socket_(socketFd),
      wake_(wakeFd),
      link_(++lastLink),
      sink_(std::move(sink)),
      listener_(std::move(listener)),
      state_(initial) {}

LinkCore::~LinkCore() {
    ::close(socket_);
    ::close(wake_);
}

void LinkCore::Stop() {
    if (stop_.exchange(true)) return;
    const std::uint64_t one = 1;
    // Cannot fail short of a full counter, which a single write never reaches.
    static_cast<void>(::write(wake_, &one, sizeof one));
    ::shutdown(socket_, SHUT_RDWR);
}

LinkCore::Wait LinkCore::WaitSocket(short events, int timeoutMs) const {
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        if (stopping()) return Wait::Stopped;
        pollfd fds[2] = {{socket_, events, 0}, {wake_, POLLIN, 0}};
        const int result = ::poll(fds, 2, timeoutMs < 0 ? -1 : RemainingMs(deadline));
        if (result < 0) {
            if (errno == EINTR) continue;
            return Wait::Failed;
        }
        if (fds[1].revents != 0 || stopping()) return Wait::Stopped;
        if (fds[0].revents != 0) return Wait::Ready;
        if (result == 0) return Wait::TimedOut;
    }
}

WriteStep LinkCore::Write(const std::uint8_t* data, std::size_t size, const WriteWait& wait,
                          const sockaddr_in* to) const {
    if (stopping()) return FailedStep(ENOTCONN);
    Destination destination;
    if (to != nullptr) destination = {reinterpret_cast<const sockaddr*>(to), sizeof *to};
    return WriteDescriptor(socket_, DescriptorKind::Socket, wake_, data, size, wait, destination);
}

sockaddr_in LinkCore::peer() const {
    std::lock_guard lock(peerMutex_);
    return peer_;
}

void LinkCore::SetPeer(const sockaddr_in& peer) {
    std::lock_guard lock(peerMutex_);
    peer_ = peer;
}

bool ParseIpv4(const std::string& text, int port, sockaddr_in& address) {
    address = sockaddr_in{};
    address.sin_family = AF_INET;
    // Ports are taken as 16-bit values, the way the page's edits have always been read.
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    return ::inet_pton(AF_INET, text.c_str(), &address.sin_addr) == 1;
}

std::uint64_t UndeliveredBytes(int socketFd) {
    tcp_info info{};
    socklen_t length = sizeof info;
    if (::getsockopt(socketFd, IPPROTO_TCP, TCP_INFO, &info, &length) != 0) return 0;
    // Sent or queued, not acknowledged: sequence numbers, so still right
    // after a reset has emptied the queue.
    int queued = 0;
    if (::ioctl(socketFd, SIOCOUTQ, &queued) != 0 || queued <= 0) return 0;
    switch (info.tcpi_state) {
        case TCP_CLOSE:
        case TCP_CLOSE_WAIT:
            return static_cast<std::uint64_t>(queued);
        case TCP_LAST_ACK:
        case TCP_CLOSING:
            // This side's own close went after the data and takes one number.
            return static_cast<std::uint64_t>(queued - 1);
        default:
            return 0;
    }
}

int BindSourcePort(int socketFd, int port) {
    const int on = 1;
    if (::setsockopt(socketFd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on) != 0) return errno;
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_port = htons(static_cast<std::uint16_t>(port));
    local.sin_addr.s_addr = htonl(INADDR_ANY);
    if (::bind(socketFd, reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0) return errno;
    return 0;
}

}  // namespace viz
