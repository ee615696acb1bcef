#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace viz {

// The serial devices the system knows, as "/dev/<name>" sorted as text (so
// ttyS10 comes before ttyS2): USB serial adapters (ttyUSB*, ttyACM*), UARTs
// whose driver found a real port, and any other tty bound to a driver.
// Virtual terminals and pseudo-terminals have no device and are left out.
// `ttyClassRoot` is the sysfs tty class folder.
std::vector<std::string> ListSerialPorts(const std::filesystem::path& ttyClassRoot = "/sys/class/tty");

}  // namespace viz
