#include "net/TCPCustom.h"

#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>

#include "net/LinkCore.h"
#include "terminal/DescriptorWrite.h"

namespace viz {

namespace {

std::atomic<std::uint64_t> lastClientId{0};

}  // namespace

CTCPCustom::CTCPCustom(int socketFd, std::string address, int port)
    : socket_(socketFd), id_(++lastClientId), address_(std::move(address)), port_(port) {}

CTCPCustom::~CTCPCustom() {
    ::close(socket_);
}

WriteStep CTCPCustom::Write(const std::uint8_t* data, std::size_t size, const WriteWait& wait) {
    if (size == 0) return WrittenStep(0);
    if (closed()) return FailedStep(ENOTCONN);
    // No close descriptor of our own: Close() shuts the socket down, which
    // ends a wait for room just as well.
    WriteStep step = WriteDescriptor(socket_, DescriptorKind::Socket, -1, data, size, wait);
    if (step.error == 0 || step.error == EAGAIN || step.error == ECANCELED) return step;
    // A write that failed because this side closed the client is no failure of the link.
    if (closed()) {
        step.error = ENOTCONN;
        return step;
    }
    int none = 0;
    sendError_.compare_exchange_strong(none, step.error);
    Close();
    return step;
}

std::uint64_t CTCPCustom::Undelivered() const {
    // The socket stays open until the last owner lets go, so this is never another's.
    return UndeliveredBytes(socket_);
}

void CTCPCustom::Close() {
    if (closed_.exchange(true)) return;
    ::shutdown(socket_, SHUT_RDWR);
}

}  // namespace viz
