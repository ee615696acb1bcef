#include "serial/SerialPorts.h"

#include <gtest/gtest.h>

#include "SerialSysfs.h"
#include "TempDir.h"

namespace viz {
namespace {

using testing::FakeSerialSysfs;
using testing::FakeUsbAdapter;
using testing::TempDir;

std::vector<std::string> Labels(const std::vector<SerialPortInfo>& ports) {
    std::vector<std::string> labels;
    for (const SerialPortInfo& port : ports) labels.push_back(SerialPortLabel(port));
    return labels;
}

TEST(SerialPorts, ListsHardwarePortsUsbAdaptersFirstWithWhatTheSystemKnows) {
    TempDir dir;
    FakeSerialSysfs sysfs(dir / "sys");
    for (const char* name : {"console", "ptmx", "tty0"}) sysfs.AddVirtual(name);
    sysfs.AddUart("ttyS0", "serial", "4", true, true);  // a newer kernel's layout
    sysfs.AddUart("ttyS1", "serial8250", "0");          // registered by the driver, no chip behind it
    sysfs.AddUart("ttyS2");
    sysfs.AddUart("ttyS10");
    sysfs.AddUart("ttyAMA0", "uart-pl011", nullptr);
    sysfs.AddUart("ttyXR0", "xr_serial", nullptr, false);  // unbound: nobody drives it
    sysfs.AddUsb("ttyUSB0", {}, "188:0");
    FakeUsbAdapter ch340;
    ch340.vendorId = "1a86";
    ch340.productId = "7523";
    ch340.serial.clear();
    ch340.product = "USB Serial";
    ch340.manufacturer.clear();
    ch340.driver = "ch341-uart";
    ch340.location = "1-3";
    sysfs.AddUsb("ttyUSB1", ch340, "188:1");
    FakeUsbAdapter board;
    board.product.clear();
    board.manufacturer.clear();
    board.driver = "cdc_acm";
    board.location = "1-4";
    board.acm = true;
    sysfs.AddUsb("ttyACM0", board, "166:0");

    const std::vector<SerialPortInfo> ports = ListSerialPortInfo({sysfs.classRoot(), "/dev"});
    EXPECT_EQ(Labels(ports), (std::vector<std::string>{
                                 "/dev/ttyACM0  cdc_acm",
                                 "/dev/ttyUSB0  CP2102N USB to UART Bridge Controller (Silicon Labs)",
                                 "/dev/ttyUSB1  USB Serial",
                                 "/dev/ttyAMA0  uart-pl011",
                                 "/dev/ttyS0  serial",
                                 "/dev/ttyS10  serial8250",
                                 "/dev/ttyS2  serial8250",
                             }));
    ASSERT_EQ(ports.size(), 7u);
    ASSERT_TRUE(ports[1].usbIdentity);
    EXPECT_EQ(ports[1].deviceNumber, "188:0");
    EXPECT_EQ(ports[1].usbIdentity->vendorId, "10c4");
    EXPECT_EQ(ports[1].usbIdentity->serial, "0001");
    EXPECT_EQ(ports[1].usbIdentity->interface, "00");
    EXPECT_EQ(ports[1].usbIdentity->location, "1-2");
    EXPECT_FALSE(ports[4].usbIdentity);

    // The advanced monitor's list: paths only, all sorted as text.
    EXPECT_EQ(ListSerialPorts(sysfs.classRoot()),
              (std::vector<std::string>{"/dev/ttyACM0", "/dev/ttyAMA0", "/dev/ttyS0", "/dev/ttyS10",
                                        "/dev/ttyS2", "/dev/ttyUSB0", "/dev/ttyUSB1"}));
}

TEST(SerialPorts, MissingSysfsGivesAnEmptyList) {
    TempDir dir;
    EXPECT_TRUE(ListSerialPorts(dir / "no-such-class").empty());
    EXPECT_TRUE(ListSerialPortInfo({dir / "no-such-class", "/dev"}).empty());
}

// An adapter is the same device by its numbers and serial number; one
// without a serial number only in the same USB socket, as two of one make
// could not be told apart otherwise.
TEST(SerialPorts, UsbAdaptersAreTheSameDeviceByIdentityNotByName) {
    const UsbSerialIdentity adapter{"10c4", "ea60", "0001", "00", "0", "1-2"};
    UsbSerialIdentity elsewhere = adapter;
    elsewhere.location = "1-4";
    EXPECT_TRUE(adapter.SameDevice(elsewhere));
    UsbSerialIdentity other = adapter;
    other.serial = "0002";
    EXPECT_FALSE(adapter.SameDevice(other));
    UsbSerialIdentity secondPort = adapter;
    secondPort.interface = "01";
    EXPECT_FALSE(adapter.SameDevice(secondPort));

    UsbSerialIdentity anonymous = adapter;
    anonymous.serial.clear();
    UsbSerialIdentity anonymousElsewhere = elsewhere;
    anonymousElsewhere.serial.clear();
    EXPECT_TRUE(anonymous.SameDevice(anonymous));
    EXPECT_FALSE(anonymous.SameDevice(anonymousElsewhere));
}

}  // namespace
}  // namespace viz
