#include "board/S51Uart.h"

namespace viz {
namespace {

constexpr std::uint8_t kReceiveEnable = 0x10;  // SCON.REN
constexpr std::uint8_t kSmod = 0x80;           // PCON.SMOD
constexpr std::uint8_t kTimer1Runs = 0x40;     // TCON.TR1
constexpr std::uint8_t kTimer1Counts = 0x40;   // TMOD C/T of timer 1: pulses from outside
constexpr std::uint8_t kReceiveClock = 0x20;   // T2CON.RCLK
constexpr std::uint8_t kTimer2Runs = 0x04;     // T2CON.TR2

// Clocks of one bit in modes 1 and 3: timer 2's overflow rate over 16 (it
// counts at half the oscillator), or timer 1's over 32, or 16 with SMOD.
std::uint64_t TimerBitClocks(const S51UartRegisters& uart) {
    if (uart.t2con & kReceiveClock) {
        if (!(uart.t2con & kTimer2Runs)) return 0;
        const std::uint64_t reload = (static_cast<std::uint64_t>(uart.rcap2h) << 8) | uart.rcap2l;
        return 32 * (65536 - reload);
    }
    if (!(uart.tcon & kTimer1Runs) || (uart.tmod & kTimer1Counts)) return 0;
    const std::uint64_t th1 = uart.th1;
    std::uint64_t overflow = 0;
    switch ((uart.tmod >> 4) & 3) {
        case 0:  // 13 bits, reloaded by the firmware
            overflow = 12 * (8192 - th1 * 32);
            break;
        case 1:  // 16 bits, reloaded by the firmware
            overflow = 12 * (65536 - th1 * 256);
            break;
        case 2:  // 8 bits, reloaded from TH1: the usual baud generator
            overflow = 12 * (256 - th1);
            break;
        default:  // mode 3 holds timer 1
            return 0;
    }
    return overflow * ((uart.pcon & kSmod) ? 16 : 32);
}

}  // namespace

std::uint64_t FrameClocks(const S51UartRegisters& uart) {
    if (!(uart.scon & kReceiveEnable)) return 0;
    switch (uart.scon >> 6) {
        case 0:  // shift register: 8 bits at a twelfth of the oscillator
            return 8 * 12;
        case 1:
            return 10 * TimerBitClocks(uart);
        case 2:  // 9 data bits at a 64th (SMOD: 32nd) of the oscillator
            return 11 * ((uart.pcon & kSmod) ? 32 : 64);
        default:
            return 11 * TimerBitClocks(uart);
    }
}

}  // namespace viz
