#include "net/DottedAddress.h"

namespace viz {

std::optional<std::string> DottedAddress(std::string_view text) {
    const auto first = text.find_first_not_of(' ');
    if (first == std::string_view::npos) return std::nullopt;
    text = text.substr(first, text.find_last_not_of(' ') - first + 1);

    std::string address;
    int fields = 0;
    while (true) {
        const std::size_t dot = text.find('.');
        const std::string_view field = text.substr(0, dot);
        if (field.empty() || field.size() > 3) return std::nullopt;
        int value = 0;
        for (const char c : field) {
            if (c < '0' || c > '9') return std::nullopt;
            value = value * 10 + (c - '0');
        }
        if (value > 255 || ++fields > 4) return std::nullopt;
        if (!address.empty()) address += '.';
        address += std::to_string(value);
        if (dot == std::string_view::npos) break;
        text.remove_prefix(dot + 1);
    }
    if (fields != 4) return std::nullopt;
    return address;
}

}  // namespace viz
