#pragma once

// Which chip pin each learning-board part's signal is wired to, with the two
// built-in layouts, and the layout as a plain key/value form for settings.
//
//   BoardLayout layout = Mcs51LearningBoard();
//   layout.SetPin("buzzer", "BZ", ParsePin("P2.3"));
//   auto saved = SaveLayout(layout);             // {"lcd.E": "P2.7", ...}
//   std::string problem;
//   auto again = LoadLayout(saved, &problem);    // == layout

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "board/parts/BoardPin.h"

namespace viz {

// Part and signal names, as the wiring table and the saved form use them.
namespace part {
inline constexpr std::string_view kLeds = "led";       // D1..D8
inline constexpr std::string_view kKeys = "key";       // K1..K4
inline constexpr std::string_view kKeypad = "keypad";  // R1..R4, C1..C4
inline constexpr std::string_view kDigits = "digits";  // a..g, dp; A, B, C or DIG1..DIG8
inline constexpr std::string_view kLcd = "lcd";        // RS, RW, E, D0..D7
inline constexpr std::string_view kBuzzer = "buzzer";  // BZ
inline constexpr std::string_view kPot = "pot";        // ADC (AVR only)
}  // namespace part

struct PartWire {
    std::string part;
    std::string signal;
    std::optional<BoardPin> pin;  // nothing: not connected
};

struct DigitWiring {
    bool commonAnode = false;     // segments lit by a low level
    bool decoderSelect = true;    // A, B, C through a 3-to-8 decoder; else DIG1..DIG8 directly
    bool directActiveLow = true;  // direct select: the level that switches a digit on
    bool decoderY0Left = false;   // decoder output Y0 drives the leftmost digit
    auto operator<=>(const DigitWiring&) const = default;
};

struct BoardLayout {
    ChipFamily family = ChipFamily::Mcs51;
    std::vector<PartWire> wires;  // every signal of every part, in table order
    DigitWiring digits;
    std::uint32_t lcdClockHertz = 270000;

    std::optional<BoardPin> Pin(std::string_view part, std::string_view signal) const;
    // False, changing nothing, when the part has no such signal or the chip no such pin.
    bool SetPin(std::string_view part, std::string_view signal, std::optional<BoardPin> pin);

    bool operator==(const BoardLayout&) const = default;
};

bool operator==(const PartWire& a, const PartWire& b);

// Every signal unconnected, for a board of this family.
BoardLayout EmptyLayout(ChipFamily family);
BoardLayout Mcs51LearningBoard();
BoardLayout AtMega16LearningBoard();

std::map<std::string, std::string> SaveLayout(const BoardLayout& layout);
// The saved form back; keys it does not know are left out. Nothing, with the
// reason in `problem`, when the board family or a value cannot be read.
std::optional<BoardLayout> LoadLayout(const std::map<std::string, std::string>& saved, std::string* problem);

}  // namespace viz
