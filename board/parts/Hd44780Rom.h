#pragma once

// The controller's common character ROM (the A00 set: ASCII with a yen sign
// and two arrows, half-width katakana, Greek letters and symbols).
//
//   RomGlyph('A')[0]     -> 0x0E (the top row: .###.)
//   RomCharacter(0x5C)   -> U'¥';   RomCharacter(0xB1) -> U'ｱ'

#include <array>
#include <cstdint>
#include <string>

namespace viz {

// Bit 4 = leftmost pixel; row 7 (the cursor's row) is empty in every character.
std::array<std::uint8_t, 8> RomGlyph(std::uint8_t code);

// The Unicode character a ROM code shows; U+FFFD for a code with none (the
// blank codes and the user characters 0x00..0x0F, whose shape is CGRAM's).
char32_t RomCharacter(std::uint8_t code);

void AppendUtf8(std::string& text, char32_t character);

}  // namespace viz
