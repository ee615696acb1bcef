#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace viz {

// The ATmega16 baud-rate register as the wizard computes it.
struct Ubrr {
    std::uint32_t high = 0;  // bits 15..8 of the computed value
    std::uint32_t low = 0;   // bits 7..0
};

// The leading decimal digits of `text` as an unsigned 32-bit number (wrapping);
// no leading digit gives 0.
std::uint32_t LeadingDecimal(std::string_view text);

// u = f div (16 b - 1) + 1 in unsigned 32-bit arithmetic, split into bytes.
// A baud rate of 0 wraps the divisor to 2^32 - 1, so no division by zero can occur.
Ubrr ComputeUbrr(std::uint32_t frequency, std::uint32_t baud);

// "UBRRH=0x%02X;\r\nUBRRL=0x%02X;"
std::string UbrrLabel(const Ubrr& ubrr);

// The complete ATmega16 serial program for avr-gcc (UTF-8, CR LF line ends).
std::string AvrUartProgram(const Ubrr& ubrr);

}  // namespace viz
