#include "board/BoardChip.h"

#include <cctype>
#include <cmath>
#include <cstdio>

namespace viz {

std::vector<BoardChip> Mcs51Chips() {
    const std::vector<std::string> ports{"P0", "P1", "P2", "P3"};
    return {
        BoardChip{ChipFamily::Mcs51, "8051", "51", 4096, ports},
        BoardChip{ChipFamily::Mcs51, "8052", "52", 8192, ports},
    };
}

std::string AvrDisplayName(std::string_view core) {
    for (std::string_view family : {"atmega", "attiny", "atxmega"}) {
        if (core.substr(0, family.size()) == family) {
            std::string name = "AT";
            name.append(core.substr(2));
            return name;
        }
    }
    std::string name(core);
    for (char& c : name) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return name;
}

std::string ClockText(std::uint32_t hertz) {
    char text[32];
    std::snprintf(text, sizeof text, "%.6f", hertz / 1e6);
    std::string shown = text;
    while (shown.back() == '0') shown.pop_back();
    if (shown.back() == '.') shown.pop_back();
    return shown + " MHz";
}

std::uint32_t ParseMegahertz(std::string_view text) {
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front()))) text.remove_prefix(1);
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back()))) text.remove_suffix(1);
    if (text.empty()) return 0;
    double megahertz = 0;
    double scale = 0;
    for (char c : text) {
        if (c == '.' && scale == 0) {
            scale = 1;
        } else if (std::isdigit(static_cast<unsigned char>(c))) {
            if (scale == 0) {
                megahertz = megahertz * 10 + (c - '0');
            } else {
                scale /= 10;
                megahertz += (c - '0') * scale;
            }
        } else {
            return 0;
        }
    }
    if (megahertz <= 0 || megahertz > 1000) return 0;
    return static_cast<std::uint32_t>(std::llround(megahertz * 1e6));
}

}  // namespace viz
