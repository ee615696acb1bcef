#include "board/parts/BoardLayout.h"

#include <charconv>

#include "board/parts/PartsTexts.h"

namespace viz {
namespace {

void AddSignals(BoardLayout& layout, std::string_view part, std::string_view prefix, int count) {
    for (int i = 1; i <= count; ++i)
        layout.wires.push_back({std::string(part), std::string(prefix) + std::to_string(i), std::nullopt});
}

void AddSignals(BoardLayout& layout, std::string_view part, const std::vector<std::string_view>& names) {
    for (std::string_view name : names)
        layout.wires.push_back({std::string(part), std::string(name), std::nullopt});
}

// Wires `signals` of `part` in order to the pins `first`, `first`+1... of a port
// (or downwards when `step` is -1).
void WireRun(BoardLayout& layout, std::string_view part, const std::vector<std::string_view>& signals,
             std::uint8_t port, int first, int step = 1) {
    int bit = first;
    for (std::string_view signal : signals) {
        layout.SetPin(part, signal, BoardPin{port, static_cast<std::uint8_t>(bit)});
        bit += step;
    }
}

const std::vector<std::string_view> kLedSignals{"D1", "D2", "D3", "D4", "D5", "D6", "D7", "D8"};
const std::vector<std::string_view> kSegmentSignals{"a", "b", "c", "d", "e", "f", "g", "dp"};
const std::vector<std::string_view> kLcdData{"D0", "D1", "D2", "D3", "D4", "D5", "D6", "D7"};
const std::vector<std::string_view> kRows{"R1", "R2", "R3", "R4"};
const std::vector<std::string_view> kColumns{"C1", "C2", "C3", "C4"};

std::string FamilyKey(ChipFamily family) {
    return family == ChipFamily::Avr ? "avr" : "8051";
}

bool ReadChoice(const std::map<std::string, std::string>& saved, const std::string& key, std::string_view yes,
                std::string_view no, bool& value) {
    const auto found = saved.find(key);
    if (found == saved.end()) return true;
    if (found->second != yes && found->second != no) return false;
    value = found->second == yes;
    return true;
}

}  // namespace

bool operator==(const PartWire& a, const PartWire& b) {
    return a.part == b.part && a.signal == b.signal && a.pin == b.pin;
}

std::optional<BoardPin> BoardLayout::Pin(std::string_view partName, std::string_view signal) const {
    for (const PartWire& wire : wires)
        if (wire.part == partName && wire.signal == signal) return wire.pin;
    return std::nullopt;
}

bool BoardLayout::SetPin(std::string_view partName, std::string_view signal, std::optional<BoardPin> pin) {
    if (pin && !IsBoardPin(*pin)) return false;
    for (PartWire& wire : wires) {
        if (wire.part != partName || wire.signal != signal) continue;
        wire.pin = pin;
        return true;
    }
    return false;
}

BoardLayout EmptyLayout(ChipFamily family) {
    BoardLayout layout;
    layout.family = family;
    AddSignals(layout, part::kLeds, "D", 8);
    AddSignals(layout, part::kKeys, "K", 4);
    AddSignals(layout, part::kKeypad, kRows);
    AddSignals(layout, part::kKeypad, kColumns);
    AddSignals(layout, part::kDigits, kSegmentSignals);
    AddSignals(layout, part::kDigits, {"A", "B", "C"});
    AddSignals(layout, part::kDigits, "DIG", 8);
    AddSignals(layout, part::kLcd, {"RS", "RW", "E"});
    AddSignals(layout, part::kLcd, kLcdData);
    AddSignals(layout, part::kBuzzer, {"BZ"});
    if (family == ChipFamily::Avr) AddSignals(layout, part::kPot, {"ADC"});
    return layout;
}

// The common 8051 board: LEDs on P2, segments and the LCD's data bus sharing
// P0, the digit decoder and the LCD's control lines also on P2, the keypad on
// P1 and the four keys on P3 (K1 and K2 swapped, as the board prints them).
BoardLayout Mcs51LearningBoard() {
    BoardLayout layout = EmptyLayout(ChipFamily::Mcs51);
    WireRun(layout, part::kLeds, kLedSignals, 2, 0);
    WireRun(layout, part::kKeys, {"K2", "K1", "K3", "K4"}, 3, 0);
    WireRun(layout, part::kKeypad, kRows, 1, 7, -1);
    WireRun(layout, part::kKeypad, kColumns, 1, 3, -1);
    WireRun(layout, part::kDigits, kSegmentSignals, 0, 0);
    WireRun(layout, part::kDigits, {"A", "B", "C"}, 2, 2);
    WireRun(layout, part::kLcd, {"RW", "RS", "E"}, 2, 5);
    WireRun(layout, part::kLcd, kLcdData, 0, 0);
    WireRun(layout, part::kBuzzer, {"BZ"}, 1, 5);
    return layout;
}

// The common ATmega16 board: PA0 left to the potentiometer, the LCD's control
// lines and the digit decoder on the rest of PORTA, LEDs and keypad sharing
// PORTB, segments and the LCD's data bus sharing PORTC, keys and buzzer on
// PORTD beside the UART.
BoardLayout AtMega16LearningBoard() {
    BoardLayout layout = EmptyLayout(ChipFamily::Avr);
    layout.SetPin(part::kPot, "ADC", BoardPin{0, 0});
    WireRun(layout, part::kLcd, {"RS", "RW", "E"}, 0, 1);
    WireRun(layout, part::kDigits, {"A", "B", "C"}, 0, 4);
    WireRun(layout, part::kLeds, kLedSignals, 1, 0);
    WireRun(layout, part::kKeypad, kRows, 1, 7, -1);
    WireRun(layout, part::kKeypad, kColumns, 1, 3, -1);
    WireRun(layout, part::kDigits, kSegmentSignals, 2, 0);
    WireRun(layout, part::kLcd, kLcdData, 2, 0);
    WireRun(layout, part::kKeys, {"K1", "K2", "K3", "K4"}, 3, 2);
    WireRun(layout, part::kBuzzer, {"BZ"}, 3, 7);
    return layout;
}

std::map<std::string, std::string> SaveLayout(const BoardLayout& layout) {
    std::map<std::string, std::string> saved;
    saved["board"] = FamilyKey(layout.family);
    for (const PartWire& wire : layout.wires)
        saved[wire.part + "." + wire.signal] = wire.pin ? PinText(layout.family, *wire.pin) : std::string();
    saved["digits.common"] = layout.digits.commonAnode ? "anode" : "cathode";
    saved["digits.select"] = layout.digits.decoderSelect ? "decoder" : "direct";
    saved["digits.active"] = layout.digits.directActiveLow ? "low" : "high";
    saved["digits.y0"] = layout.digits.decoderY0Left ? "left" : "right";
    saved["lcd.clock"] = std::to_string(layout.lcdClockHertz);
    return saved;
}

std::optional<BoardLayout> LoadLayout(const std::map<std::string, std::string>& saved, std::string* problem) {
    auto fail = [&](const std::string& key) -> std::optional<BoardLayout> {
        if (problem) *problem = std::string(parts_texts::kLayoutUnreadable) + key;
        return std::nullopt;
    };
    const auto board = saved.find("board");
    if (board == saved.end() || (board->second != "avr" && board->second != "8051")) return fail("board");
    BoardLayout layout = EmptyLayout(board->second == "avr" ? ChipFamily::Avr : ChipFamily::Mcs51);
    for (PartWire& wire : layout.wires) {
        const std::string key = wire.part + "." + wire.signal;
        const auto found = saved.find(key);
        if (found == saved.end() || found->second.empty()) continue;
        wire.pin = ParsePin(found->second);
        if (!wire.pin) return fail(key);
    }
    DigitWiring& digits = layout.digits;
    if (!ReadChoice(saved, "digits.common", "anode", "cathode", digits.commonAnode))
        return fail("digits.common");
    if (!ReadChoice(saved, "digits.select", "decoder", "direct", digits.decoderSelect))
        return fail("digits.select");
    if (!ReadChoice(saved, "digits.active", "low", "high", digits.directActiveLow))
        return fail("digits.active");
    if (!ReadChoice(saved, "digits.y0", "left", "right", digits.decoderY0Left)) return fail("digits.y0");
    if (const auto clock = saved.find("lcd.clock"); clock != saved.end()) {
        const std::string& text = clock->second;
        const auto [end, error] =
            std::from_chars(text.data(), text.data() + text.size(), layout.lcdClockHertz);
        if (error != std::errc() || end != text.data() + text.size() || layout.lcdClockHertz == 0)
            return fail("lcd.clock");
    }
    return layout;
}

}  // namespace viz
