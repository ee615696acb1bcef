#include "board/parts/BoardSnapshot.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "board/parts/PartsTexts.h"

namespace viz {
namespace {

Glow ToGlow(double fraction) {
    return static_cast<Glow>(std::lround(std::clamp(fraction, 0.0, 1.0) * 255));
}

bool SameCursor(const LcdCursor& a, const LcdCursor& b) {
    return a.shown == b.shown && a.line == b.line && a.column == b.column && a.underline == b.underline &&
           a.blink == b.blink;
}

LcdSnapshot TakeLcd(const Hd44780& lcd, SimNanos at) {
    LcdSnapshot shot;
    shot.displayOn = lcd.displayOn();
    for (int line = 0; line < 2; ++line) {
        const auto row = static_cast<std::size_t>(line);
        const auto codes = lcd.LineCodes(line);
        for (std::size_t column = 0; column < codes.size(); ++column)
            shot.cells[row][column] = lcd.Glyph(codes[column]);
        shot.lines[row] = lcd.LineText(line);
    }
    shot.cursor = lcd.Cursor(at);
    return shot;
}

}  // namespace

bool LcdSnapshot::operator==(const LcdSnapshot& other) const {
    return displayOn == other.displayOn && cells == other.cells && lines == other.lines &&
           SameCursor(cursor, other.cursor);
}

BoardSnapshot TakeSnapshot(const LearningBoard& board, SnapshotTime time) {
    BoardSnapshot shot;
    for (int led = 0; led < LedRow::kLeds; ++led) {
        const auto i = static_cast<std::size_t>(led);
        shot.leds.glow[i] = ToGlow(board.leds().Brightness(led));
        shot.leds.lit[i] = std::strcmp(board.leds().StateText(led), parts_texts::kLit) == 0;
    }
    for (int digit = 0; digit < DigitDisplay::kDigits; ++digit)
        for (int segment = 0; segment < 8; ++segment)
            shot.digits.segments[static_cast<std::size_t>(digit)][static_cast<std::size_t>(segment)] =
                ToGlow(board.digits().Brightness(digit, segment));
    shot.digits.text = board.digits().Text();
    shot.lcd = TakeLcd(board.lcd(), time.at);
    for (int key = 0; key < KeyPanel::kKeys; ++key)
        shot.inputs.keys[static_cast<std::size_t>(key)] = board.keys().Pressed(key);
    for (int row = 0; row < Keypad::kSize; ++row)
        for (int column = 0; column < Keypad::kSize; ++column)
            if (board.keypad().Pressed(row, column))
                shot.inputs.keypad =
                    static_cast<std::uint16_t>(shot.inputs.keypad | (1u << (row * Keypad::kSize + column)));
    shot.inputs.potFraction = board.potPosition();
    shot.buzzer = board.BuzzerText(time.at);
    shot.pot = board.PotText(time.vccMillivolts);
    return shot;
}

}  // namespace viz
