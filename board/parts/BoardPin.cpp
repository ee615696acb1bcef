#include "board/parts/BoardPin.h"

#include <cctype>

namespace viz {

std::string PinText(ChipFamily family, BoardPin pin) {
    const char bit = static_cast<char>('0' + pin.bit);
    if (family == ChipFamily::Avr) return {'P', static_cast<char>('A' + pin.port), bit};
    return {'P', static_cast<char>('0' + pin.port), '.', bit};
}

std::optional<BoardPin> ParsePin(std::string_view text) {
    if (text.size() < 3 || std::toupper(static_cast<unsigned char>(text[0])) != 'P') return std::nullopt;
    const char port = static_cast<char>(std::toupper(static_cast<unsigned char>(text[1])));
    std::string_view rest = text.substr(2);
    int portIndex = -1;
    if (port >= 'A' && port < 'A' + static_cast<int>(kBoardPorts)) {
        portIndex = port - 'A';
    } else if (port >= '0' && port < '0' + static_cast<int>(kBoardPorts) && rest.front() == '.') {
        portIndex = port - '0';
        rest.remove_prefix(1);
    }
    if (portIndex < 0 || rest.size() != 1 || rest[0] < '0' || rest[0] > '7') return std::nullopt;
    return BoardPin{static_cast<std::uint8_t>(portIndex), static_cast<std::uint8_t>(rest[0] - '0')};
}

}  // namespace viz
