#pragma once

// A pretend /sys/class/tty and /dev for the port list and reconnect tests:
// UARTs on a platform device, USB serial adapters laid out as the kernel
// lays them out (tty on a usb-serial port on an interface on a USB device),
// and device nodes that are links to pseudo-terminals, so a port the tests
// "plug in" can really be opened.

#include <sys/stat.h>
#include <sys/sysmacros.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>

#include "TempDir.h"
#include "serial/SerialPorts.h"

namespace viz::testing {

struct FakeUsbAdapter {
    std::string vendorId = "10c4";
    std::string productId = "ea60";
    std::string serial = "0001";
    std::string product = "CP2102N USB to UART Bridge Controller";
    std::string manufacturer = "Silicon Labs";
    std::string interface = "00";
    std::string driver = "cp210x";
    std::string location = "1-2";
    // cdc-acm ttys sit on the interface itself, usb-serial ones on a port device.
    bool acm = false;
};

// "136:5" for the character device at `path` (links followed).
inline std::string DeviceNumberOf(const std::string& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) throw std::runtime_error("no device " + path);
    return std::to_string(major(info.st_rdev)) + ":" + std::to_string(minor(info.st_rdev));
}

class FakeSerialSysfs {
public:
    explicit FakeSerialSysfs(std::filesystem::path root) : root_(std::move(root)) {
        std::filesystem::create_directories(classRoot());
        std::filesystem::create_directories(deviceRoot());
    }

    std::filesystem::path classRoot() const { return root_ / "class" / "tty"; }
    std::filesystem::path deviceRoot() const { return root_ / "dev"; }
    std::string NodePath(const std::string& name) const { return (deviceRoot() / name).string(); }
    // The system the code under test is given to look at.
    SerialSystem system() const { return {classRoot(), deviceRoot()}; }

    // A tty without hardware behind it (virtual consoles, ptmx).
    void AddVirtual(const std::string& name) { Link(Tty(root_ / "devices" / "virtual" / "tty", name), name); }

    // A UART on a platform device; `uartType` "0" is a port the driver found
    // no chip for. Newer kernels put the serial core's controller and port
    // devices between the hardware and the tty (`serialCore`).
    void AddUart(const std::string& name, const std::string& driver = "serial8250",
                 const char* uartType = "4", bool bound = true, bool serialCore = false) {
        std::filesystem::path device = root_ / "devices" / "platform" / (driver + "." + name);
        std::filesystem::create_directories(device);
        if (bound) BindDriver(device, "platform", driver);
        if (serialCore) {
            device /= driver + ":0";
            std::filesystem::create_directories(device);
            BindDriver(device, "serial-base", "ctrl");
            device /= driver + ":0.0";
            std::filesystem::create_directories(device);
            BindDriver(device, "serial-base", "port");
        }
        const std::filesystem::path tty = Tty(device, name);
        std::filesystem::create_directory_symlink(device, tty / "device");
        if (uartType) Write(tty / "type", std::string(uartType) + "\n");
        Link(tty, name);
    }

    // A USB serial adapter's port; `deviceNumber` is what its node's "dev" file says.
    void AddUsb(const std::string& name, const FakeUsbAdapter& adapter,
                const std::string& deviceNumber = "188:0") {
        namespace fs = std::filesystem;
        const fs::path usb = root_ / "devices" / "pci0000:00" / "usb1" / adapter.location;
        fs::create_directories(usb);
        Write(usb / "idVendor", adapter.vendorId + "\n");
        Write(usb / "idProduct", adapter.productId + "\n");
        if (!adapter.serial.empty()) Write(usb / "serial", adapter.serial + "\n");
        if (!adapter.product.empty()) Write(usb / "product", adapter.product + "\n");
        if (!adapter.manufacturer.empty()) Write(usb / "manufacturer", adapter.manufacturer + "\n");
        const fs::path interface =
            usb / (adapter.location + ":1." + std::to_string(std::stoi(adapter.interface)));
        fs::create_directories(interface);
        Write(interface / "bInterfaceNumber", adapter.interface + "\n");
        fs::path device = interface;
        if (!adapter.acm) {
            device = interface / name;
            fs::create_directories(device);
            Write(device / "port_number", "0\n");
        }
        BindDriver(device, adapter.acm ? "usb" : "usb-serial", adapter.driver);
        const fs::path tty = Tty(device, name);
        if (!fs::is_symlink(tty / "device")) fs::create_directory_symlink(device, tty / "device");
        Write(tty / "dev", deviceNumber + "\n");
        Link(tty, name);
    }

    // The device node `name` under the device root, standing in for the
    // real node by pointing at `target` (a pseudo-terminal's slave).
    void AddNode(const std::string& name, const std::string& target) {
        std::filesystem::create_symlink(target, deviceRoot() / name);
    }

    // A USB serial adapter's port whose node is the pseudo-terminal slave at
    // `slave`: a port a test can open and talk through.
    void AddUsbOnPty(const std::string& name, const FakeUsbAdapter& adapter, const std::string& slave) {
        AddUsb(name, adapter, DeviceNumberOf(slave));
        AddNode(name, slave);
    }

    // Unplugged: the class entry and the node go; the device folders stay
    // behind, as they are not looked at without the entry.
    void Remove(const std::string& name) {
        std::filesystem::remove(classRoot() / name);
        std::filesystem::remove(deviceRoot() / name);
    }

private:
    std::filesystem::path Tty(const std::filesystem::path& device, const std::string& name) {
        const std::filesystem::path tty = device / "tty" / name;
        std::filesystem::create_directories(tty);
        return tty;
    }
    void Link(const std::filesystem::path& tty, const std::string& name) {
        std::filesystem::create_directory_symlink(tty, classRoot() / name);
    }
    void BindDriver(const std::filesystem::path& device, const std::string& bus, const std::string& driver) {
        const std::filesystem::path folder = root_ / "bus" / bus / "drivers" / driver;
        std::filesystem::create_directories(folder);
        if (!std::filesystem::is_symlink(device / "driver"))
            std::filesystem::create_directory_symlink(folder, device / "driver");
    }
    static void Write(const std::filesystem::path& path, const std::string& text) {
        std::ofstream(path, std::ios::binary) << text;
    }

    std::filesystem::path root_;
};

// A test with a fake sysfs of its own, in a folder removed after it.
class FakeSysfsTest : public ::testing::Test {
protected:
    TempDir dir;
    FakeSerialSysfs sysfs{dir / "sys"};
};

}  // namespace viz::testing
