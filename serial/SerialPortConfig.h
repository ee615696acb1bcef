#pragma once

#include <cstdint>
#include <string>

namespace viz {

enum class Parity { None = 0, Odd = 1, Even = 2 };
enum class StopBits { One = 0, Two = 2 };

// The rates a port may be asked for: the span of the kernel's named rates
// (any rate between goes through the kernel's arbitrary-rate interface).
inline constexpr std::uint32_t kMinBaud = 50;
inline constexpr std::uint32_t kMaxBaud = 4000000;

// What the serial page asks a port to be opened with.
struct SerialPortConfig {
    std::string device;  // "/dev/ttyUSB0", or any path the user typed
    std::uint32_t baud = 9600;
    int dataBits = 8;  // 5..8
    Parity parity = Parity::None;
    StopBits stopBits = StopBits::One;
};

}  // namespace viz
