#include "avrsim/ControlInput.h"

#include <cerrno>

#include <fcntl.h>
#include <unistd.h>

namespace viz::avrsim {
namespace {

// A line without an end must not grow for ever.
constexpr std::size_t kLongestLine = 256;

}  // namespace

ControlInput::ControlInput(int fd) : fd_(fd) {
    if (fd_ >= 0) ::fcntl(fd_, F_SETFL, ::fcntl(fd_, F_GETFL) | O_NONBLOCK);
}

std::vector<Line> ControlInput::Take() {
    char buffer[512];
    while (fd_ >= 0) {
        const ssize_t got = ::read(fd_, buffer, sizeof buffer);
        if (got > 0) {
            pending_.append(buffer, static_cast<std::size_t>(got));
            continue;
        }
        if (got < 0 && errno == EINTR) continue;
        // The window closed its end: nothing more will come.
        if (got == 0 || errno != EAGAIN) {
            ::close(fd_);
            fd_ = -1;
        }
        break;
    }
    std::vector<Line> commands;
    std::size_t end;
    while ((end = pending_.find('\n')) != std::string::npos) {
        if (auto line = Parse(std::string_view(pending_).substr(0, end)))
            commands.push_back(std::move(*line));
        pending_.erase(0, end + 1);
    }
    if (pending_.size() > kLongestLine) pending_.clear();
    return commands;
}

}  // namespace viz::avrsim
