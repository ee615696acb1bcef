#include "sermon/SerMonWatch.h"

#include <fcntl.h>
#include <stdlib.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "serial/SerialOpenResult.h"
#include "serial/SerialTermios.h"

namespace viz::sermon {
namespace {

// Reads of one side at a time; one read becomes at most one record.
constexpr std::size_t kReadSize = kMaxRecordData;
// Bytes waiting to be written to the other side before that side is read no more.
constexpr std::size_t kPendingLimit = 64 * 1024;

// The line the helper gives both sides before the watched program sets its own.
SerialPortConfig StartLine(const std::string& device) {
    SerialPortConfig config;
    config.device = device;
    config.baud = 9600;
    return config;
}

void CloseFd(int& fd) {
    if (fd >= 0) ::close(fd);
    fd = -1;
}

// Writes as much of `pending` from `start` as `fd` takes now; returns the
// count written, or -1 with errno on a failure other than a full queue.
ssize_t WriteSome(int fd, const Bytes& pending, std::size_t start) {
    for (;;) {
        const ssize_t written = ::write(fd, pending.data() + start, pending.size() - start);
        if (written >= 0) return written;
        if (errno == EINTR) continue;
        return errno == EAGAIN ? 0 : -1;
    }
}

void Consume(Bytes& pending, std::size_t& start, std::size_t count) {
    start += count;
    if (start == pending.size()) {
        pending.clear();
        start = 0;
    }
}

}  // namespace

std::unique_ptr<SerMonWatch> SerMonWatch::Attach(const std::string& device,
                                                 const std::filesystem::path& alias, int& error,
                                                 std::string& cause) {
    std::unique_ptr<SerMonWatch> watch(new SerMonWatch);
    watch->device_ = device;
    const auto fail = [&](int code, const std::string& text) {
        error = code;
        cause = text;
        return nullptr;
    };

    watch->realFd_ = ::open(device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (watch->realFd_ < 0) {
        const int code = errno;
        return fail(code, SerialOpenFailureText(ClassifySerialOpenFailure(device, code)));
    }
    struct stat info {};
    int code = ::fstat(watch->realFd_, &info) != 0 ? errno : S_ISCHR(info.st_mode) ? 0 : ENOTTY;
    if (code == 0) code = TakeExclusiveUse(watch->realFd_);
    if (code == 0) code = ConfigureSerialLine(watch->realFd_, StartLine(device));
    if (code != 0) {
        CloseFd(watch->realFd_);
        return fail(code, SerialOpenFailureText(ClassifySerialOpenFailure(device, code)));
    }
    DiscardSerialQueues(watch->realFd_);
    // The port counts as closed until the program opens the alias.
    watch->modemLines_ = MakeTermiosModemLines(watch->realFd_);
    watch->modemLines_->SetOutputs(kLineDtr | kLineRts, false);

    const auto failSystem = [&](const char* what) {
        const int failure = errno;
        return fail(failure, std::string(what) + ": " + std::strerror(failure));
    };
    watch->masterFd_ = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    char name[128] = {};
    if (watch->masterFd_ < 0 || ::grantpt(watch->masterFd_) != 0 || ::unlockpt(watch->masterFd_) != 0 ||
        ::ptsname_r(watch->masterFd_, name, sizeof name) != 0) {
        return failSystem("cannot create a pseudo-terminal");
    }
    ::fcntl(watch->masterFd_, F_SETFL, ::fcntl(watch->masterFd_, F_GETFL) | O_NONBLOCK);
    // Opened before the inotify watch exists, so it is not taken for the program.
    watch->heldFd_ = ::open(name, O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (watch->heldFd_ < 0) return failSystem("cannot open the pseudo-terminal");
    ConfigureSerialLine(watch->masterFd_, StartLine(name));
    watch->line_ = ReadAliasLine(watch->masterFd_);

    watch->inotifyFd_ = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (watch->inotifyFd_ < 0 || ::inotify_add_watch(watch->inotifyFd_, name, IN_OPEN | IN_CLOSE) < 0)
        return failSystem("cannot watch the pseudo-terminal");

    // A link left behind by a helper that died is replaced in one step.
    const std::filesystem::path staging = alias.string() + ".new";
    ::unlink(staging.c_str());
    if (::symlink(name, staging.c_str()) != 0) return failSystem("cannot create the alias");
    if (::rename(staging.c_str(), alias.c_str()) != 0) {
        ::unlink(staging.c_str());
        return failSystem("cannot publish the alias");
    }
    watch->alias_ = alias;
    return watch;
}

SerMonWatch::~SerMonWatch() {
    if (!alias_.empty()) ::unlink(alias_.c_str());
    CloseFd(inotifyFd_);
    CloseFd(heldFd_);
    // The program still holding the alias sees a hang-up, as after an unplug.
    CloseFd(masterFd_);
    modemLines_.reset();
    CloseFd(realFd_);
}

void SerMonWatch::AddPollFds(std::vector<pollfd>& fds) const {
    const bool queueRoom = records_.bytes() < kQueueLimit;
    const auto entry = [](int fd, short events) { return pollfd{events != 0 ? fd : -1, events, 0}; };
    short master = 0;
    if (queueRoom && toPort_.size() < kPendingLimit) master |= POLLIN;
    if (!toProgram_.empty()) master |= POLLOUT;
    short real = 0;
    if (queueRoom && toProgram_.empty()) real |= POLLIN;
    if (!toPort_.empty()) real |= POLLOUT;
    fds.push_back(entry(inotifyFd_, POLLIN));
    fds.push_back(entry(masterFd_, master));
    fds.push_back(entry(lost_ ? -1 : realFd_, lost_ ? 0 : real));
}

void SerMonWatch::Handle(const pollfd* fds) {
    // Opens and closes first: bytes that come with them belong after an open,
    // and a close drains what the program wrote before it.
    if (fds[0].revents & POLLIN) TakeAliasEvents();
    MirrorLine();
    if (fds[1].revents & POLLIN) ReadFromProgram();
    if (!lost_ && (fds[2].revents & (POLLIN | POLLHUP | POLLERR))) ReadFromPort();
    // Straight after the reads, so a block usually crosses in one pass.
    if (!lost_ && !toPort_.empty()) WriteToPort();
    if (!toProgram_.empty()) WriteToProgram();
}

void SerMonWatch::TakeAliasEvents() {
    alignas(inotify_event) char buffer[4096];
    for (;;) {
        const ssize_t count = ::read(inotifyFd_, buffer, sizeof buffer);
        if (count <= 0) return;
        for (ssize_t at = 0; at < count;) {
            const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
            if (event->mask & IN_OPEN) AliasOpened();
            if (event->mask & IN_CLOSE) AliasClosed();
            at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
        }
    }
}

void SerMonWatch::AliasOpened() {
    if (opens_++ == 0 && modemLines_) modemLines_->SetOutputs(kLineDtr | kLineRts, true);
    records_.Push(RecordKind::Opened);
}

void SerMonWatch::AliasClosed() {
    // What the program wrote before closing was written while it was open.
    while (ReadFromProgram()) {
    }
    if (opens_ > 0 && --opens_ == 0) {
        // Bytes for a program that is gone would reach its successor stale.
        toProgram_.clear();
        toProgramStart_ = 0;
        if (modemLines_ && line_ && HangsUpOnClose(*line_))
            modemLines_->SetOutputs(kLineDtr | kLineRts, false);
    }
    records_.Push(RecordKind::Closed);
}

void SerMonWatch::MirrorLine() {
    if (lost_) return;
    const std::optional<AliasLine> now = ReadAliasLine(masterFd_);
    if (!now || now == line_) return;
    line_ = now;
    if (const int error = ApplyAliasLine(realFd_, *now))
        std::fprintf(stderr, "duvezer-sermon: %s refused the line settings: %s\n", device_.c_str(),
                     std::strerror(error));
}

bool SerMonWatch::ReadFromProgram() {
    std::uint8_t buffer[kReadSize];
    const ssize_t count = ::read(masterFd_, buffer, sizeof buffer);
    if (count <= 0) return false;
    const auto size = static_cast<std::size_t>(count);
    records_.Push(RecordKind::Sent, buffer, size);
    // With the port gone the bytes go nowhere, as they would on an unplugged port.
    if (!lost_) toPort_.insert(toPort_.end(), buffer, buffer + size);
    return true;
}

void SerMonWatch::ReadFromPort() {
    std::uint8_t buffer[kReadSize];
    const ssize_t count = ::read(realFd_, buffer, sizeof buffer);
    if (count > 0) {
        // A port nobody has open drops what arrives.
        if (opens_ > 0) toProgram_.insert(toProgram_.end(), buffer, buffer + count);
        return;
    }
    if (count < 0 && (errno == EAGAIN || errno == EINTR)) return;
    LosePort("read", count == 0 ? EIO : errno);
}

void SerMonWatch::WriteToPort() {
    const ssize_t written = WriteSome(realFd_, toPort_, toPortStart_);
    if (written < 0) {
        LosePort("write", errno);
        return;
    }
    Consume(toPort_, toPortStart_, static_cast<std::size_t>(written));
}

void SerMonWatch::WriteToProgram() {
    const ssize_t written = WriteSome(masterFd_, toProgram_, toProgramStart_);
    if (written <= 0) return;
    // The program's input queue took them: that is its completed read.
    records_.Push(RecordKind::Received, toProgram_.data() + toProgramStart_,
                  static_cast<std::size_t>(written));
    Consume(toProgram_, toProgramStart_, static_cast<std::size_t>(written));
}

void SerMonWatch::LosePort(const char* what, int error) {
    std::fprintf(stderr, "duvezer-sermon: %s of %s failed: %s; the watch ends\n", what, device_.c_str(),
                 std::strerror(error));
    lost_ = true;
    toPort_.clear();
    toPortStart_ = 0;
}

}  // namespace viz::sermon
