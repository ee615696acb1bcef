#include "serial/Serial.h"

#include <algorithm>
#include <cerrno>
#include <mutex>
#include <system_error>
#include <utility>

#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/stat.h>
#include <unistd.h>

#include "serial/SerialTermios.h"
#include "terminal/DescriptorWrite.h"

namespace viz {

CSerial::CSerial(ModemLinesFactory makeLines) : makeLines_(std::move(makeLines)) {}

CSerial::~CSerial() {
    Close();
}

SerialOpenResult CSerial::Open(const SerialPortConfig& config, ChunkSink& sink, SerialListener& listener,
                               Queues queues) {
    Close();
    const std::string& path = config.device;
    const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return ClassifySerialOpenFailure(path, errno);
    const auto fail = [&](int error) {
        ::close(fd);
        return ClassifySerialOpenFailure(path, error);
    };

    struct stat info {};
    if (::fstat(fd, &info) != 0) return fail(errno);
    if (!S_ISCHR(info.st_mode)) return fail(ENOTTY);
    if (const int error = TakeExclusiveUse(fd)) return fail(error);
    if (const int error = ConfigureSerialLine(fd, config)) return fail(error);
    // The kernel raises DTR and RTS when the device is opened; the page
    // starts with both off. Ports without modem lines just refuse.
    std::unique_ptr<ModemLines> lines = makeLines_(fd);
    lines->SetOutputs(kLineDtr | kLineRts, false);
    if (queues == Queues::Discard) DiscardSerialQueues(fd);
    const int stopFd = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (stopFd < 0) return fail(errno);

    {
        std::unique_lock lock(io_);
        fd_ = fd;
        stopFd_ = stopFd;
    }
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
            bytes.resize(static_cast<std::size_t>(count));
            more = bytes.size() == kChunkSize;
            if (!sink.Push(Chunk::JustRead(std::move(bytes)))) return;
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

WriteStep CSerial::Write(const std::uint8_t* data, std::size_t count, const WriteWait& wait) {
    std::shared_lock lock(io_);
    if (fd_ < 0 || stopping_.load()) return FailedStep(ENOTCONN);
    WriteStep step = WriteDescriptor(fd_, DescriptorKind::Device, stopFd_, data, count, wait);
    // A tty whose device went away (unplugged, hung up) fails writes this way.
    if (step.error == EIO || step.error == ENXIO || step.error == EPIPE) step.error = ENODEV;
    return step;
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
    // A write in progress has seen the stop signal; wait until it is out.
    std::unique_lock lock(io_);
    ::close(fd_);
    ::close(stopFd_);
    fd_ = -1;
    stopFd_ = -1;
    device_.clear();
}

}  // namespace viz
