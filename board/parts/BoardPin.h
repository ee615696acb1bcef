#pragma once

// One pin of the simulated chip, as the learning board's wiring names it:
// port index (P0..P3 or PORTA..PORTD as 0..3) and bit.
//
//   PinText(ChipFamily::Mcs51, {1, 5}) -> "P1.5"
//   PinText(ChipFamily::Avr, {1, 3})   -> "PB3"
//   ParsePin("PB3") -> BoardPin{1, 3};  ParsePin("P1.5") -> BoardPin{1, 5}

#include <compare>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "board/BoardChip.h"

namespace viz {

struct BoardPin {
    std::uint8_t port = 0;  // 0..3
    std::uint8_t bit = 0;   // 0..7

    auto operator<=>(const BoardPin&) const = default;
};

inline constexpr std::size_t kBoardPorts = 4;

// A pin the learning board's chips have: port 0..3, bit 0..7.
constexpr bool IsBoardPin(BoardPin pin) {
    return pin.port < kBoardPorts && pin.bit < 8;
}

// Simulated time in nanoseconds since reset: a digit scan step is a
// millisecond, an LCD strobe a microsecond.
using SimNanos = std::uint64_t;

std::string PinText(ChipFamily family, BoardPin pin);
// Either family's spelling ("P1.5", "PB3", case ignored); nothing for any
// other text or a port or bit out of range.
std::optional<BoardPin> ParsePin(std::string_view text);

}  // namespace viz
