#pragma once

// How long an 8051's serial port takes to receive one byte, from the
// registers its firmware set, so the board hands the chip received bytes
// one frame apart as a wire would, never back to back faster than that.
//
//   S51UartRegisters uart{scon, pcon, tmod, tcon, th1};   // read from s51
//   const std::uint64_t clocks = FrameClocks(uart);      // 0: takes nothing now

#include <cstdint>

namespace viz {

struct S51UartRegisters {
    std::uint8_t scon = 0;
    std::uint8_t pcon = 0;
    std::uint8_t tmod = 0;
    std::uint8_t tcon = 0;
    std::uint8_t th1 = 0;
    // Timer 2, on the 52 family only (all 0 on an 8051).
    std::uint8_t t2con = 0;
    std::uint8_t rcap2l = 0;
    std::uint8_t rcap2h = 0;
};

// Oscillator clocks of one received frame (start bit, data, stop bit), as
// the datasheet's baud formulas give it; 0 while the receiver is off or the
// timer that clocks it stands (the chip takes no byte then).
std::uint64_t FrameClocks(const S51UartRegisters& uart);

}  // namespace viz
