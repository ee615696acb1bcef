#pragma once

// A pretend HID world for the channel and page tests (this machine has no
// hidraw device): a sysfs tree laid out like /sys/class/hidraw with real
// report descriptors, SEQPACKET socket pairs standing in for /dev/hidrawN
// (one read is one report, as with hidraw), and hot-plug events the test
// announces itself (FakeHotplug).

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "FakeHotplug.h"
#include "usb/HidUsb.h"

namespace viz::testing {

using HidBytes = std::vector<std::uint8_t>;

// A standard boot keyboard descriptor: 8 input bytes
// (modifiers, reserved, six keys) and 1 output byte (five LEDs and padding).
inline const HidBytes kKeyboardDescriptor = {
    0x05, 0x01, 0x09, 0x06, 0xA1, 0x01, 0x05, 0x07, 0x19, 0xE0, 0x29, 0xE7, 0x15, 0x00, 0x25, 0x01,
    0x75, 0x01, 0x95, 0x08, 0x81, 0x02, 0x95, 0x01, 0x75, 0x08, 0x81, 0x01, 0x95, 0x05, 0x75, 0x01,
    0x05, 0x08, 0x19, 0x01, 0x29, 0x05, 0x91, 0x02, 0x95, 0x01, 0x75, 0x03, 0x91, 0x01, 0x95, 0x06,
    0x75, 0x08, 0x15, 0x00, 0x25, 0x65, 0x05, 0x07, 0x19, 0x00, 0x29, 0x65, 0x81, 0x00, 0xC0};

// The usual microcontroller board: one vendor-defined 64-byte input and
// output report, not numbered.
inline const HidBytes kVendorDescriptor = {
    0x06, 0x00, 0xFF, 0x09, 0x01, 0xA1, 0x01, 0x09, 0x02, 0x15, 0x00, 0x26, 0xFF, 0x00, 0x75, 0x08, 0x95,
    0x40, 0x81, 0x02, 0x09, 0x03, 0x15, 0x00, 0x26, 0xFF, 0x00, 0x75, 0x08, 0x95, 0x40, 0x91, 0x02, 0xC0};

// A composite device with numbered reports: keyboard (ID 1), consumer
// control (ID 2, one 16-bit usage) and a vendor channel of 64 bytes each
// way (ID 3).
inline const HidBytes kNumberedDescriptor = {
    0x05, 0x01, 0x09, 0x06, 0xA1, 0x01, 0x85, 0x01, 0x05, 0x07, 0x19, 0xE0, 0x29, 0xE7, 0x15, 0x00, 0x25,
    0x01, 0x75, 0x01, 0x95, 0x08, 0x81, 0x02, 0x95, 0x01, 0x75, 0x08, 0x81, 0x01, 0x95, 0x05, 0x75, 0x01,
    0x05, 0x08, 0x19, 0x01, 0x29, 0x05, 0x91, 0x02, 0x95, 0x01, 0x75, 0x03, 0x91, 0x01, 0x95, 0x06, 0x75,
    0x08, 0x15, 0x00, 0x25, 0x65, 0x05, 0x07, 0x19, 0x00, 0x29, 0x65, 0x81, 0x00, 0xC0, 0x05, 0x0C, 0x09,
    0x01, 0xA1, 0x01, 0x85, 0x02, 0x15, 0x00, 0x26, 0x3C, 0x02, 0x19, 0x00, 0x2A, 0x3C, 0x02, 0x75, 0x10,
    0x95, 0x01, 0x81, 0x00, 0xC0, 0x06, 0x00, 0xFF, 0x09, 0x01, 0xA1, 0x01, 0x85, 0x03, 0x09, 0x02, 0x15,
    0x00, 0x26, 0xFF, 0x00, 0x75, 0x08, 0x95, 0x40, 0x81, 0x02, 0x09, 0x03, 0x91, 0x02, 0xC0};

struct FakeHid {
    std::uint32_t bus = 0x03;  // USB; 0x05 is Bluetooth
    std::uint32_t vendor = 0x0472;
    std::uint32_t product = 0x0002;
    std::uint32_t release = 0x0200;  // bcdDevice, USB only
    std::string productString = "HID Board";
    std::string hidName = "Vizuruv HID Board";
    HidBytes descriptor = kVendorDescriptor;
};

// /sys as the channel reads it: class/hidraw/hidrawN links to the node's
// folder below its HID device, which sits on a USB interface and device.
class FakeHidTree {
public:
    explicit FakeHidTree(std::filesystem::path root) : root_(std::move(root)) {
        std::filesystem::create_directories(classRoot());
    }

    std::filesystem::path classRoot() const { return root_ / "class" / "hidraw"; }

