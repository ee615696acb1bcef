#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace viz {

// Machine cycles of a 12-clock core for a count time at frequency F, from
// the exact frequency in hertz and rounded to the nearest cycle, so that
// crystals such as 11.0592 MHz time as they run. Negative typed times are
// read as their unsigned 32-bit value. Computed wide so that a huge time is
// reported as too long instead of wrapping to a small count.
std::uint64_t TimerTicks(std::int32_t countTime, std::uint32_t frequency);

// Reload bytes for timer 0 or 1 in the given mode; nothing when the ticks
// do not fit the mode's counter.
struct TimerReload {
    std::uint8_t high = 0;
    std::uint8_t low = 0;
};
std::optional<TimerReload> ReloadFor13Bit(std::uint64_t ticks);
std::optional<TimerReload> ReloadFor16Bit(std::uint64_t ticks);
std::optional<TimerReload> ReloadFor8BitAuto(std::uint64_t ticks);

// TH1 = TL1 for timer 1 as baud generator, the nearest the 8-bit reload
// allows; PCON bit 7 doubles the rate.
std::uint8_t Timer1BaudReload(std::uint32_t frequency, std::uint32_t baud, bool doubled);
// The rate timer 1 really gives with this reload.
double Timer1Baud(std::uint32_t frequency, std::uint8_t reload, bool doubled);

// RCAP2H:RCAP2L for timer 2 as baud generator, the nearest reload.
TimerReload Timer2BaudReload(std::uint32_t frequency, std::uint32_t baud);
// The rate timer 2 really gives with this reload.
double Timer2Baud(std::uint32_t frequency, TimerReload reload);

// A generated baud rate against the requested one. Serial links tolerate a
// few per cent between the two ends, so more than 2 % is reported.
struct BaudAccuracy {
    std::uint32_t requested = 0;
    double actual = 0;
    double errorPercent = 0;  // (actual - requested) / requested x 100

    bool acceptable() const { return errorPercent >= -2.0 && errorPercent <= 2.0; }
};
BaudAccuracy CompareBaud(double actual, std::uint32_t requested);

// Why timer 1 or 2 as baud generator misses the rate, so the advice names
// what to change; checked in this order:
enum class BaudMiss {
    TooFast,     // beyond the fastest reload at this clock (timer 1 doubled)
    NotDoubled,  // timer 1 hits it with "波特率倍增" ticked
    Crystal,     // an 11.0592 or 22.1184 MHz crystal at the same speed hits it
    OddRate,     // neither crystal does: the rate is no whole division of them
};
// `speedFactor` as SpeedFactor gives it; `doubled` is PCON bit 7.
BaudMiss CauseOfBaudMiss(int timer, std::uint32_t frequency, std::uint32_t speedFactor, std::uint32_t baud,
                         bool doubled);
// The fastest rate the timer gives at this frequency (timer 1 doubled).
double FastestBaud(int timer, std::uint32_t frequency);

// A number typed into an edit: leading blanks, an optional sign and the
// leading digits; no digits give 0, values beyond 32 bits saturate.
std::int32_t ReadLeadingDecimal(std::string_view text);

}  // namespace viz
