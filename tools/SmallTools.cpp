#include "tools/SmallTools.h"

#include "base/TextFormat.h"
#include "formats/BlockOutput.h"
#include "terminal/TextCodec.h"
#include "tools/ToolsTexts.h"

namespace viz {
namespace {

namespace t = texts::tools;

std::u16string Widen(const std::string& ascii) {
    return {ascii.begin(), ascii.end()};
}

// The segments a to g lit for the digits 0 to F.
constexpr std::array<std::uint8_t, 16> kDigitSegments{0x3F, 0x06, 0x5B, 0x4F, 0x66, 0x6D, 0x7D, 0x07,
                                                      0x7F, 0x6F, 0x77, 0x7C, 0x39, 0x5E, 0x79, 0x71};

// The sixteen codes on two lines of eight, so a row fits the page's box at
// the window's default size; the break follows a comma, so the lines copy
// into C as they are.
std::u16string CodeRow(bool anode) {
    std::string row;
    for (std::size_t i = 0; i < kDigitSegments.size(); ++i) {
        if (i != 0) row += ',';
        if (i == kDigitSegments.size() / 2) row += "\r\n";
        row += "0x";
        AppendHexByte(row, anode ? static_cast<std::uint8_t>(~kDigitSegments[i]) : kDigitSegments[i]);
    }
    return Widen(row + "\r\n");
}

}  // namespace

std::u16string FormatBinary(std::uint8_t value) {
    std::u16string text;
    for (int bit = 7; bit >= 0; --bit) text += (value >> bit & 1) ? u'1' : u'0';
    return text;
}

std::u16string FormatDecimal(std::uint8_t value) {
    return Widen(std::to_string(value));
}

std::u16string FormatHexByte(std::uint8_t value) {
    std::string text;
    AppendHexByte(text, value);
    return Widen(text);
}

std::optional<std::uint8_t> ParseBinaryText(std::u16string_view text) {
    if (text.size() < 7) return std::nullopt;
    unsigned value = 0;
    for (std::size_t i = 0; i < 8 && i < text.size(); ++i) {
        const char16_t c = text[i];
        const unsigned digit = c >= u'0' && c <= u'9' ? static_cast<unsigned>(c - u'0') : 0;
        value |= digit << (7 - i);
    }
    return static_cast<std::uint8_t>(value);
}

std::optional<std::uint8_t> ParseDecimalText(std::u16string_view text) {
    const int value = FieldInteger(text);
    if (value >= 256) return std::nullopt;
    return static_cast<std::uint8_t>(value);
}

std::uint8_t ParseHexText(std::u16string_view text) {
    const Bytes bytes = HexToBytes(text);
    return bytes.empty() ? 0 : bytes.front();
}

std::u16string CommonCathodeText(std::uint8_t segments) {
    return FormatHexByte(segments);
}

std::u16string CommonAnodeText(std::uint8_t segments) {
    return FormatHexByte(static_cast<std::uint8_t>(255 - segments));
}

std::u16string SegmentReferenceTables() {
    return std::u16string(t::kAnodeHeading) + CodeRow(true) + t::kCathodeHeading + CodeRow(false);
}

}  // namespace viz
