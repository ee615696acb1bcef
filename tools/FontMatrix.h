#pragma once

// The font matrix tool: the dot-matrix glyph of one typed character from the
// fonts the program carries (res/fonts/FontTables.h), and its text.
//
// A character that code page 936 writes in two bytes takes its 16 x 16 glyph
// from the GB2312 table (so do ・ and ―, GB2312's own names of the slots
// where code page 936 has · and —); any other takes the 8 x 16 glyph of its
// character code (an empty input is code 0). A character in neither font is
// refused.
//
//   std::optional<Glyph> glyph = LookUpGlyph(u"中");   // 16 wide, 32 bytes
//   output->setPlainText(FormatGlyph(*glyph));

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace viz {

struct Glyph {
    // 16 or 8 pixels; always 16 rows.
    int width = 8;
    // Row by row, top first; most significant bit = leftmost pixel.
    std::vector<std::uint8_t> bytes;

    bool Pixel(int row, int column) const;
};

// Nothing when the character is in neither font.
std::optional<Glyph> LookUpGlyph(std::u16string_view input);

// "字节正序输出：" and the bytes, then "字节反序输出：" and their complements.
std::u16string FormatGlyph(const Glyph& glyph);

}  // namespace viz
