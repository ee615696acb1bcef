#include "board/S51LearnFeed.h"

#include <cerrno>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace viz {

S51LearnFeed::~S51LearnFeed() {
    if (fd_ >= 0) ::close(fd_);
}

std::string S51LearnFeed::Open(const std::filesystem::path& folder) {
    const std::filesystem::path path = folder / "pins.vcd";
    if (::mkfifo(path.c_str(), 0600) != 0) {
        error_ = errno;
        return {};
    }
    // Open for reading first and without waiting: s51's open for writing
    // then finds a reader and does not block.
    fd_ = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd_ < 0) {
        error_ = errno;
        return {};
    }
    // The chip comes out of reset with every latch high, whatever an
    // earlier run left on the board.
    for (std::size_t port = 0; port < kBoardPorts; ++port) link_.PortChanged(port, 0xFF, start_);
    link_.ChipReset();
    std::string commands;
    for (const std::string& command : S51PinTraceCommands(path.string())) commands += command + '\n';
    return commands;
}

void S51LearnFeed::Drain() {
    if (fd_ < 0) return;
    char buffer[16384];
    for (;;) {
        const ssize_t got = ::read(fd_, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) continue;
        // Nothing before s51 opened it means no writer yet, afterwards that
        // s51 closed it (a reader would then be woken for ever).
        if (got == 0 && writerSeen_) writerGone_ = true;
        if (got <= 0) return;
        writerSeen_ = true;
        trace_.Feed(std::string_view(buffer, static_cast<std::size_t>(got)),
                    [&](std::size_t port, std::uint8_t levels, SimNanos at) {
                        link_.PortChanged(port, levels, start_ + at);
                    });
    }
}

std::string S51LearnFeed::Advance(SimNanos at) {
    link_.AdvanceTo(start_ + at);
    std::vector<std::string> due;
    if (resendAll_) {
        resendAll_ = false;
        due = S51AllOutsideCommands(link_.Outside());
    } else {
        const std::optional<OutsideLevels> before = link_.sent();
        if (const std::optional<OutsideLevels> outside = link_.TakeOutside())
            due = S51OutsideCommands(*outside, before);
    }
    std::string commands;
    for (const std::string& command : due) commands += command + '\n';
    return commands;
}

}  // namespace viz
