#include "net/TCPClient.h"

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>

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
        Chunk chunk = Chunk::JustRead(std::vector<std::uint8_t>(buffer, buffer + received));
        if (!core.sink().Push(std::move(chunk))) return;
    }
}

void RunLink(std::shared_ptr<LinkCore> core, std::chrono::milliseconds connectLimit) {
    const int error = FinishConnect(*core, connectLimit);
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
    closedUndelivered_.store(0);
    sockaddr_in destination{};
    if (!ParseIpv4(address, destPort, destination)) return slot_.Fail(EINVAL);
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, IPPROTO_TCP);
    if (fd < 0) return slot_.Fail(errno);
    int error = BindSourcePort(fd, sourcePort);
    if (error == 0 &&
        ::connect(fd, reinterpret_cast<const sockaddr*>(&destination), sizeof destination) != 0 &&
        errno != EINPROGRESS) {
        error = errno;
    }
    if (error != 0) {
        ::close(fd);
        return slot_.Fail(error);
    }
    auto core = LinkCore::Create(fd, LinkState::Connecting, std::move(sink), std::move(listener));
    if (!core) return slot_.Fail(errno);
    const auto limit = connectLimit_;
    return slot_.Start(std::move(core),
                       [limit](std::shared_ptr<LinkCore> link) { RunLink(std::move(link), limit); });
}

bool CTCPClient::Close() {
    // Before the close of this side's own, which would leave the peer's part open to doubt.
    if (const auto core = slot_.current()) closedUndelivered_.store(UndeliveredBytes(core->socket()));
    slot_.Close();
    return true;
}

std::uint64_t CTCPClient::Undelivered() const {
    const auto core = slot_.current();
    return core ? UndeliveredBytes(core->socket()) : closedUndelivered_.load();
}

WriteStep CTCPClient::Write(const std::uint8_t* data, std::size_t size, const WriteWait& wait) {
    const auto core = slot_.current();
    if (!core || core->state() != LinkState::Open) return FailedStep(ENOTCONN);
    return core->Write(data, size, wait, nullptr);
}

}  // namespace viz
