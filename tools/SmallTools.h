#pragma once

// The small tools page's base converter and seven-segment codes.
//
//   ParseDecimalText(u"-5")    -> 0xFB         ParseDecimalText(u"256") -> refused
//   ParseBinaryText(u"1000000") -> 0x80        FormatBinary(0x80)        -> u"10000000"
//   CommonCathodeText(SegmentBit(Segment::A) | SegmentBit(Segment::B)) -> u"03"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace viz {

std::u16string FormatBinary(std::uint8_t value);
std::u16string FormatDecimal(std::uint8_t value);
std::u16string FormatHexByte(std::uint8_t value);

// Character i (from 0) counts as its digit value (a non-digit as 0) shifted
// left by 7 - i and ORed in, so "2" in the last place sets bit 1. Nothing
// when the text holds fewer than 7 characters; an eighth counts as 0 when
// missing.
std::optional<std::uint8_t> ParseBinaryText(std::u16string_view text);
// The text's integer value (as a C integer conversion reads it) taken modulo
// 256, so -5 gives 0xFB; nothing when it is 256 or more.
std::optional<std::uint8_t> ParseDecimalText(std::u16string_view text);
// The first byte of the typed hexadecimal pairs; 0 when there is none.
std::uint8_t ParseHexText(std::u16string_view text);

enum class Segment { A, B, C, D, E, F, G, Dot };
inline constexpr std::array<Segment, 8> kSegments{Segment::A, Segment::B, Segment::C, Segment::D,
                                                  Segment::E, Segment::F, Segment::G, Segment::Dot};

// a = 0x01, b = 0x02, ... g = 0x40, the decimal point 0x80.
constexpr std::uint8_t SegmentBit(Segment segment) {
    return static_cast<std::uint8_t>(1u << static_cast<unsigned>(segment));
}

// The lit segments' code for a common-cathode digit (lit = 1), and for a
// common-anode one (lit = 0).
std::u16string CommonCathodeText(std::uint8_t segments);
std::u16string CommonAnodeText(std::uint8_t segments);

// The codes of the digits 0 to F, anode row then cathode row, each under its
// heading and on two lines (0 to 7, 8 to F): the page's reference box.
std::u16string SegmentReferenceTables();

}  // namespace viz
