#include "net/TCPClient.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>
#include <thread>

namespace viz {

namespace {

// Waits for a non-blocking connect to finish; 0 or the errno of its failure.
int FinishConnect(const LinkCore& core, std::chrono::milliseconds limit) {
    switch (core.WaitSocket(POLLOUT, static_cast<int>(limit.count()))) {
        case LinkCore::Wait::Stopped:
            return ECANCELED;
        case LinkCore::Wait::TimedOut:
            return ETIMEDOUT;
        case LinkCore::Wait::Failed:
            return errno;
        case LinkCore::Wait::Ready:
            break;
    }
    int error = 0;
    socklen_t length = sizeof error;
    if (::getsockopt(core.socket(), SOL_SOCKET, SO_ERROR, &error, &length) != 0) return errno;
    return error;
}

// Sends block again once connected, bounded by the send attempt limit.
int MakeBlocking(int socketFd) {
    const int flags = ::fcntl(socketFd, F_GETFL);
    if (flags < 0 || ::fcntl(socketFd, F_SETFL, flags & ~O_NONBLOCK) != 0) return errno;
    return 0;
}

void ReadStream(LinkCore& core) {
    std::uint8_t buffer[CTCPClient::kChunkLimit];
    for (;;) {
        if (core.WaitSocket(POLLIN, -1) != LinkCore::Wait::Ready) return;
        const ssize_t received = ::recv(core.socket(), buffer, sizeof buffer, MSG_DONTWAIT);
        if (received < 0) {
            if (errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK) continue;
            return;
        }
        if (received == 0 || core.stopping()) return;
        Chunk chunk{std::vector<std::uint8_t>(buffer, buffer + received), std::chrono::steady_clock::now()};
        if (!core.sink().Push(std::move(chunk))) return;
    }
}

void RunLink(std::shared_ptr<LinkCore> core, std::chrono::milliseconds connectLimit) {
    int error = FinishConnect(*core, connectLimit);
    if (error == 0) error = MakeBlocking(core->socket());
    if (error != 0) {
        core->SetState(LinkState::Closed);
        core->listener().OnConnected(core->link(), error);
        return;
    }
    core->SetState(LinkState::Open);
    core->listener().OnConnected(core->link(), 0);
    ReadStream(*core);
    core->listener().OnClosed(core->link());
}

}  // namespace

CTCPClient::~CTCPClient() {
    Close();
}

bool CTCPClient::Open(const std::string& address, int sourcePort, int destPort,
                      std::shared_ptr<ChunkSink> sink, std::shared_ptr<LinkListener> listener) {
    Close();
    std::lock_guard lock(mutex_);
    sockaddr_in destination{};
    if (!ParseIpv4(address, destPort, destination)) {
        lastError_ = EINVAL;
        return false;
    }
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, IPPROTO_TCP);
    if (fd < 0) {
        lastError_ = errno;
        return false;
    }
    int error = BindSourcePort(fd, sourcePort);
    if (error == 0 &&
        ::connect(fd, reinterpret_cast<const sockaddr*>(&destination), sizeof destination) != 0 &&
        errno != EINPROGRESS) {
        error = errno;
    }
    if (error != 0) {
        ::close(fd);
        lastError_ = error;
        return false;
    }
    auto core = LinkCore::Create(fd, LinkState::Connecting, std::move(sink), std::move(listener));
    if (!core) {
        lastError_ = errno;
        return false;
    }
    try {
        std::thread(RunLink, core, connectLimit_).detach();
    } catch (const std::system_error& failure) {
        lastError_ = failure.code().value();
        return false;
    }
    core_ = std::move(core);
    lastError_ = 0;
    return true;
}

bool CTCPClient::Close() {
    std::shared_ptr<LinkCore> core;
    {
        std::lock_guard lock(mutex_);
        core.swap(core_);
    }
    if (core) core->Stop();
    return true;
}

std::size_t CTCPClient::Send(const std::uint8_t* data, std::size_t size) {
    std::shared_ptr<LinkCore> core;
    {
        std::lock_guard lock(mutex_);
        core = core_;
    }
    if (size == 0 || !core || core->state() != LinkState::Open) return 0;
    return core->Send(data, size, nullptr);
}

LinkState CTCPClient::state() const {
    std::lock_guard lock(mutex_);
    return core_ ? core_->state() : LinkState::Closed;
}

std::uint64_t CTCPClient::link() const {
    std::lock_guard lock(mutex_);
    return core_ ? core_->link() : 0;
}

int CTCPClient::lastError() const {
    std::lock_guard lock(mutex_);
    return lastError_;
}

void CTCPClient::SetConnectLimit(std::chrono::milliseconds limit) {
    std::lock_guard lock(mutex_);
    connectLimit_ = limit;
}

}  // namespace viz