    // The node hidraw<number>; returns its device path.
    std::string Add(int number, const FakeHid& device) {
        namespace fs = std::filesystem;
        char hidName[32];
        std::snprintf(hidName, sizeof hidName, "%04X:%04X:%04X.%04X", device.bus, device.vendor,
                      device.product, ++sequence_);
        const std::string usb = "1-" + std::to_string(number);
        const fs::path parent = device.bus == 0x03
                                    ? root_ / "devices" / "usb1" / usb / (usb + ":1.0")
                                    : root_ / "devices" / "virtual" / ("bt" + std::to_string(number));
        const fs::path hid = parent / hidName;
        const fs::path node = hid / "hidraw" / ("hidraw" + std::to_string(number));
        fs::create_directories(node);
        fs::create_directory_symlink("../..", node / "device");
        fs::create_directory_symlink(node, classRoot() / node.filename());
        char uevent[160];
        std::snprintf(uevent, sizeof uevent, "DRIVER=hid-generic\nHID_ID=%04X:%08X:%08X\nHID_NAME=%s\n",
                      device.bus, device.vendor, device.product, device.hidName.c_str());
        Write(hid / "uevent", uevent);
        Write(hid / "report_descriptor", std::string(device.descriptor.begin(), device.descriptor.end()));
        if (device.bus == 0x03) {
            char release[8];
            std::snprintf(release, sizeof release, "%04x\n", device.release);
            Write(parent.parent_path() / "bcdDevice", release);
            Write(parent.parent_path() / "product", device.productString + "\n");
        }
        return "/dev/hidraw" + std::to_string(number);
    }

    void Remove(int number) { std::filesystem::remove(classRoot() / ("hidraw" + std::to_string(number))); }

private:
    static void Write(const std::filesystem::path& path, const std::string& text) {
        std::ofstream(path, std::ios::binary) << text;
    }

    std::filesystem::path root_;
    unsigned sequence_ = 0;
};

// One board on a SEQPACKET socket pair: the channel opens copies of node(),
// the test plays the board on the other end.
class HidBoard {
public:
    HidBoard() {
        if (::socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0, ends_) != 0)
            throw std::runtime_error("socketpair");
    }
    ~HidBoard() {
        for (const int end : ends_) {
            if (end >= 0) ::close(end);
        }
    }
    HidBoard(const HidBoard&) = delete;
    HidBoard& operator=(const HidBoard&) = delete;

    int node() const { return ends_[0]; }
    int end() const { return ends_[1]; }

    // One input report, waiting for room.
    bool Send(const HidBytes& report) const {
        return ::send(ends_[1], report.data(), report.size(), MSG_NOSIGNAL) ==
               static_cast<ssize_t>(report.size());
    }
    // The next output report the channel wrote, if one comes within `within`.
    std::optional<HidBytes> Receive(
        std::chrono::milliseconds within = std::chrono::milliseconds(20000)) const {
        pollfd ready{ends_[1], POLLIN, 0};
        if (::poll(&ready, 1, static_cast<int>(within.count())) <= 0) return std::nullopt;
        HidBytes report(4096);
        const ssize_t size = ::recv(ends_[1], report.data(), report.size(), MSG_DONTWAIT);
        if (size < 0) return std::nullopt;
        report.resize(static_cast<std::size_t>(size));
        return report;
    }
    // Pulled out: the channel's reads end.
    void Unplug() {
        if (ends_[1] >= 0) ::close(ends_[1]);
        ends_[1] = -1;
    }

private:
    int ends_[2] = {-1, -1};
};

// The device nodes the channel may open: boards plugged in under a path,
// and refusals (errno) per direction.
class FakeHidNodes {
public:
    std::shared_ptr<HidBoard> Plug(const std::string& path) {
        std::lock_guard lock(state_->mutex);
        auto board = std::make_shared<HidBoard>();
        state_->nodes[path].board = board;
        return board;
    }
    void Refuse(const std::string& path, int readError, int writeError) {
        std::lock_guard lock(state_->mutex);
        state_->nodes[path].readError = readError;
        state_->nodes[path].writeError = writeError;
    }
    std::function<int(const std::string&, int)> Opener() const {
        return [state = state_](const std::string& path, int flags) {
            std::lock_guard lock(state->mutex);
            const Node& node = state->nodes[path];
            state->opened.push_back(path);
            const int refusal = (flags & O_ACCMODE) == O_RDONLY ? node.readError : node.writeError;
            if (refusal != 0 || !node.board) {
                errno = refusal != 0 ? refusal : ENOENT;
                return -1;
            }
            return ::fcntl(node.board->node(), F_DUPFD_CLOEXEC, 0);
        };
    }
    std::vector<std::string> Opened() const {
        std::lock_guard lock(state_->mutex);
        return state_->opened;
    }

private:
    struct Node {
        std::shared_ptr<HidBoard> board;
        int readError = 0;
        int writeError = 0;
    };
    struct State {
        std::mutex mutex;
        std::map<std::string, Node> nodes;
        std::vector<std::string> opened;
    };
    std::shared_ptr<State> state_ = std::make_shared<State>();
};

}  // namespace viz::testing
