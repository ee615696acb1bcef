#pragma once

// The two dot-matrix fonts the small tools page carries, generated at build
// time from GNU Unifont (see FontTableGenerator.cpp).
//
// 16 x 16: one glyph per GB2312 code (hi, lo), glyph number
// (hi - 0xA1) * 94 + (lo - 0xA1), 16 rows of 2 bytes, top row first, most
// significant bit = leftmost pixel. Codes that GB2312 leaves empty are blank
// and marked absent.
// 8 x 16: one glyph per character code 0..255, 16 rows of one byte.

#include <cstddef>
#include <cstdint>

namespace viz::fonts {

inline constexpr std::size_t kGb2312GlyphCount = 8363;
inline constexpr std::size_t kGb2312GlyphSize = 32;
inline constexpr std::size_t kGb2312TableSize = kGb2312GlyphCount * kGb2312GlyphSize;
inline constexpr std::size_t kLatinGlyphCount = 256;
inline constexpr std::size_t kLatinGlyphSize = 16;
inline constexpr std::size_t kLatinTableSize = kLatinGlyphCount * kLatinGlyphSize;

extern const std::uint8_t kGb2312Glyphs[kGb2312TableSize];
// One bit per glyph number, least significant bit first: set when GB2312 has
// a character there.
extern const std::uint8_t kGb2312Present[(kGb2312GlyphCount + 7) / 8];
extern const std::uint8_t kLatinGlyphs[kLatinTableSize];

}  // namespace viz::fonts
