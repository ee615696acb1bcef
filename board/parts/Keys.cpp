#include "board/parts/Keys.h"

#include "board/parts/PartsTexts.h"

namespace viz {

const char* KeyPanel::StateText(int key) const {
    return Pressed(key) ? parts_texts::kPressed : parts_texts::kReleased;
}

void Keypad::Press(int row, int column, bool down) {
    const auto bit = static_cast<std::uint16_t>(1u << (row * kSize + column));
    pressed_ =
        down ? static_cast<std::uint16_t>(pressed_ | bit) : static_cast<std::uint16_t>(pressed_ & ~bit);
}

bool Keypad::Pressed(int row, int column) const {
    return (pressed_ >> (row * kSize + column)) & 1;
}

const char* Keypad::StateText(int row, int column) const {
    return Pressed(row, column) ? parts_texts::kPressed : parts_texts::kReleased;
}

std::uint8_t Keypad::LineLevels(std::uint8_t chipLevels) const {
    // Spread the low levels through pressed keys until nothing changes:
    // several keys can chain a row to a column to another row.
    std::uint8_t low = static_cast<std::uint8_t>(~chipLevels);
    for (bool spread = true; spread;) {
        spread = false;
        for (int row = 0; row < kSize; ++row) {
            for (int column = 0; column < kSize; ++column) {
                if (!Pressed(row, column)) continue;
                const auto pair = static_cast<std::uint8_t>((1u << row) | (1u << (kSize + column)));
                if ((low & pair) && (low & pair) != pair) {
                    low |= pair;
                    spread = true;
                }
            }
        }
    }
    return static_cast<std::uint8_t>(~low);
}

}  // namespace viz
