#pragma once

// The write of a channel whose link is a non-blocking descriptor (a tty, a
// socket): what the descriptor takes now, or a wait for room that ends on
// the channel's own close signal, the send's cancel, or the time limit.

#include <sys/socket.h>

#include "terminal/LinkWrite.h"

namespace viz {

enum class DescriptorKind {
    Device,  // write(2); the descriptor is O_NONBLOCK
    Socket,  // send(2) without SIGPIPE; with a destination, one datagram
};

struct Destination {
    const sockaddr* address = nullptr;
    socklen_t length = 0;
};

// `closeFd` becomes readable when the channel closes (-1: none); the write
// then returns ENOTCONN.
WriteStep WriteDescriptor(int fd, DescriptorKind kind, int closeFd, const std::uint8_t* data, std::size_t size,
                          const WriteWait& wait, Destination to = {});

}  // namespace viz
