#pragma once

#include <cstdint>

namespace viz {

// How a network channel tells its owner that a link changed state. Calls come
// on the channel's own thread and must return quickly (post to the UI thread);
// `link` is the number the channel gave that open (see link()), so a notice
// that arrives after the owner closed or reopened the channel can be told
// apart from one about the current link.
class LinkListener {
public:
    virtual ~LinkListener() = default;

    // TCP only: the connect started by a successful Open() ended. `error` is 0
    // when the link is now open, otherwise the errno of the failure
    // (ECONNREFUSED, ETIMEDOUT when the connect limit passed, ECANCELED when
    // Close() gave it up). Exactly one per open that returned true.
    virtual void OnConnected(std::uint64_t /*link*/, int /*error*/) {}

    // The link's reader ended: the peer closed, a receive failed, Close() was
    // called, or the sink stopped taking chunks. Exactly one per link that
    // became open, always after the last chunk of that link was pushed.
    virtual void OnClosed(std::uint64_t link) = 0;
};

}  // namespace viz
