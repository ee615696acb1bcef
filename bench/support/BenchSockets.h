#pragma once
// Plain TCP sockets on 127.0.0.1 for the network benches.

#include <cstddef>

namespace bench {

// A listening socket on a free loopback port, written to `port`.
int ListenOnLoopback(int& port);

// A socket connected to 127.0.0.1:`port`.
int ConnectTo(int port);

// Sends `total` bytes of the pattern stream (BenchPty.h) in `block`-byte
// sends; stops early when a send fails.
void SendAll(int fd, std::size_t total, std::size_t block);

// Receives until `limit` bytes came or the peer closed; returns the count.
std::size_t ReceiveAll(int fd, std::size_t limit);

// Seconds two plain sockets take to move `total` bytes in `block`-byte sends,
// the reader on its own thread; `checked`: the reader checks the pattern as
// a page's peer does.
double RawLoopbackSeconds(std::size_t total, std::size_t block, bool checked = false);

}  // namespace bench
