#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace viz {

// Where the serial ports are found: the sysfs tty class folder and the folder
// of the device nodes. Tests give trees of their own.
struct SerialSystem {
    std::filesystem::path ttyClassRoot = "/sys/class/tty";
    std::filesystem::path deviceRoot = "/dev";
};

// What stays the same when a USB serial adapter is unplugged and plugged in
// again, whatever ttyUSB number it gets. All texts as sysfs gives them.
struct UsbSerialIdentity {
    std::string vendorId;   // "10c4"
    std::string productId;  // "ea60"
    std::string serial;     // empty when the adapter has no serial number
    std::string interface;  // the USB interface number, "00"
    std::string port;       // the port within the interface, for multi-port adapters
    // The adapter's place on the bus ("1-2.4"); it only tells adapters apart
    // that have no serial number, which then count as the same only in the
    // same socket.
    std::string location;

    bool SameDevice(const UsbSerialIdentity& other) const;
};

struct SerialPortInfo {
    std::string name;  // "ttyUSB0"
    std::string path;  // the node under the device root, "/dev/ttyUSB0"
    // USB product and manufacturer, "CP2102N USB to UART Bridge Controller
    // (Silicon Labs)"; for other ports the driver's name; may be empty.
    std::string description;
    std::string deviceNumber;  // "188:0": the node's major and minor number
    bool usb = false;
    std::optional<UsbSerialIdentity> usbIdentity;
};

// The serial devices the system knows: USB serial adapters (ttyUSB*,
// ttyACM*, or any tty on a USB device), UARTs whose driver found a real
// port, and any other tty bound to a driver. Virtual terminals and
// pseudo-terminals have no device and are left out. USB adapters come first,
// each group sorted by path as text (so ttyS10 comes before ttyS2).
std::vector<SerialPortInfo> ListSerialPortInfo(const SerialSystem& system = {});

// What the port list shows: "/dev/ttyUSB0  CP2102N USB to UART Bridge
// Controller (Silicon Labs)", or the path alone when nothing more is known.
std::string SerialPortLabel(const SerialPortInfo& port);

// The same devices as "/dev/<name>" only, all sorted as text.
std::vector<std::string> ListSerialPorts(const std::filesystem::path& ttyClassRoot = "/sys/class/tty");

}  // namespace viz
