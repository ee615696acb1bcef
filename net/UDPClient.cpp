#include "net/UDPClient.h"

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>

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
        Chunk chunk = Chunk::JustRead(std::vector<std::uint8_t>(buffer.begin(), buffer.begin() + received));
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
    sockaddr_in peer{};
    if (!ParseIpv4(address, destPort, peer)) return slot_.Fail(EINVAL);
    const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, IPPROTO_UDP);
    if (fd < 0) return slot_.Fail(errno);
    if (const int error = BindSourcePort(fd, sourcePort); error != 0) {
        ::close(fd);
        return slot_.Fail(error);
    }
    auto core = LinkCore::Create(fd, LinkState::Open, std::move(sink), std::move(listener));
    if (!core) return slot_.Fail(errno);
    core->SetPeer(peer);
    return slot_.Start(std::move(core), RunLink);
}

bool CUDPClient::Close() {
    slot_.Close();
    return true;
}

WriteStep CUDPClient::Write(const std::uint8_t* data, std::size_t size, const WriteWait& wait) {
    const auto core = slot_.current();
    if (!core) return FailedStep(ENOTCONN);
    if (size == 0) return WrittenStep(0);
    const sockaddr_in to = core->peer();
    return core->Write(data, size, wait, &to);
}

sockaddr_in CUDPClient::peer() const {
    const auto core = slot_.current();
    return core ? core->peer() : sockaddr_in{};
}

}  // namespace viz
