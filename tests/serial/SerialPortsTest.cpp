#include "serial/SerialPorts.h"

#include <gtest/gtest.h>

#include <fstream>

#include "TempDir.h"

namespace viz {
namespace {

using testing::TempDir;
namespace fs = std::filesystem;

// A sysfs tty class folder as the kernel lays it out: each entry links to its
// device folder; those backed by hardware have a device link, bound ones a driver.
class FakeSysfs {
public:
    void Add(const std::string& name, bool device, bool driver, const char* uartType = nullptr) {
        const fs::path tty = dir_ / "devices" / name;
        fs::create_directories(tty);
        if (device) {
            const fs::path hardware = dir_ / "devices" / ("hw-" + name);
            fs::create_directories(hardware);
            fs::create_directory_symlink(hardware, tty / "device");
            if (driver) {
                fs::create_directories(dir_ / "drivers" / "some_driver");
                fs::create_directory_symlink(dir_ / "drivers" / "some_driver", hardware / "driver");
            }
        }
        if (uartType) std::ofstream(tty / "type") << uartType << "\n";
        fs::create_directories(dir_ / "class" / "tty");
        fs::create_directory_symlink(tty, dir_ / "class" / "tty" / name);
    }
    fs::path root() const { return dir_ / "class" / "tty"; }

private:
    TempDir dir_;
};

TEST(SerialPorts, ListsHardwarePortsAsDevicePathsSortedAsText) {
    FakeSysfs sysfs;
    sysfs.Add("console", false, false);
    sysfs.Add("ptmx", false, false);
    sysfs.Add("tty0", false, false);
    sysfs.Add("ttyS0", true, true, "4");
    sysfs.Add("ttyS1", true, true, "0");  // registered by the driver, no chip behind it
    sysfs.Add("ttyS2", true, true, "4");
    sysfs.Add("ttyS10", true, true, "4");
    sysfs.Add("ttyS3", false, false, "0");
    sysfs.Add("ttyUSB0", true, true);
    sysfs.Add("ttyACM0", true, false);
    sysfs.Add("ttyAMA0", true, true);
    sysfs.Add("ttyXR0", true, false);  // unbound: nobody drives it

    EXPECT_EQ(ListSerialPorts(sysfs.root()),
              (std::vector<std::string>{"/dev/ttyACM0", "/dev/ttyAMA0", "/dev/ttyS0", "/dev/ttyS10",
                                        "/dev/ttyS2", "/dev/ttyUSB0"}));
}

TEST(SerialPorts, MissingSysfsGivesAnEmptyList) {
    TempDir dir;
    EXPECT_TRUE(ListSerialPorts(dir / "no-such-class").empty());
}

}  // namespace
}  // namespace viz
