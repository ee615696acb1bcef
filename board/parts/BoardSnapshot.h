#pragma once

// What the learning board's window shows, taken from the board model in one
// go: the window draws from a copy, so the simulator's thread holds the
// model only for the copy, and comparing two copies part by part tells what
// must be redrawn.
//
//   BoardSnapshot now = TakeSnapshot(board, {.at = t, .vccMillivolts = 5000});
//   if (now.lcd != shown.lcd) lcdView->update();
//   now.digits.text -> "20261208";  now.lcd.lines[0] -> "Hello, Duvezer  "

#include <array>
#include <cstdint>
#include <string>

#include "board/parts/Hd44780.h"
#include "board/parts/LearningBoard.h"

namespace viz {

// Brightness in 256 steps: finer than a screen shows, coarse enough that
// float noise does not redraw a part.
using Glow = std::uint8_t;

struct LedsSnapshot {
    std::array<Glow, LedRow::kLeds> glow{};
    std::array<bool, LedRow::kLeds> lit{};  // what the accessible text says
    bool operator==(const LedsSnapshot&) const = default;
};

struct DigitsSnapshot {
    std::array<std::array<Glow, 8>, DigitDisplay::kDigits> segments{};  // a..g, dp of each digit
    std::string text;                                                   // "20261208"
    bool operator==(const DigitsSnapshot&) const = default;
};

struct LcdSnapshot {
    bool displayOn = false;
    std::array<std::array<GlyphRows, Hd44780::kColumns>, 2> cells{};  // the pixels of each shown character
    std::array<std::string, 2> lines;
    LcdCursor cursor;
    bool operator==(const LcdSnapshot& other) const;
};

struct InputsSnapshot {
    std::array<bool, KeyPanel::kKeys> keys{};
    std::uint16_t keypad = 0;  // bit row * 4 + column
    double potFraction = 0;
    bool operator==(const InputsSnapshot&) const = default;
};

struct BoardSnapshot {
    LedsSnapshot leds;
    DigitsSnapshot digits;
    LcdSnapshot lcd;
    InputsSnapshot inputs;
    std::string buzzer;  // "2000 Hz"
    std::string pot;     // "2.50 V"
};

struct SnapshotTime {
    SimNanos at = 0;                     // the simulated time now
    std::uint32_t vccMillivolts = 5000;  // the potentiometer's top
};

BoardSnapshot TakeSnapshot(const LearningBoard& board, SnapshotTime time);

}  // namespace viz
