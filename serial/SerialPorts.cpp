#include "serial/SerialPorts.h"

#include <algorithm>
#include <fstream>

namespace viz {
namespace {

namespace fs = std::filesystem;

// A USB serial port's tty sits on a port device (usb-serial) or directly on
// the USB interface (cdc-acm); the USB device is at most this far above.
constexpr int kUsbDeviceLevels = 3;
// The serial core's port and controller devices sit between a UART's tty and its hardware.
constexpr int kSerialCoreLevels = 2;

bool StartsWith(const std::string& text, const char* prefix) {
    return text.rfind(prefix, 0) == 0;
}

// The first line of a small sysfs file, without trailing blanks; empty when
// the file is missing.
std::string ReadLine(const fs::path& path) {
    std::ifstream file(path);
    std::string line;
    std::getline(file, line);
    while (!line.empty() && (line.back() == ' ' || line.back() == '\r' || line.back() == '\t'))
        line.pop_back();
    return line;
}

bool Exists(const fs::path& path) {
    std::error_code error;
    return fs::exists(path, error);
}

// UART drivers register every port they might have; one whose probe found no
// chip reports type 0 (unknown) and cannot be opened.
bool IsPlaceholderUart(const fs::path& tty) {
    std::ifstream type(tty / "type");
    int value = -1;
    return type >> value && value == 0;
}

bool HasUsbName(const std::string& name) {
    return StartsWith(name, "ttyUSB") || StartsWith(name, "ttyACM");
}

bool IsSerialDevice(const fs::path& tty, const std::string& name) {
    if (!Exists(tty / "device")) return false;
    if (HasUsbName(name)) return true;
    return Exists(tty / "device" / "driver") && !IsPlaceholderUart(tty);
}

// The driver of the hardware behind the tty. Newer kernels put the serial
// core's own port and controller devices (bus "serial-base", drivers "port"
// and "ctrl") between the tty and the UART's device; those say nothing.
std::string DriverName(const fs::path& tty) {
    std::error_code error;
    fs::path device = fs::canonical(tty / "device", error);
    for (int level = 0; !error && level < kSerialCoreLevels + 1; ++level) {
        const fs::path driver = fs::canonical(device / "driver", error);
        if (error) break;
        if (driver.parent_path().parent_path().filename() != "serial-base") return driver.filename().string();
        device = device.parent_path();
    }
    return {};
}

struct UsbFound {
    UsbSerialIdentity identity;
    std::string product;
    std::string manufacturer;
};

// Walks up from the tty's device to the USB device it belongs to, noting
// the interface and port on the way.
std::optional<UsbFound> ReadUsb(const fs::path& tty) {
    std::error_code error;
    fs::path folder = fs::canonical(tty / "device", error);
    if (error) return std::nullopt;
    UsbFound found;
    for (int level = 0; level <= kUsbDeviceLevels && folder.has_relative_path(); ++level) {
        if (Exists(folder / "idVendor")) {
            found.identity.vendorId = ReadLine(folder / "idVendor");
            found.identity.productId = ReadLine(folder / "idProduct");
            found.identity.serial = ReadLine(folder / "serial");
            found.identity.location = folder.filename().string();
            found.product = ReadLine(folder / "product");
            found.manufacturer = ReadLine(folder / "manufacturer");
            return found;
        }
        if (found.identity.interface.empty() && Exists(folder / "bInterfaceNumber"))
            found.identity.interface = ReadLine(folder / "bInterfaceNumber");
        if (found.identity.port.empty() && Exists(folder / "port_number"))
            found.identity.port = ReadLine(folder / "port_number");
        folder = folder.parent_path();
    }
    return std::nullopt;
}

SerialPortInfo ReadPort(const fs::path& tty, const std::string& name, const fs::path& deviceRoot) {
    SerialPortInfo port;
    port.name = name;
    port.path = (deviceRoot / name).string();
    port.deviceNumber = ReadLine(tty / "dev");
    if (std::optional<UsbFound> usb = ReadUsb(tty)) {
        port.usbIdentity = usb->identity;
        if (!usb->product.empty() && !usb->manufacturer.empty()) {
            port.description = usb->product + " (" + usb->manufacturer + ")";
        } else {
            port.description = usb->product.empty() ? usb->manufacturer : usb->product;
        }
    }
    port.usb = port.usbIdentity.has_value() || HasUsbName(name);
    if (port.description.empty()) port.description = DriverName(tty);
    return port;
}

}  // namespace

bool UsbSerialIdentity::SameDevice(const UsbSerialIdentity& other) const {
    if (vendorId != other.vendorId || productId != other.productId || serial != other.serial ||
        interface != other.interface || port != other.port)
        return false;
    return !serial.empty() || location == other.location;
}

std::vector<SerialPortInfo> ListSerialPortInfo(const SerialSystem& system) {
    std::vector<SerialPortInfo> ports;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(system.ttyClassRoot, error)) {
        const std::string name = entry.path().filename().string();
        if (IsSerialDevice(entry.path(), name))
            ports.push_back(ReadPort(entry.path(), name, system.deviceRoot));
    }
    std::sort(ports.begin(), ports.end(), [](const SerialPortInfo& a, const SerialPortInfo& b) {
        return a.usb != b.usb ? a.usb : a.path < b.path;
    });
    return ports;
}

std::string SerialPortLabel(const SerialPortInfo& port) {
    return port.description.empty() ? port.path : port.path + "  " + port.description;
}

std::vector<std::string> ListSerialPorts(const fs::path& ttyClassRoot) {
    std::vector<std::string> ports;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(ttyClassRoot, error)) {
        const std::string name = entry.path().filename().string();
        if (IsSerialDevice(entry.path(), name)) ports.push_back("/dev/" + name);
    }
    std::sort(ports.begin(), ports.end());
    return ports;
}

}  // namespace viz
