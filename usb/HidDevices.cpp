#include "usb/HidDevices.h"

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <optional>
#include <sstream>

#include "platform/CodePage.h"

namespace viz {
namespace {

namespace fs = std::filesystem;

constexpr std::uint32_t kUsbBus = 0x03;
// What the report frame of the channel holds when the descriptor is unknown.
constexpr std::size_t kFrameLength = 65;
// A HID device sits on a USB interface, which sits on the USB device.
constexpr int kUsbDeviceLevels = 3;

std::optional<std::string> ReadFile(const fs::path& path) {
    std::ifstream file(path, std::ios::binary);
    if (!file) return std::nullopt;
    return std::string(std::istreambuf_iterator<char>(file), {});
}

std::string FirstLine(const std::string& text) {
    return text.substr(0, text.find('\n'));
}

// "hidraw12" -> 12; names of another shape sort after every number.
unsigned long NodeNumber(const std::string& name) {
    constexpr std::string_view kPrefix = "hidraw";
    if (name.rfind(kPrefix, 0) != 0 || name.size() == kPrefix.size()) return static_cast<unsigned long>(-1);
    char* end = nullptr;
    const unsigned long number = std::strtoul(name.c_str() + kPrefix.size(), &end, 10);
    return *end == '\0' ? number : static_cast<unsigned long>(-1);
}

struct Identity {
    std::uint32_t bus = 0;
    std::uint32_t vendor = 0;
    std::uint32_t product = 0;
    std::string name;
};

// The HID device's uevent: "HID_ID=0003:00000472:00000002" and "HID_NAME=...".
std::optional<Identity> ReadIdentity(const fs::path& hidDevice) {
    const std::optional<std::string> uevent = ReadFile(hidDevice / "uevent");
    if (!uevent) return std::nullopt;
    std::istringstream lines(*uevent);
    std::optional<Identity> identity;
    std::string name;
    for (std::string line; std::getline(lines, line);) {
        if (line.rfind("HID_NAME=", 0) == 0) name = line.substr(9);
        if (line.rfind("HID_ID=", 0) != 0) continue;
        unsigned long parts[3] = {};
        const char* at = line.c_str() + 7;
        bool complete = true;
        for (int i = 0; i < 3 && complete; ++i) {
            char* end = nullptr;
            parts[i] = std::strtoul(at, &end, 16);
            complete = end != at && (i == 2 ? (*end == '\0' || *end == '\r') : *end == ':');
            at = end + 1;
        }
        if (!complete) return std::nullopt;
        identity = Identity{static_cast<std::uint32_t>(parts[0]),
                            static_cast<std::uint32_t>(parts[1]),
                            static_cast<std::uint32_t>(parts[2]),
                            {}};
    }
    if (identity) identity->name = name;
    return identity;
}

// The first folder above the HID device that describes a USB device.
std::optional<fs::path> UsbDeviceOf(const fs::path& hidDevice) {
    fs::path folder = hidDevice;
    for (int level = 0; level < kUsbDeviceLevels && folder.has_parent_path(); ++level) {
        folder = folder.parent_path();
        std::error_code error;
        if (fs::exists(folder / "bcdDevice", error)) return folder;
    }
    return std::nullopt;
}

std::u16string ProductText(const std::string& utf8) {
    std::u16string text = Utf8ToUtf16(utf8);
    if (text.size() > kProductUnits) {
        std::size_t cut = kProductUnits;
        // Never half a surrogate pair.
        if (text[cut - 1] >= 0xD800 && text[cut - 1] < 0xDC00) --cut;
        text.resize(cut);
    }
    return text;
}

std::optional<HidInterface> ReadInterface(const fs::path& node, const std::string& deviceRoot) {
    std::error_code error;
    const fs::path hidDevice = fs::canonical(node / "device", error);
    if (error) return std::nullopt;
    const std::optional<Identity> identity = ReadIdentity(hidDevice);
    if (!identity) return std::nullopt;

    HidInterface found;
    found.devicePath = deviceRoot + "/" + node.filename().string();
    found.vendorId = identity->vendor;
    found.productId = identity->product;
    std::string product = identity->name;
    if (identity->bus == kUsbBus) {
        if (const std::optional<fs::path> usb = UsbDeviceOf(hidDevice)) {
            if (const auto release = ReadFile(*usb / "bcdDevice"))
                found.version = static_cast<std::uint32_t>(std::strtoul(release->c_str(), nullptr, 16));
            if (const auto name = ReadFile(*usb / "product")) product = FirstLine(*name);
        }
    }
    found.product = ProductText(product);

    if (const auto descriptor = ReadFile(hidDevice / "report_descriptor")) {
        found.reports = ParseReportDescriptor(reinterpret_cast<const std::uint8_t*>(descriptor->data()),
                                              descriptor->size());
    } else {
        found.reports = {kFrameLength, kFrameLength, false};
    }
    return found;
}

}  // namespace

std::vector<HidInterface> ListHidInterfaces(const fs::path& classRoot, const std::string& deviceRoot) {
    std::vector<fs::path> nodes;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(classRoot, error)) nodes.push_back(entry.path());
    std::sort(nodes.begin(), nodes.end(), [](const fs::path& a, const fs::path& b) {
        const std::string left = a.filename().string();
        const std::string right = b.filename().string();
        const unsigned long leftNumber = NodeNumber(left);
        const unsigned long rightNumber = NodeNumber(right);
        return leftNumber != rightNumber ? leftNumber < rightNumber : left < right;
    });
    std::vector<HidInterface> interfaces;
    for (const fs::path& node : nodes) {
        if (std::optional<HidInterface> found = ReadInterface(node, deviceRoot))
            interfaces.push_back(std::move(*found));
    }
    return interfaces;
}

}  // namespace viz
