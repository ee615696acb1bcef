#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace viz {

using ByteSpan = std::span<const std::uint8_t>;

// The three CRC-16 variants the checksum page offers, in list order.
enum class Crc16Kind { Poly8005 = 0, Ccitt1021 = 1, RtuA001 = 2 };

std::uint8_t OddParity(ByteSpan data);   // 1 when the count of 1 bits is odd
std::uint8_t EvenParity(ByteSpan data);  // 1 when that count is even
std::uint8_t Sum8(ByteSpan data);
std::uint16_t Sum16(ByteSpan data);
std::uint32_t Sum32(ByteSpan data);
std::uint8_t IntelHexChecksum(ByteSpan data);  // two's complement of the 8-bit sum
std::uint16_t TcpIpChecksum(ByteSpan data);    // one's-complement fold of the byte sum
std::uint8_t Bcc(ByteSpan data);               // XOR of all bytes
std::uint8_t Crc8(ByteSpan data);              // reflected 0x31, start 0, no final XOR
std::uint16_t Crc16(ByteSpan data, Crc16Kind kind);
std::uint32_t Crc32(ByteSpan data);  // IEEE 802.3 / zlib

// The result boxes of the page, in the order the page lays them out.
enum class CheckItem { OddParity, EvenParity, IntelHex, Bcc, Sum8, TcpIp, Sum16, Sum32, Crc8, Crc16, Crc32 };
inline constexpr std::size_t kCheckItemCount = 11;

struct CheckValue {
    std::uint32_t value = 0;
    int digits = 2;  // 2, 4 or 8 hexadecimal digits
};

using CheckValues = std::array<CheckValue, kCheckItemCount>;

CheckValues ComputeCheckValues(ByteSpan data, Crc16Kind kind);

// "%02X", "%04X" or "%08X" by width; the complemented form shows the largest
// value of that width minus the value.
std::string FormatCheckValue(const CheckValue& value, bool complemented);

// The page checks at most this many bytes.
inline constexpr std::size_t kCheckBufferSize = 4096;

enum class CheckInputMode { Hex, Text };

struct CheckInput {
    std::vector<std::uint8_t> bytes;
    bool truncated = false;  // the input converted to more than kCheckBufferSize bytes
};

// Converts the typed text (line breaks as CR LF) by the input mode and cuts it
// to the buffer size.
CheckInput PrepareCheckInput(std::u16string_view text, CheckInputMode mode);

}  // namespace viz
