#include "avrsim/ReportOut.h"

#include <cerrno>

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

namespace viz::avrsim {
namespace {

// About a minute of a pin toggled every few microseconds.
constexpr std::size_t kMostHeld = 8 * 1024 * 1024;

}  // namespace

ReportOut::ReportOut(int fd) : fd_(fd) {
    // A pipe to the window is made non-blocking so a slow reader does not
    // stop the chip; a terminal is left as it is, since others share it.
    struct stat about {};
    if (::fstat(fd_, &about) == 0 && S_ISFIFO(about.st_mode))
        ::fcntl(fd_, F_SETFL, ::fcntl(fd_, F_GETFL) | O_NONBLOCK);
}

bool ReportOut::WriteSome() {
    while (written_ < held_.size()) {
        const ssize_t put = ::write(fd_, held_.data() + written_, held_.size() - written_);
        if (put > 0) {
            written_ += static_cast<std::size_t>(put);
            continue;
        }
        if (put < 0 && errno == EINTR) continue;
        if (put < 0 && errno == EAGAIN) break;
        held_.clear();
        written_ = 0;
        return false;
    }
    // Moving the rest forward only now and then keeps a long backlog cheap.
    if (written_ == held_.size()) {
        held_.clear();
        written_ = 0;
    } else if (written_ > held_.size() / 2) {
        held_.erase(0, written_);
        written_ = 0;
    }
    return true;
}

void ReportOut::WaitWritable() const {
    pollfd wait{fd_, POLLOUT, 0};
    while (::poll(&wait, 1, -1) < 0 && errno == EINTR) {
    }
}

void ReportOut::Flush() {
    while (WriteSome() && held_.size() - written_ > kMostHeld) WaitWritable();
}

void ReportOut::Finish() {
    while (WriteSome() && written_ < held_.size()) WaitWritable();
}

}  // namespace viz::avrsim
