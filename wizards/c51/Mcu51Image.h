#pragma once

#include <array>
#include <cstdint>

namespace viz {

// The special function registers and timer settings the 8051 wizard keeps
// while the user ticks boxes and picks list entries. Everything starts at
// zero except the machine frequency and the baud rate, which match the
// page's start selections.
struct Mcu51Image {
    std::array<std::uint8_t, 4> port{};  // P0..P3
    std::uint8_t T2CON = 0;
    std::uint8_t RCAP2L = 0;
    std::uint8_t RCAP2H = 0;
    std::uint8_t IP = 0;
    std::uint8_t IE = 0;
    std::uint8_t SCON = 0;
    std::uint8_t TCON = 0;
    std::uint8_t TMOD = 0;
    std::uint8_t TL0 = 0;
    std::uint8_t TH0 = 0;
    std::uint8_t TL1 = 0;
    std::uint8_t TH1 = 0;
    std::uint8_t PCON = 0;

    // Microseconds as typed (0: not set); used as unsigned in the arithmetic.
    std::array<std::int32_t, 3> countTime{};
    // Selected mode list index of timer 0, 1 and 2.
    std::array<std::int32_t, 3> mode{};
    // 1 when the last reload computation of the timer did not fit.
    std::array<std::uint32_t, 3> overflow{};

    // Crystal times speed factor: the clock of a classic 12-clock core that
    // runs as fast as the chosen one.
    std::uint32_t frequency = 12000000;
    std::uint32_t baud = 9600;
};

inline constexpr int kCrystalCount = 30;
inline constexpr int kDefaultCrystalIndex = 15;

// Crystal list labels (MHz) and the frequencies they stand for. Index 3 has
// always computed with 2476000 Hz; generated reload values depend on it.
inline constexpr std::array<const char*, kCrystalCount> kCrystalLabels = {
    "1.0000",  "1.8412",  "2.0000",  "2.4576",  "3.2768",  "3.6684",  "4.0000",  "4.6080",
    "4.9152",  "6.0000",  "7.3728",  "8.0000",  "9.2160",  "10.0000", "11.0592", "12.0000",
    "14.0000", "14.7456", "16.0000", "20.0000", "22.1184", "24.0000", "25.0000", "28.0000",
    "32.0000", "35.0000", "36.0000", "36.8640", "40.0000", "48.0000"};
inline constexpr std::array<std::uint32_t, kCrystalCount> kCrystalHz = {
    1000000,  1841200,  2000000,  2476000,  3276800,  3668400,  4000000,  4608000,  4915200,  6000000,
    7372800,  8000000,  9216000,  10000000, 11059200, 12000000, 14000000, 14745600, 16000000, 20000000,
    22118400, 24000000, 25000000, 28000000, 32000000, 35000000, 36000000, 36864000, 40000000, 48000000};

// "倍速：" list: 1T, 2T, 4T, 6T, 12T.
inline constexpr int kSpeedCount = 5;
inline constexpr int kDefaultSpeedIndex = 4;
inline constexpr std::array<const char*, kSpeedCount> kSpeedLabels = {"1T", "2T", "4T", "6T", "12T"};

// Factor by which a core with the given speed index outruns a 12-clock core;
// an index outside the list counts as "12T".
std::uint32_t SpeedFactor(int speedIndex);

inline constexpr int kBaudCount = 11;
inline constexpr int kDefaultBaudIndex = 3;
inline constexpr std::array<const char*, kBaudCount> kBaudLabels = {
    "1200", "2400", "4800", "9600", "14400", "19200", "38400", "56000", "57600", "115200", "194000"};

}  // namespace viz
