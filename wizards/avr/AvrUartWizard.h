#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace viz {

// The ATmega16 baud-rate register as the wizard computes it, with the rate
// it really gives.
struct Ubrr {
    std::uint32_t high = 0;  // bits 15..8 of the computed value
    std::uint32_t low = 0;   // bits 7..0
    double actualBaud = 0;
    double errorPercent = 0;  // (actual - requested) / requested x 100

    // Serial links tolerate a few per cent between the two ends.
    bool acceptable() const { return errorPercent >= -2.0 && errorPercent <= 2.0; }
};

// The leading decimal digits of `text` as an unsigned 32-bit number (wrapping);
// no leading digit gives 0.
std::uint32_t LeadingDecimal(std::string_view text);

// The datasheet's u = round(f / (16 b)) - 1, kept within the register's
// 12 bits (a larger value would write UCSRC through bit 7 of UBRRH). A baud
// rate of 0 gives the slowest setting.
Ubrr ComputeUbrr(std::uint32_t frequency, std::uint32_t baud);

// "UBRRH=0x%02X;\r\nUBRRL=0x%02X;\r\n实际波特率：%d（误差%+.1f%%）", the last
// line flagged when the error is more than 2 %.
std::string UbrrLabel(const Ubrr& ubrr);

// The complete ATmega16 serial program for avr-gcc (UTF-8, CR LF line ends).
std::string AvrUartProgram(const Ubrr& ubrr);

}  // namespace viz
