#include "serial/SerialPortIdentity.h"

#include <sys/stat.h>
#include <sys/sysmacros.h>

#include <filesystem>

namespace viz {
namespace {

namespace fs = std::filesystem;

// Pseudo-terminal slaves have major numbers 136 to 143.
constexpr unsigned kPtySlaveFirstMajor = 136;
constexpr unsigned kPtySlaveMajors = 8;

// The character device at `path`, links followed.
std::optional<dev_t> DeviceAt(const std::string& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0 || !S_ISCHR(info.st_mode)) return std::nullopt;
    return info.st_rdev;
}

bool IsPtySlave(dev_t device) {
    return major(device) >= kPtySlaveFirstMajor && major(device) < kPtySlaveFirstMajor + kPtySlaveMajors;
}

std::optional<LinkStamp> StampOf(const std::string& path) {
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) return std::nullopt;
    return LinkStamp{static_cast<std::uint64_t>(info.st_ino),
                     static_cast<std::int64_t>(info.st_ctim.tv_sec) * 1000000000 + info.st_ctim.tv_nsec};
}

std::string ByIdLinkTo(const fs::path& deviceRoot, dev_t device) {
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(deviceRoot / "serial" / "by-id", error)) {
        if (DeviceAt(entry.path().string()) == device) return entry.path().string();
    }
    return {};
}

// Where a link points, one step only: udev's links are relative ("../../ttyUSB1").
std::string LinkTarget(const std::string& link) {
    std::error_code error;
    const fs::path target = fs::read_symlink(link, error);
    if (error) return {};
    return (target.is_absolute() ? target : fs::path(link).parent_path() / target)
        .lexically_normal()
        .string();
}

}  // namespace

SerialPortIdentity IdentifySerialPort(const std::string& path, const SerialSystem& system,
                                      const std::vector<ExtraSerialPort>& extras) {
    SerialPortIdentity who;
    who.path = path;
    for (const ExtraSerialPort& extra : extras) {
        if (extra.path == path) who.extraId = extra.id;
    }
    who.linkStamp = StampOf(path);
    const std::optional<dev_t> device = DeviceAt(path);
    if (!device) {
        who.byPath = who.linkStamp.has_value();
        return who;
    }
    const std::string number = std::to_string(major(*device)) + ":" + std::to_string(minor(*device));
    for (const SerialPortInfo& port : ListSerialPortInfo(system)) {
        if (port.deviceNumber != number) continue;
        who.node = port.path;
        who.usb = port.usbIdentity;
        break;
    }
    if (who.usb) who.byIdLink = ByIdLinkTo(system.deviceRoot, *device);
    who.byPath = who.linkStamp.has_value() || (!who.usb && !IsPtySlave(*device));
    return who;
}

SerialPortIdentity IdentifyReopenedSerialPort(const SerialPortIdentity& before, const std::string& path,
                                              const SerialSystem& system,
                                              const std::vector<ExtraSerialPort>& extras) {
    SerialPortIdentity now = IdentifySerialPort(path, system, extras);
    if (now.extraId.empty()) now.extraId = before.extraId;
    if (!now.usb) now.usb = before.usb;
    if (now.byIdLink.empty()) now.byIdLink = before.byIdLink;
    return now;
}

std::string FindSerialPort(const SerialPortIdentity& who, const SerialSystem& system,
                           const std::vector<ExtraSerialPort>& extras) {
    // Ports the program offers are where their owner says, or nowhere: a
    // pseudo-terminal's old path may belong to someone else by now.
    if (!who.extraId.empty()) {
        for (const ExtraSerialPort& extra : extras) {
            if (extra.id == who.extraId) return extra.path;
        }
        return {};
    }
    if (!who.byIdLink.empty()) {
        const std::string target = LinkTarget(who.byIdLink);
        if (!target.empty() && DeviceAt(target)) return target;
    }
    // Another adapter may have taken the old name.
    if (who.usb) {
        for (const SerialPortInfo& port : ListSerialPortInfo(system)) {
            if (port.usbIdentity && port.usbIdentity->SameDevice(*who.usb)) return port.path;
        }
        return {};
    }
    if (!who.byPath) return {};
    const std::optional<dev_t> device = DeviceAt(who.path);
    if (!device) return {};
    if (who.linkStamp && IsPtySlave(*device) && StampOf(who.path) == who.linkStamp) return {};
    return who.path;
}

bool IsSerialPortRemoval(const SerialPortIdentity& who, const std::string& removedNode) {
    return !removedNode.empty() && (removedNode == who.node || removedNode == who.path);
}

}  // namespace viz
