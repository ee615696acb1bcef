#pragma once

// Eight LEDs wired active low (lit while their pin is low), seen over a
// frame like the digits: an LED pulsed by a shared port looks dim, not off.
//
//   LedRow leds;
//   leds.Update(0xFE, t);          // D1 lit
//   leds.AdvanceTo(t + 40'000'000);
//   leds.StateText(0) -> "亮"

#include <cstdint>

#include "board/parts/FrameMeter.h"

namespace viz {

class LedRow {
public:
    static constexpr int kLeds = 8;

    LedRow();
    // Bit i is the level on D(i+1)'s pin from `at` on.
    void Update(std::uint8_t levels, SimNanos at);
    void AdvanceTo(SimNanos at) { meter_.AdvanceTo(at); }

    bool LitNow(int led) const { return meter_.On(static_cast<std::size_t>(led)); }
    // Fraction of the last frame the LED was lit: its brightness.
    double Brightness(int led) const { return meter_.LastFrame(static_cast<std::size_t>(led)); }
    // "亮" when it was lit for a visible part of the last frame, else "灭".
    const char* StateText(int led) const;

private:
    FrameMeter meter_;
};

}  // namespace viz
