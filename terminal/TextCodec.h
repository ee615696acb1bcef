#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace viz {

using Bytes = std::vector<std::uint8_t>;

// The encoding a terminal page exchanges text in with its link, its files
// and its monitor windows. GBK is code page 936; the numbers are stored.
enum class TextEncoding : std::uint32_t { Gbk = 0, Utf8 = 1 };

// A stored number as an encoding; numbers of no encoding read as GBK.
TextEncoding TextEncodingFromNumber(std::uint32_t number);

// Typed hexadecimal pairs to bytes. Spaces may stand between pairs; anything
// else that is not a pair of hex digits ends the scan silently.
Bytes HexToBytes(std::u16string_view text);

// Typed text to bytes in `encoding`, no terminating zero; characters the
// encoding cannot hold (and lone surrogates) become '?'.
Bytes TextToBytes(std::u16string_view text, TextEncoding encoding = TextEncoding::Gbk);

// What a send area, a continuous send or a multi-send entry sends for its
// text: hex pairs, or the text in the page's encoding.
inline Bytes SendBytes(std::u16string_view text, bool hex, TextEncoding encoding) {
    return hex ? HexToBytes(text) : TextToBytes(text, encoding);
}

// Text to the bytes of a file in `encoding` ('?' for what it cannot hold).
std::string EncodeFileText(std::u16string_view text, TextEncoding encoding);

// "%02X " per byte, no line breaks.
std::u16string BytesToHexDisplay(const std::uint8_t* data, std::size_t size);
// The same appended to `out`, without a text of its own in between.
void AppendHexDisplay(std::u16string& out, const std::uint8_t* data, std::size_t size);
inline std::u16string BytesToHexDisplay(const Bytes& bytes) { return BytesToHexDisplay(bytes.data(), bytes.size()); }

// First two hex bytes as a big-endian value; a missing byte counts as 0.
std::uint16_t HexToUint16(std::u16string_view text);

}  // namespace viz
