#pragma once

#include <cstdint>
#include <string>

namespace viz {

// What a code wizard hands to the virtual board: the chip its code is for,
// the clock, the C source and the baud rate its serial port was set up for.
struct WizardFirmware {
    std::string chip;  // as the board lists it: "8051", "8052", "ATmega16"
    std::uint32_t clockHz = 0;
    std::string source;  // C, UTF-8
    std::uint32_t baud = 0;
};

}  // namespace viz
