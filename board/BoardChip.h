#pragma once

// The chips a virtual board can be: the 8051 family through s51, and the AVR
// parts the AVR runner's simulator knows (it lists them itself).

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace viz {

enum class ChipFamily { Mcs51, Avr };

struct BoardChip {
    ChipFamily family = ChipFamily::Mcs51;
    std::string name;           // as shown: "8051", "ATmega16"
    std::string simulatorName;  // s51's type ("51") or the AVR core ("atmega16")
    std::uint32_t codeBytes = 0;
    std::vector<std::string> ports;  // "P0".."P3" or "PORTA".."PORTD"
    // It starts in a serial bootloader built for it (board/SerialBootloader.h).
    bool serialBootloader = false;
};

// "8051" (4 KB, 128 bytes of internal RAM) and "8052" (8 KB, timer 2).
std::vector<BoardChip> Mcs51Chips();

// "atmega16" as the datasheet writes it: "ATmega16"; "attiny85": "ATtiny85".
std::string AvrDisplayName(std::string_view core);

// "11.0592 MHz", "8 MHz": the clock as the port list shows it.
std::string ClockText(std::uint32_t hertz);

// The clock typed in MHz ("11.0592", "8"); 0 when it is not a positive number
// of at most 1000 MHz.
std::uint32_t ParseMegahertz(std::string_view text);

}  // namespace viz
