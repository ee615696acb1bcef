#include "serial/SerialPorts.h"

#include <algorithm>
#include <fstream>

namespace viz {
namespace {

bool StartsWith(const std::string& text, const char* prefix) {
    return text.rfind(prefix, 0) == 0;
}

// UART drivers register every port they might have; one whose probe found no
// chip reports type 0 (unknown) and cannot be opened.
bool IsPlaceholderUart(const std::filesystem::path& tty) {
    std::ifstream type(tty / "type");
    int value = -1;
    return type >> value && value == 0;
}

bool IsSerialDevice(const std::filesystem::path& tty, const std::string& name) {
    std::error_code error;
    if (!std::filesystem::exists(tty / "device", error)) return false;
    if (StartsWith(name, "ttyUSB") || StartsWith(name, "ttyACM")) return true;
    return std::filesystem::exists(tty / "device" / "driver", error) && !IsPlaceholderUart(tty);
}

}  // namespace

std::vector<std::string> ListSerialPorts(const std::filesystem::path& ttyClassRoot) {
    std::vector<std::string> ports;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(ttyClassRoot, error)) {
        const std::string name = entry.path().filename().string();
        if (IsSerialDevice(entry.path(), name)) ports.push_back("/dev/" + name);
    }
    std::sort(ports.begin(), ports.end());
    return ports;
}

}  // namespace viz
