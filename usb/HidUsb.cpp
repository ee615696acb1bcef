#include "usb/HidUsb.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <optional>
#include <system_error>

#include "platform/CodePage.h"
#include "terminal/DescriptorWrite.h"
#include "usb/HidTexts.h"

namespace viz {
namespace {

namespace t = texts::hid;
using Clock = std::chrono::steady_clock;

// One read takes one whole report; longer ones than this are cut by the kernel.
constexpr std::size_t kReadBuffer = 4096;
// The send path asks again at once after a wait for room ran out; a call
// that comes later than this starts a new report's time limit.
constexpr std::chrono::milliseconds kRetryGap{100};

// Linux has no device interface classes. The line keeps its shape with the
// HID interface class identifier every HID tool shows: 4D1E55B2-F16F-11CF-88CB-001111000030.
std::u16string ClassLine() {
    constexpr std::array<unsigned, 6> kTail = {0x00, 0x11, 0x11, 0x00, 0x00, 0x30};
    char text[96];
    int length = std::snprintf(text, sizeof text, "%x-%x-%x-%x-", 0x4D1E55B2u, 0xF16Fu, 0x11CFu, 0x88CBu);
    for (const unsigned byte : kTail)
        length += std::snprintf(text + length, sizeof text - length, "%x", byte);
    return t::kGuidPrefix + Utf8ToUtf16(text) + t::kLineEnd;
}

bool Denied(int error) {
    return error == EACCES || error == EPERM;
}

}  // namespace

int HidSystem::OpenDeviceNode(const std::string& path, int flags) {
    return ::open(path.c_str(), flags);
}

struct CHIDUSB::Device {
    Device(int readDescriptor, int writeDescriptor, int stopDescriptor, int whyNoWrite,
           HidReportLayout layout)
        : readFd(readDescriptor),
          writeFd(writeDescriptor),
          stopFd(stopDescriptor),
          writeError(whyNoWrite),
          reports(layout) {}
    ~Device() {
        for (const int fd : {readFd, writeFd, stopFd}) {
            if (fd >= 0) ::close(fd);
        }
    }
    Device(const Device&) = delete;
    Device& operator=(const Device&) = delete;

    void Stop() {
        stopping.store(true);
        const std::uint64_t one = 1;
        // Cannot fail short of a full counter, which one write never reaches.
        static_cast<void>(::write(stopFd, &one, sizeof one));
    }

    const int readFd;
    const int writeFd;
    const int stopFd;
    const int writeError;  // why writeFd is -1
    const HidReportLayout reports;
    std::atomic<bool> stopping{false};

