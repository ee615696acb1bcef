#pragma once

// What a channel offers the send path: one write that may wait for the link
// to take data, but never longer than it is told and never past a cancel.
// A link's writer thread calls it; the channel keeps it safe against its own
// Close() on the page's thread (a write in progress returns at once and none
// touches the device after Close() has returned).

#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <functional>

namespace viz {

struct WriteWait {
    // Readable when the send must stop; a write returns ECANCELED then.
    int cancelFd = -1;
    // How long to wait for room before returning EAGAIN; negative: no limit.
    int timeoutMs = 1000;
};

struct WriteStep {
    // Input bytes the link took; less than asked on a stream is normal.
    std::size_t consumed = 0;
    // What a typed send counts: a report link pads its reports and counts
    // the report's data size; every other link counts what it took.
    std::size_t counted = 0;
    // 0, or EAGAIN (no room within the wait: ask again), ECANCELED (the
    // cancel fired), ENOTCONN (the link was closed), ENODEV (the device went
    // away) or the system's errno.
    int error = 0;
};

inline WriteStep WrittenStep(std::size_t bytes) {
    return {bytes, bytes, 0};
}
inline WriteStep FailedStep(int error) {
    return {0, 0, error};
}

using LinkWriteFn = std::function<WriteStep(const std::uint8_t* data, std::size_t size, const WriteWait& wait)>;

// Of the bytes a link took, how many cannot reach the peer now that the link
// has ended (what a TCP socket still held unacknowledged when the peer closed
// or reset it). Asked on the writer's thread when a file send ends with its
// link; without it every byte the link took counts as arrived.
using UndeliveredFn = std::function<std::uint64_t()>;

}  // namespace viz
