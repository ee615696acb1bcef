#include "wizards/c51/Mcu51Timing.h"

#include <limits>

#include "wizards/c51/Mcu51Image.h"

namespace viz {

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
    // F = 11059200 counts as 11 whole MHz, as the reload tables have always done.
    const std::uint64_t micros = static_cast<std::uint32_t>(countTime);
    return micros * (frequency / 1000000u) / 12u;
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

std::uint8_t Timer1BaudReload(std::uint32_t frequency, std::uint32_t baud, bool doubled) {
    const std::uint32_t divisor = baud * (doubled ? 192u : 384u);
    if (divisor == 0) return 0;
    return static_cast<std::uint8_t>((256u - frequency / divisor) % 256u);
}

TimerReload Timer2BaudReload(std::uint32_t frequency, std::uint32_t baud) {
    const std::uint32_t divisor = baud * 32u;
    const std::uint32_t v = divisor == 0 ? 0 : 65536u - frequency / divisor;
    return TimerReload{static_cast<std::uint8_t>((v >> 8) & 0xFF), static_cast<std::uint8_t>(v & 0xFF)};
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
