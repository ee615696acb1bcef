#include "terminal/TextCodec.h"

#include <array>
#include <bit>
#include <cstring>

#include "platform/CodePage.h"

static_assert(std::endian::native == std::endian::little, "hex cells are stored as little-endian words");

namespace viz {
namespace {

int HexDigitValue(char16_t c) {
    if (c >= u'0' && c <= u'9') return c - u'0';
    if (c >= u'A' && c <= u'F') return c - u'A' + 10;
    if (c >= u'a' && c <= u'f') return c - u'a' + 10;
    return -1;
}

Bytes ScanHex(std::u16string_view text, std::size_t maxBytes) {
    Bytes bytes;
    std::size_t i = 0;
    while (i < text.size() && bytes.size() < maxBytes) {
        if (text[i] == u' ') {
            ++i;
            continue;
        }
        if (i + 1 >= text.size()) break;
        const int high = HexDigitValue(text[i]);
        const int low = HexDigitValue(text[i + 1]);
        if (high < 0 || low < 0) break;
        bytes.push_back(static_cast<std::uint8_t>(high * 16 + low));
        i += 2;
    }
    return bytes;
}

// Each byte's display cell ("3F ") as three UTF-16 code units in the low 48
// bits, in memory order.
constexpr std::array<std::uint64_t, 256> kHexCells = [] {
    constexpr char16_t kDigits[] = u"0123456789ABCDEF";
    std::array<std::uint64_t, 256> cells{};
    for (std::size_t byte = 0; byte < cells.size(); ++byte) {
        cells[byte] = std::uint64_t{kDigits[byte >> 4]} | (std::uint64_t{kDigits[byte & 0x0F]} << 16) |
                      (std::uint64_t{u' '} << 32);
    }
    return cells;
}();

}  // namespace

Bytes HexToBytes(std::u16string_view text) {
    return ScanHex(text, text.size());
}

TextEncoding TextEncodingFromNumber(std::uint32_t number) {
    return number == static_cast<std::uint32_t>(TextEncoding::Utf8) ? TextEncoding::Utf8 : TextEncoding::Gbk;
}

std::string EncodeFileText(std::u16string_view text, TextEncoding encoding) {
    return EncodeText(text, encoding == TextEncoding::Utf8 ? CodePage::Utf8 : CodePage::Ansi);
}

Bytes TextToBytes(std::u16string_view text, TextEncoding encoding) {
    const std::string encoded = EncodeFileText(text, encoding);
    return Bytes(encoded.begin(), encoded.end());
}

std::u16string BytesToHexDisplay(const std::uint8_t* data, std::size_t size) {
    std::u16string text;
    AppendHexDisplay(text, data, size);
    return text;
}

void AppendHexDisplay(std::u16string& text, const std::uint8_t* data, std::size_t size) {
    // Zero fill is a plain memset; every unit is written below.
    const std::size_t start = text.size();
    text.resize(start + size * 3);
    char16_t* out = text.data() + start;
    std::size_t i = 0;
    // Four bytes make twelve code units: three 64-bit stores.
    for (; i + 4 <= size; i += 4, out += 12) {
        const std::uint64_t a = kHexCells[data[i]];
        const std::uint64_t b = kHexCells[data[i + 1]];
        const std::uint64_t c = kHexCells[data[i + 2]];
        const std::uint64_t d = kHexCells[data[i + 3]];
        const std::uint64_t words[3] = {a | (b << 48), (b >> 16) | (c << 32), (c >> 32) | (d << 16)};
        std::memcpy(out, words, sizeof words);
    }
    for (; i < size; ++i, out += 3) std::memcpy(out, &kHexCells[data[i]], 3 * sizeof(char16_t));
}

std::uint16_t HexToUint16(std::u16string_view text) {
    const Bytes bytes = ScanHex(text, 2);
    const unsigned high = bytes.size() > 0 ? bytes[0] : 0;
    const unsigned low = bytes.size() > 1 ? bytes[1] : 0;
    return static_cast<std::uint16_t>(high * 256 + low);
}

}  // namespace viz
