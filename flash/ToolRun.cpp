#include "flash/ToolRun.h"

#include <cerrno>
#include <cstdint>

#include <poll.h>
#include <unistd.h>

namespace viz {

ToolCapture CaptureTool(const std::filesystem::path& program, std::vector<std::string> arguments,
                        int stopFd) {
    ToolCapture capture;
    ChildProcess child;
    capture.startError = child.Start(ChildSpec{program, std::move(arguments), {}, false, {}, {}});
    if (capture.startError != 0) return capture;
    char buffer[4096];
    for (;;) {
        pollfd fds[2] = {{child.output(), POLLIN, 0}, {stopFd, POLLIN, 0}};
        if (::poll(fds, 2, -1) < 0 && errno != EINTR) break;
        if (fds[1].revents & POLLIN) {
            capture.stopped = true;
            capture.status = child.Kill();
            return capture;
        }
        const ssize_t got = ::read(child.output(), buffer, sizeof buffer);
        if (got > 0) {
            capture.output.append(buffer, static_cast<std::size_t>(got));
        } else if (got == 0 || (errno != EAGAIN && errno != EINTR)) {
            break;
        }
    }
    capture.status = child.Wait();
    return capture;
}

void SignalStop(int stopFd) {
    const std::uint64_t one = 1;
    [[maybe_unused]] const ssize_t told = ::write(stopFd, &one, sizeof one);
}

}  // namespace viz
