#include "serial/Serial.h"

#include <algorithm>
#include <cerrno>
#include <system_error>
#include <utility>

#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "serial/SerialTermios.h"

namespace viz {
namespace {

using Clock = std::chrono::steady_clock;

// A full output queue is looked at again at least this often, because many
// drivers report room only once their queue is nearly empty.
constexpr std::chrono::milliseconds kWriteRetry{100};

// Makes sure nobody else uses the port while it is open. Later openers are
// refused by the kernel (privileged ones excepted); programs that take the
// common advisory lock are refused through that lock, whoever they run as.
int TakeExclusiveUse(int fd) {
    int exclusive = 0;
    if (::ioctl(fd, TIOCGEXCL, &exclusive) == 0 && exclusive) return EBUSY;
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) return errno == EWOULDBLOCK ? EBUSY : errno;
    return ::ioctl(fd, TIOCEXCL) == 0 ? 0 : errno;
}

}  // namespace

CSerial::CSerial(ModemLinesFactory makeLines) : makeLines_(std::move(makeLines)) {}

CSerial::~CSerial() {
    Close();
}

SerialOpenResult CSerial::Open(const SerialPortConfig& config, ChunkSink& sink, SerialListener& listener) {
    Close();
    const std::string& path = config.device;
    const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return ClassifySerialOpenFailure(path, errno);
    bool exclusive = false;
    const auto fail = [&](int error) {
        // The exclusive flag belongs to the tty, which may outlive this
        // descriptor (a pseudo-terminal lives as long as its master).
        if (exclusive) ::ioctl(fd, TIOCNXCL);
        ::close(fd);
        return ClassifySerialOpenFailure(path, error);
    };

    struct stat info {};
    if (::fstat(fd, &info) != 0) return fail(errno);
    if (!S_ISCHR(info.st_mode)) return fail(ENOTTY);
    if (const int error = TakeExclusiveUse(fd)) return fail(error);
    exclusive = true;
    if (const int error = ConfigureSerialLine(fd, config)) return fail(error);
    // The kernel raises DTR and RTS when the device is opened; the page
    // starts with both off. Ports without modem lines just refuse.
    std::unique_ptr<ModemLines> lines = makeLines_(fd);
    lines->SetOutputs(kLineDtr | kLineRts, false);
    DiscardSerialQueues(fd);
    const int stopFd = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (stopFd < 0) return fail(errno);

    fd_ = fd;
    stopFd_ = stopFd;
    device_ = path;
    lines_ = std::move(lines);
    stopping_.store(false);
    try {
        reader_ = std::thread([this, &sink, &listener] { ReadLoop(sink, listener); });
        watcher_ = std::thread([this, &listener] { WatchLines(listener); });
    } catch (const std::system_error& error) {
        Close();
        return ClassifySerialOpenFailure(path, error.code().value());
    }
    SerialOpenResult result;
    result.device = path;
    return result;
}

void CSerial::ReadLoop(ChunkSink& sink, SerialListener& listener) {
    pollfd waits[2] = {{fd_, POLLIN, 0}, {stopFd_, POLLIN, 0}};
    // After a read that filled the buffer more is likely queued: read again
    // at once instead of asking poll first.
    bool more = false;
    while (!stopping_.load()) {
        if (!more) {
            if (::poll(waits, 2, -1) < 0) {
                if (errno == EINTR) continue;
                break;
            }
            if (waits[1].revents != 0) return;
        }
        std::vector<std::uint8_t> bytes(kChunkSize);
        const ssize_t count = ::read(fd_, bytes.data(), bytes.size());
        if (count > 0) {
            const auto readTime = Clock::now();
            bytes.resize(static_cast<std::size_t>(count));
            more = bytes.size() == kChunkSize;
            if (!sink.Push(Chunk{std::move(bytes), readTime})) return;
            continue;
        }
        if (count < 0 && (errno == EAGAIN || errno == EINTR)) {
            // A hang-up with nothing to read would wake poll again at once.
            if (!more && (waits[0].revents & (POLLHUP | POLLERR | POLLNVAL))) break;
            more = false;
            continue;
        }
        // End of file (the tty was hung up) or a read error: the device is gone.
        break;
    }
    if (!stopping_.load()) listener.OnDeviceLost();
}

void CSerial::WatchLines(SerialListener& listener) {
    std::uint32_t last = 0;
    do {
        const LineRead read = lines_->ReadInputs();
        const std::uint32_t now = read.error == 0 ? read.lines : 0;
        for (const std::uint32_t line : kInputLines) {
            if ((now ^ last) & line) listener.OnLineChanged(line, now & line);
        }
        last = now;
    } while (lines_->WaitForChange());
}

std::size_t CSerial::Write(const std::uint8_t* data, std::size_t count) {
    if (fd_ < 0 || count == 0) return 0;
    std::size_t total = 0;
    auto lastProgress = Clock::now();
    while (total < count) {
        const ssize_t written = ::write(fd_, data + total, count - total);
        if (written > 0) {
            total += static_cast<std::size_t>(written);
            lastProgress = Clock::now();
            continue;
        }
        if (written < 0 && errno == EINTR) continue;
        if (written < 0 && errno != EAGAIN) break;
        const auto left = kWriteStallLimit -
                          std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - lastProgress);
        if (left.count() <= 0) break;
        pollfd room{fd_, POLLOUT, 0};
        const int timeout = static_cast<int>(std::min(left, kWriteRetry).count());
        if (::poll(&room, 1, timeout) > 0 && !(room.revents & POLLOUT) &&
            (room.revents & (POLLERR | POLLHUP | POLLNVAL))) {
            break;
        }
    }
    return total;
}

bool CSerial::SetDtr(bool on) {
    return lines_ && lines_->SetOutputs(kLineDtr, on);
}

bool CSerial::SetRts(bool on) {
    return lines_ && lines_->SetOutputs(kLineRts, on);
}

bool CSerial::SetBreak(bool on) {
    return lines_ && lines_->SetBreak(on);
}

void CSerial::Close() {
    if (fd_ < 0) return;
    stopping_.store(true);
    const std::uint64_t one = 1;
    [[maybe_unused]] const ssize_t signalled = ::write(stopFd_, &one, sizeof one);
    lines_->Interrupt();
    if (reader_.joinable()) reader_.join();
    if (watcher_.joinable()) watcher_.join();
    lines_.reset();
    ::ioctl(fd_, TIOCNXCL);
    ::close(fd_);
    ::close(stopFd_);
    fd_ = -1;
    stopFd_ = -1;
    device_.clear();
}

}  // namespace viz
