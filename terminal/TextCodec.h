#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace viz {

using Bytes = std::vector<std::uint8_t>;

// Typed hexadecimal pairs to bytes. Spaces may stand between pairs; anything
// else that is not a pair of hex digits ends the scan silently.
Bytes HexToBytes(std::u16string_view text);

// Typed text to code page 936 bytes, no terminating zero; unmappable
// characters become '?'.
Bytes TextToBytes(std::u16string_view text);

// "%02X " per byte, no line breaks.
std::u16string BytesToHexDisplay(const std::uint8_t* data, std::size_t size);
inline std::u16string BytesToHexDisplay(const Bytes& bytes) { return BytesToHexDisplay(bytes.data(), bytes.size()); }

// Received bytes to display text: LF becomes CR LF, the text ends at the
// first zero byte.
std::u16string BytesToDisplayText(const std::uint8_t* data, std::size_t size);
inline std::u16string BytesToDisplayText(const Bytes& bytes) { return BytesToDisplayText(bytes.data(), bytes.size()); }

// The serial receive path keeps back a trailing lead byte of a double-byte
// character so a character split across two reads is shown whole with the
// second. The state lives for the whole run and survives reopening the port.
class SerialTextDecoder {
public:
    std::u16string Decode(const std::uint8_t* data, std::size_t size);
    std::u16string Decode(const Bytes& bytes) { return Decode(bytes.data(), bytes.size()); }
    bool holding() const { return held_; }

private:
    std::uint8_t heldByte_ = 0;
    bool held_ = false;
};

// First two hex bytes as a big-endian value; a missing byte counts as 0.
std::uint16_t HexToUint16(std::u16string_view text);

}  // namespace viz
