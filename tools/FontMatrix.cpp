#include "tools/FontMatrix.h"

#include "formats/BlockOutput.h"
#include "platform/CodePage.h"
#include "res/fonts/FontTables.h"
#include "tools/ToolsTexts.h"

namespace viz {
namespace {

namespace t = texts::tools;

constexpr std::uint8_t kFirstGb2312Byte = 0xA1;

// GB2312 names two slots differently from code page 936, whose characters
// the table draws there: A1A4 is ・ in GB2312 and · in 936, A1AA ― and —.
// Input methods type the 936 forms; the GB2312 forms reach the same slots.
char16_t InCodePage936(char16_t character) {
    switch (character) {
        case u'\u30FB':
            return u'\u00B7';
        case u'\u2015':
            return u'\u2014';
        default:
            return character;
    }
}

std::optional<Glyph> Gb2312Glyph(std::uint8_t high, std::uint8_t low) {
    if (high < kFirstGb2312Byte || low < kFirstGb2312Byte || low == 0xFF) return std::nullopt;
    const std::size_t number = (high - kFirstGb2312Byte) * 94u + (low - kFirstGb2312Byte);
    if (number >= fonts::kGb2312GlyphCount || !(fonts::kGb2312Present[number / 8] >> (number % 8) & 1)) {
        return std::nullopt;
    }
    const std::uint8_t* glyph = fonts::kGb2312Glyphs + number * fonts::kGb2312GlyphSize;
    return Glyph{16, {glyph, glyph + fonts::kGb2312GlyphSize}};
}

void AppendList(std::string& text, const std::vector<std::uint8_t>& bytes, bool complemented) {
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        text += "0x";
        AppendHexByte(text, complemented ? static_cast<std::uint8_t>(~bytes[i]) : bytes[i]);
        text += i + 1 < bytes.size() ? ", " : " ";
    }
}

}  // namespace

bool Glyph::Pixel(int row, int column) const {
    const int bytesPerRow = width / 8;
    const std::uint8_t byte = bytes[static_cast<std::size_t>(row * bytesPerRow + column / 8)];
    return (byte >> (7 - column % 8) & 1) != 0;
}

std::optional<Glyph> LookUpGlyph(std::u16string_view input) {
    std::u16string typed(input.substr(0, 2));
    if (!typed.empty()) typed.front() = InCodePage936(typed.front());
    const std::string encoded = EncodeText(typed, CodePage::Ansi);
    const auto first = encoded.empty() ? std::uint8_t{0} : static_cast<std::uint8_t>(encoded[0]);
    if (first & 0x80) {
        const auto second = encoded.size() > 1 ? static_cast<std::uint8_t>(encoded[1]) : std::uint8_t{0};
        return Gb2312Glyph(first, second);
    }
    const char16_t code = input.empty() ? u'\0' : input.front();
    if (code >= fonts::kLatinGlyphCount) return std::nullopt;
    const std::uint8_t* glyph = fonts::kLatinGlyphs + code * fonts::kLatinGlyphSize;
    return Glyph{8, {glyph, glyph + fonts::kLatinGlyphSize}};
}

std::u16string FormatGlyph(const Glyph& glyph) {
    std::string lists;
    AppendList(lists, glyph.bytes, false);
    const std::u16string forward(lists.begin(), lists.end());
    lists.clear();
    AppendList(lists, glyph.bytes, true);
    const std::u16string inverted(lists.begin(), lists.end());
    return std::u16string(t::kForwardHeading) + forward + t::kInvertedHeading + inverted;
}

}  // namespace viz
