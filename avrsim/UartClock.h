#pragma once

// The time one byte takes on the simulated UART0, kept right. The library
// counts a frame by the format in the register ATmega16-style parts share
// between UBRRH and UCSRC as it was last written, whatever URSEL said, and
// always with a parity bit: a program that writes UCSRC and then UBRRH gets
// 8-bit frames, a quarter faster than the wire. This follows the writes to
// the shared register, tells UCSRC from UBRRH by URSEL, and sets the byte
// time the format and rate give: start bit, data bits, parity when on, stop
// bits.

#include <cstdint>

extern "C" {
#include <avr_uart.h>
#include <sim_avr.h>
}

namespace viz::avrsim {

class UartClock {
public:
    // Nothing to keep right on a part without UART0.
    explicit UartClock(avr_t* avr);
    // Call often; cheap when nothing changed.
    void Apply();
    // Whether the receiver is on. The library would queue bytes given to a
    // receiver that is off and then never take another.
    bool Receiving() const;

    // Cycles per byte for a UCSRC value, a baud register and the U2X bit.
    static std::uint64_t ByteCycles(std::uint8_t ucsrc, bool nineBits, std::uint32_t ubrr, bool doubleSpeed);

private:
    static void SharedWrite(avr_irq_t*, std::uint32_t value, void* self);

    avr_t* avr_;
    avr_uart_t* uart_ = nullptr;
    bool shared_ = false;
    // ATmega16's reset values: 8 data bits, no parity, one stop bit; rate 0.
    std::uint8_t ucsrc_ = 0x86;
    std::uint8_t ubrrHigh_ = 0;
};

}  // namespace viz::avrsim
