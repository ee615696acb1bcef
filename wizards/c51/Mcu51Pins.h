#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "wizards/c51/Mcu51Image.h"

namespace viz {

// A port bit must be 1 for its pin's second function to work: a 0 in the
// port latch holds the pin low, so the serial lines, the interrupt and gate
// inputs and the counter inputs would see nothing.
struct PinNeed {
    int port = 0;            // 1 or 3
    std::uint8_t bits = 0;   // the bits this function sets that were still 0
    const char* sentence{};  // which pins and why, for the code's header
};

// The functions the image enables that needed pins the user left at 0, in
// the order of the code's header. A pin already set by the user or by an
// earlier function in the list is not listed again.
std::vector<PinNeed> PinsSetForFunctions(const Mcu51Image& image);

// P0..P3 as the generated code writes them: the user's bits and the pins
// the enabled functions need.
std::array<std::uint8_t, 4> PortOutputs(const Mcu51Image& image);

}  // namespace viz
