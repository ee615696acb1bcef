#include "wizards/c51/Mcu51Timing.h"

#include <algorithm>
#include <limits>

#include "wizards/c51/Mcu51Image.h"

namespace viz {

namespace {

// 12 clocks a machine cycle, times 10^6 for F in Hz against microseconds.
constexpr std::uint64_t kCycleDivisor = 12 * 1000000;

std::uint64_t RoundedQuotient(std::uint64_t dividend, std::uint64_t divisor) {
    return (dividend + divisor / 2) / divisor;
}

// Timer counts per baud clock, the nearest to the wanted one within what the
// reload register can hold; nothing asked for gives the slowest.
std::uint32_t BaudDivisor(std::uint64_t frequency, std::uint64_t clocksPerCount, std::uint32_t baud,
                          std::uint32_t largest) {
    if (baud == 0) return largest;
    const std::uint64_t divisor = RoundedQuotient(frequency, clocksPerCount * baud);
    return static_cast<std::uint32_t>(std::clamp<std::uint64_t>(divisor, 1, largest));
}

// The crystals whose clocks divide into the usual rates.
constexpr std::uint32_t kBaudCrystals[] = {kCrystalHz[14], kCrystalHz[20]};

// Whether the reload the wizard computes gives the rate within 2 %.
bool Hits(int timer, std::uint64_t frequency, std::uint32_t baud, bool doubled) {
    if (frequency > std::numeric_limits<std::uint32_t>::max()) return false;
    const auto f = static_cast<std::uint32_t>(frequency);
    const double actual = timer == 1 ? Timer1Baud(f, Timer1BaudReload(f, baud, doubled), doubled)
                                     : Timer2Baud(f, Timer2BaudReload(f, baud));
    return CompareBaud(actual, baud).acceptable();
}

}  // namespace

std::uint32_t SpeedFactor(int speedIndex) {
    switch (speedIndex) {
        case 0:
            return 12;
        case 1:
            return 6;
        case 2:
            return 3;
        case 3:
            return 2;
        default:
            return 1;
    }
}

std::uint64_t TimerTicks(std::int32_t countTime, std::uint32_t frequency) {
    // At most 2^32 us x 2^32 Hz: fits 64 bits.
    const std::uint64_t micros = static_cast<std::uint32_t>(countTime);
    return RoundedQuotient(micros * frequency, kCycleDivisor);
}

std::optional<TimerReload> ReloadFor13Bit(std::uint64_t ticks) {
    if (ticks >= 8192) return std::nullopt;
    const auto v = static_cast<std::uint32_t>(8192 - ticks);
    // Upper eight of the thirteen bits in TH, lower five in TL.
    return TimerReload{static_cast<std::uint8_t>(v >> 5), static_cast<std::uint8_t>(v % 32)};
}

std::optional<TimerReload> ReloadFor16Bit(std::uint64_t ticks) {
    if (ticks >= 65536) return std::nullopt;
    const auto v = static_cast<std::uint32_t>(65536 - ticks);
    return TimerReload{static_cast<std::uint8_t>(v >> 8), static_cast<std::uint8_t>(v & 0xFF)};
}

std::optional<TimerReload> ReloadFor8BitAuto(std::uint64_t ticks) {
    if (ticks >= 256) return std::nullopt;
    const auto v = static_cast<std::uint8_t>((256 - ticks) % 256);
    return TimerReload{v, v};
}

// Timer 1 counts machine cycles (12 clocks) and the serial port takes every
// 32nd overflow, or every 16th with SMOD: 384 or 192 clocks per count.
std::uint8_t Timer1BaudReload(std::uint32_t frequency, std::uint32_t baud, bool doubled) {
    const std::uint32_t divisor = BaudDivisor(frequency, doubled ? 192 : 384, baud, 256);
    return static_cast<std::uint8_t>((256u - divisor) % 256u);
}

double Timer1Baud(std::uint32_t frequency, std::uint8_t reload, bool doubled) {
    const int divisor = 256 - reload;
    return static_cast<double>(frequency) / ((doubled ? 192.0 : 384.0) * divisor);
}

// As baud generator timer 2 counts every second clock and the serial port
// takes every 16th overflow: 32 clocks per count.
TimerReload Timer2BaudReload(std::uint32_t frequency, std::uint32_t baud) {
    const std::uint32_t v = 65536u - BaudDivisor(frequency, 32, baud, 65536);
    return TimerReload{static_cast<std::uint8_t>((v >> 8) & 0xFF), static_cast<std::uint8_t>(v & 0xFF)};
}

double Timer2Baud(std::uint32_t frequency, TimerReload reload) {
    const int divisor = 65536 - (reload.high << 8 | reload.low);
    return static_cast<double>(frequency) / (32.0 * divisor);
}

BaudAccuracy CompareBaud(double actual, std::uint32_t requested) {
    BaudAccuracy accuracy{requested, actual, 0};
    if (requested != 0) accuracy.errorPercent = (actual - requested) * 100.0 / requested;
    return accuracy;
}

double FastestBaud(int timer, std::uint32_t frequency) {
    return timer == 1 ? Timer1Baud(frequency, 0xFF, true) : Timer2Baud(frequency, {0xFF, 0xFF});
}

BaudMiss CauseOfBaudMiss(int timer, std::uint32_t frequency, std::uint32_t speedFactor, std::uint32_t baud,
                         bool doubled) {
    if (CompareBaud(FastestBaud(timer, frequency), baud).errorPercent < -2.0) return BaudMiss::TooFast;
    if (timer == 1 && !doubled && Hits(1, frequency, baud, true)) return BaudMiss::NotDoubled;
    for (const std::uint32_t crystal : kBaudCrystals) {
        const std::uint64_t other = std::uint64_t{speedFactor} * crystal;
        if (other != frequency && Hits(timer, other, baud, doubled)) return BaudMiss::Crystal;
    }
    return BaudMiss::OddRate;
}

std::int32_t ReadLeadingDecimal(std::string_view text) {
    std::size_t pos = 0;
    while (pos < text.size() && (text[pos] == ' ' || text[pos] == '\t')) ++pos;
    bool negative = false;
    if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) {
        negative = text[pos] == '-';
        ++pos;
    }
    std::int64_t value = 0;
    constexpr std::int64_t kLimit = std::int64_t{std::numeric_limits<std::int32_t>::max()} + 1;
    for (; pos < text.size() && text[pos] >= '0' && text[pos] <= '9'; ++pos) {
        value = value * 10 + (text[pos] - '0');
        if (value > kLimit) value = kLimit;
    }
    if (negative) return static_cast<std::int32_t>(-value);
    return static_cast<std::int32_t>(value >= kLimit ? kLimit - 1 : value);
}

}  // namespace viz