    // One report at a time; the time limit runs across the calls that wait for room.
    std::mutex writeMutex;
    std::optional<Clock::time_point> waitingSince;
    Clock::time_point lastWaitEnd;
};

CHIDUSB::CHIDUSB(HidSystem system) : system_(std::move(system)) {}

CHIDUSB::~CHIDUSB() {
    Close();
    EndNotifications();
}

std::vector<HidDeviceRecord> CHIDUSB::ListDevices() const {
    std::vector<HidDeviceRecord> records;
    for (const HidInterface& found : ListHidInterfaces(system_.classRoot, system_.deviceRoot)) {
        if (records.size() == kMaxDevices) break;
        records.push_back({found.productId, found.vendorId, found.version, found.product});
    }
    return records;
}

bool CHIDUSB::Open(ChunkSink& sink, HidListener& listener, std::uint32_t vendorId, std::uint32_t productId) {
    Close();
    lastOpen_ = {};
    lastOpen_.vendorId = vendorId;
    lastOpen_.productId = productId;
    information_ = t::kInformationStart + ClassLine();
    for (const HidInterface& found : ListHidInterfaces(system_.classRoot, system_.deviceRoot)) {
        if (found.vendorId != vendorId || found.productId != productId) continue;
        if (!OpenDevice(found, sink, listener)) return false;
        Register(listener);
        return true;
    }
    information_.clear();
    lastOpen_.error = HidOpenResult::Error::NotFound;
    return false;
}

bool CHIDUSB::OpenDevice(const HidInterface& found, ChunkSink& sink, HidListener& listener) {
    devicePath_ = found.devicePath;
    lastOpen_.devicePath = found.devicePath;
    information_ += t::kVendorLabel + HidNumberText(found.vendorId) + t::kLineEnd;
    information_ += t::kProductLabel + HidNumberText(found.productId) + t::kLineEnd;
    information_ += t::kVersionLabel + HidNumberText(found.version) + t::kLineEnd;
    information_ += t::kPathLabel + Utf8ToUtf16(found.devicePath) + t::kLineEnd;

    const auto openNode = [&](int flags, int& error) {
        errno = 0;
        const int fd = system_.open(found.devicePath, flags | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0) {
            error = errno != 0 ? errno : EIO;
            return -1;
        }
        // Whoever opened it, waits happen in poll, never inside read or write.
        ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
        return fd;
    };
    const int readFd = openNode(O_RDONLY, lastOpen_.readError);
    const int writeFd = openNode(O_WRONLY, lastOpen_.writeError);
    information_ += readFd >= 0 ? t::kReadOpened : t::kReadFailed;
    information_ += writeFd >= 0 ? t::kWriteOpened : t::kWriteFailed;

    const auto fail = [&](HidOpenResult::Error why, int error) {
        lastOpen_.error = why;
        lastOpen_.systemError = error;
        return false;
    };
    if (readFd < 0 && writeFd < 0) {
        const bool denied = Denied(lastOpen_.readError) || Denied(lastOpen_.writeError);
        return fail(denied ? HidOpenResult::Error::NoAccess : HidOpenResult::Error::Failed,
                    lastOpen_.readError);
    }
    const int stopFd = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (stopFd < 0) {
        const int error = errno;
        for (const int fd : {readFd, writeFd}) {
            if (fd >= 0) ::close(fd);
        }
        return fail(HidOpenResult::Error::Failed, error);
    }
    auto device = std::make_shared<Device>(readFd, writeFd, stopFd, lastOpen_.writeError, found.reports);
    // Opened for writing only, there is nothing to read.
    if (readFd >= 0) {
        try {
            reader_ = std::thread(ReadLoop, device, std::ref(sink), std::ref(listener));
        } catch (const std::system_error& error) {
            return fail(HidOpenResult::Error::Failed, error.code().value());
        }
    }
    std::lock_guard lock(deviceMutex_);
    device_ = std::move(device);
    return true;
}

// Arrivals and removals are watched from the first successful open for as
// long as the channel lives, so a device plugged back in is noticed.
void CHIDUSB::Register(HidListener& listener) {
    if (!hotplug_ && system_.events) {
        if (std::unique_ptr<HotplugEventSource> source = system_.events()) {
            try {
                hotplug_ = std::make_unique<HotplugWatch>(
                    std::move(source),
                    [&listener](const HotplugEvent& event) { listener.OnDeviceEvent(event); });
            } catch (const std::system_error&) {
                hotplug_.reset();
            }
        }
    }
    information_ += hotplug_ ? t::kRegistered : t::kRegisterFailed;
}

void CHIDUSB::ReadLoop(std::shared_ptr<Device> device, ChunkSink& sink, HidListener& listener) {
    std::vector<std::uint8_t> buffer(kReadBuffer);
    // Numbered reports come with their ID byte first; the others without one.
    const std::size_t skip = device->reports.numbered ? 1 : 0;
    pollfd waits[2] = {{device->readFd, POLLIN, 0}, {device->stopFd, POLLIN, 0}};
    while (!device->stopping.load()) {
        if (::poll(waits, 2, -1) < 0) {
            if (errno == EINTR) continue;
            break;
        }
        if (waits[1].revents != 0) return;
        const ssize_t count = ::read(device->readFd, buffer.data(), buffer.size());
        if (count > 0) {
            const auto size = static_cast<std::size_t>(count);
            if (size <= skip) continue;
            const auto first = buffer.begin() + static_cast<std::ptrdiff_t>(skip);
            const auto data = static_cast<std::ptrdiff_t>(std::min(size - skip, kReportData));
            if (!sink.Push(Chunk::JustRead(std::vector<std::uint8_t>(first, first + data)))) return;
            continue;
        }
        if (count < 0 && (errno == EAGAIN || errno == EINTR)) {
            // A hang-up with nothing to read would wake poll again at once.
            if (waits[0].revents & (POLLHUP | POLLERR | POLLNVAL)) break;
            continue;
        }
        // The node reports EIO once its device is gone.
        break;
    }
    if (!device->stopping.load()) listener.OnDeviceLost();
}

std::shared_ptr<CHIDUSB::Device> CHIDUSB::Current() const {
    std::lock_guard lock(deviceMutex_);
    return device_;
}

bool CHIDUSB::IsOpen() const {
    return Current() != nullptr;
}

WriteStep CHIDUSB::Write(const std::uint8_t* data, std::size_t size, const WriteWait& wait) {
    const std::shared_ptr<Device> device = Current();
    if (!device || device->stopping.load()) return FailedStep(ENOTCONN);
    if (size == 0) return WrittenStep(0);
    if (device->writeFd < 0) return FailedStep(device->writeError);
    // Longer output reports are outside the 64-byte design; the frame is sent whole.
    const std::size_t length = std::min(device->reports.outputLength, kReportData + 1);
    if (length < 2) return FailedStep(EOPNOTSUPP);
    const std::size_t reportData = length - 1;
    const std::size_t taken = std::min(size, reportData);
    std::array<std::uint8_t, kReportData + 1> frame{};
    std::copy(data, data + taken, frame.begin() + 1);

    std::lock_guard lock(device->writeMutex);
    if (device->stopping.load()) return FailedStep(ENOTCONN);
    const auto now = Clock::now();
    if (!device->waitingSince || now - device->lastWaitEnd > kRetryGap) device->waitingSince = now;
    const auto limit = *device->waitingSince + std::chrono::milliseconds(kWriteLimitMs);
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(limit - now).count();
    const int timeout =
        static_cast<int>(wait.timeoutMs < 0 ? left : std::min<long long>(wait.timeoutMs, left));
    WriteStep step = WriteDescriptor(device->writeFd, DescriptorKind::Device, device->stopFd, frame.data(),
                                     length, {wait.cancelFd, std::max(timeout, 0)});
    if (step.error == EAGAIN) {
        device->lastWaitEnd = Clock::now();
        if (device->lastWaitEnd < limit) return step;
        step.error = ETIMEDOUT;
    }
    device->waitingSince.reset();
    if (step.consumed > 0) return {taken, reportData, 0};
    // The kernel says ENODEV, or ESHUTDOWN from the USB core, for a device that was pulled out.
    if (step.error == ESHUTDOWN) step.error = ENODEV;
    // A stalled transfer: the device refused the report, the link stands.
    if (step.error == EPIPE) step.error = EIO;
    return FailedStep(step.error);
}

void CHIDUSB::EndNotifications() {
    hotplug_.reset();
}

bool CHIDUSB::Close() {
    std::shared_ptr<Device> device;
    {
        std::lock_guard lock(deviceMutex_);
        device = std::move(device_);
    }
    if (device) device->Stop();
    if (reader_.joinable()) reader_.join();
    return true;
}

}  // namespace viz
