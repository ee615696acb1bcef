#include "net/UDPClient.h"

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <system_error>
#include <thread>

namespace viz {

namespace {

void ReadDatagrams(LinkCore& core) {
    std::vector<std::uint8_t> buffer(CUDPClient::kDatagramLimit);
    for (;;) {
        if (core.WaitSocket(POLLIN, -1) != LinkCore::Wait::Ready) return;
        sockaddr_in from{};
        socklen_t fromLength = sizeof from;
        const ssize_t received = ::recvfrom(core.socket(), buffer.data(), buffer.size(), MSG_DONTWAIT,
                                            reinterpret_cast<sockaddr*>(&from), &fromLength);
        if (received < 0) {
            if (errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK) continue;
            return;
        }
        if (core.stopping()) return;
        core.SetPeer(from);
        // An empty datagram is valid traffic, not the end of the link; it
        // only names the peer.
        if (received == 0) continue;
        Chunk chunk{std::vector<std::uint8_t>(buffer.begin(), buffer.begin() + received),
                    std::chrono::steady_clock::now()};
        if (!core.sink().Push(std::move(chunk))) return;
    }
}

void RunLink(std::shared_ptr<LinkCore> core) {
    ReadDatagrams(*core);
    core->listener().OnClosed(core->link());
}

}  // namespace

CUDPClient::~CUDPClient() {
    Close();
}

bool CUDPClient::Open(const std::string& address, int sourcePort, int destPort,
                      std::shared_ptr<ChunkSink> sink, std::shared_ptr<LinkListener> listener) {
    Close();
    std::lock_guard lock(mutex_);
    sockaddr_in peer{};
    if (!ParseIpv4(address, destPort, peer)) {
        lastError_ = EINVAL;
        return false;
    }
    const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, IPPROTO_UDP);
    if (fd < 0) {
        lastError_ = errno;
        return false;
    }
    if (const int error = BindSourcePort(fd, sourcePort); error != 0) {
        ::close(fd);
        lastError_ = error;
        return false;
    }
    auto core = LinkCore::Create(fd, LinkState::Open, std::move(sink), std::move(listener));
    if (!core) {
        lastError_ = errno;
        return false;
    }
    core->SetPeer(peer);
    try {
        std::thread(RunLink, core).detach();
    } catch (const std::system_error& failure) {
        lastError_ = failure.code().value();
        return false;
    }
    core_ = std::move(core);
    lastError_ = 0;
    return true;
}

bool CUDPClient::Close() {
    std::shared_ptr<LinkCore> core;
    {
        std::lock_guard lock(mutex_);
        core.swap(core_);
    }
    if (core) core->Stop();
    return true;
}

std::size_t CUDPClient::Send(const std::uint8_t* data, std::size_t size) {
    std::shared_ptr<LinkCore> core;
    {
        std::lock_guard lock(mutex_);
        core = core_;
    }
    if (size == 0 || !core) return 0;
    const sockaddr_in to = core->peer();
    return core->Send(data, size, &to);
}

LinkState CUDPClient::state() const {
    std::lock_guard lock(mutex_);
    return core_ ? core_->state() : LinkState::Closed;
}

std::uint64_t CUDPClient::link() const {
    std::lock_guard lock(mutex_);
    return core_ ? core_->link() : 0;
}

int CUDPClient::lastError() const {
    std::lock_guard lock(mutex_);
    return lastError_;
}

sockaddr_in CUDPClient::peer() const {
    std::lock_guard lock(mutex_);
    return core_ ? core_->peer() : sockaddr_in{};
}

}  // namespace viz
