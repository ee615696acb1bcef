#pragma once

// The HID device nodes present, read from sysfs: one entry per
// /sys/class/hidraw/hidrawN, in the order of N.

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "usb/HidReportDescriptor.h"

namespace viz {

struct HidInterface {
    std::string devicePath;  // the node to open, "/dev/hidraw3"
    std::uint32_t vendorId = 0;
    std::uint32_t productId = 0;
    // The USB device's release number (bcdDevice); 0 for devices on other buses.
    std::uint32_t version = 0;
    // The USB product string, else the name the HID driver gave the device;
    // at most kProductUnits UTF-16 units.
    std::u16string product;
    // From the report descriptor; the 64-byte report frame when it cannot be read.
    HidReportLayout reports;
};

// The product string's room: 256 bytes with a terminator, as the device
// table has always held it.
inline constexpr std::size_t kProductUnits = 127;

// `classRoot` is the hidraw class folder; device paths are `deviceRoot`/hidrawN.
// Nodes whose HID identity cannot be read are left out.
std::vector<HidInterface> ListHidInterfaces(const std::filesystem::path& classRoot = "/sys/class/hidraw",
                                            const std::string& deviceRoot = "/dev");

}  // namespace viz
