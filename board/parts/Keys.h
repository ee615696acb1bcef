#pragma once

// The learning board's inputs: four keys that pull their pin low while
// pressed, and a 4x4 keypad whose pressed key joins its row and column lines.
//
//   Keypad pad;
//   pad.Press(1, 2, true);                 // row 2, column 3 (from 0)
//   pad.LineLevels(0b1111'1101)            // chip drives row 2 low
//     -> 0b1011'1101                        // column 3 reads low too

#include <array>
#include <cstdint>

namespace viz {

class KeyPanel {
public:
    static constexpr int kKeys = 4;

    void Press(int key, bool down) { pressed_[static_cast<std::size_t>(key)] = down; }
    bool Pressed(int key) const { return pressed_[static_cast<std::size_t>(key)]; }
    // "按下" or "松开".
    const char* StateText(int key) const;

private:
    std::array<bool, kKeys> pressed_{};
};

class Keypad {
public:
    static constexpr int kSize = 4;

    void Press(int row, int column, bool down);
    bool Pressed(int row, int column) const;
    bool AnyPressed() const { return pressed_ != 0; }
    const char* StateText(int row, int column) const;

    // The level each line reads (rows R1..R4 in bits 0..3, columns C1..C4 in
    // bits 4..7) when the chip puts `chipLevels` on them. Lines have
    // pull-ups: a line reads low when it, or a line a pressed key joins it
    // to, is driven low.
    std::uint8_t LineLevels(std::uint8_t chipLevels) const;

private:
    std::uint16_t pressed_ = 0;  // bit row * 4 + column
};

}  // namespace viz
