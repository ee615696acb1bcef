#include "platform/Hotplug.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <system_error>

namespace viz {

HotplugWatch::HotplugWatch(std::unique_ptr<HotplugEventSource> source, Handler handler)
    : source_(std::move(source)), handler_(std::move(handler)) {
    stopFd_ = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (stopFd_ < 0) throw std::system_error(errno, std::generic_category());
    try {
        thread_ = std::thread([this] { Run(); });
    } catch (...) {
        ::close(stopFd_);
        throw;
    }
}

HotplugWatch::~HotplugWatch() {
    const std::uint64_t one = 1;
    // Cannot fail short of a full counter, which one write never reaches.
    static_cast<void>(::write(stopFd_, &one, sizeof one));
    thread_.join();
    ::close(stopFd_);
}

void HotplugWatch::Run() {
    pollfd waits[2] = {{source_->fd(), POLLIN, 0}, {stopFd_, POLLIN, 0}};
    for (;;) {
        if (::poll(waits, 2, -1) < 0) {
            if (errno == EINTR) continue;
            return;
        }
        if (waits[1].revents != 0) return;
        if (waits[0].revents & POLLIN) {
            for (const HotplugEvent& event : source_->Take()) handler_(event);
        } else if (waits[0].revents != 0) {
            // The source broke; polling it again would spin.
            return;
        }
    }
}

}  // namespace viz
