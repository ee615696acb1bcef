#include "board/parts/LearningBoard.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace viz {
namespace {

template <typename Row>
unsigned Ports(const Row& row) {
    unsigned ports = 0;
    for (const auto& pin : row)
        if (pin) ports |= 1u << pin->port;
    return ports;
}

}  // namespace

LearningBoard::LearningBoard(BoardLayout layout)
    : layout_(std::move(layout)), digits_(layout_.digits), lcd_(layout_.lcdClockHertz) {
    // Ports come out of reset high (the 8051's latches, the AVR's pull-ups as the board sees them).
    levels_.fill(0xFF);
    ledPins_ = Resolve(part::kLeds, {"D1", "D2", "D3", "D4", "D5", "D6", "D7", "D8"});
    keyPins_ = Resolve(part::kKeys, {"K1", "K2", "K3", "K4"});
    keypadPins_ = Resolve(part::kKeypad, {"R1", "R2", "R3", "R4", "C1", "C2", "C3", "C4"});
    segmentPins_ = Resolve(part::kDigits, {"a", "b", "c", "d", "e", "f", "g", "dp"});
    selectPins_ =
        layout_.digits.decoderSelect
            ? Resolve(part::kDigits, {"A", "B", "C"})
            : Resolve(part::kDigits, {"DIG1", "DIG2", "DIG3", "DIG4", "DIG5", "DIG6", "DIG7", "DIG8"});
    lcdControlPins_ = Resolve(part::kLcd, {"RS", "RW", "E"});
    lcdDataPins_ = Resolve(part::kLcd, {"D0", "D1", "D2", "D3", "D4", "D5", "D6", "D7"});
    buzzerPin_ = Resolve(part::kBuzzer, {"BZ"});
    ledPorts_ = Ports(ledPins_);
    digitPorts_ = Ports(segmentPins_) | Ports(selectPins_);
    lcdPorts_ = Ports(lcdControlPins_) | Ports(lcdDataPins_);
    buzzerPorts_ = Ports(buzzerPin_);
    keypadPorts_ = Ports(keypadPins_);
}

ReadAnswer LearningBoard::AnswersReads(SimNanos now) const {
    // Scanning code may spend a while between two rows (settling, debouncing).
    constexpr SimNanos kScanPause = 20'000'000;
    const bool scanning = keypadWrittenAt_ && now < *keypadWrittenAt_ + kScanPause;
    // The longest an LCD instruction runs (clear and home), and then some.
    constexpr SimNanos kLcdTalk = 2'000'000;
    if (lcd_.Answering() && lcd_.strobed()) return ReadAnswer::Lcd;
    if (scanning && keypad_.AnyPressed()) return ReadAnswer::KeypadScan;
    const bool talking = lcd_.strobed() && lcd_.lastReadAt() != 0 && now < lcd_.lastReadAt() + kLcdTalk;
    return talking ? ReadAnswer::LcdTalk : ReadAnswer::None;
}

LearningBoard::PinRow LearningBoard::Resolve(std::string_view partName,
                                             std::initializer_list<std::string_view> signals) const {
    PinRow row;
    std::size_t i = 0;
    // A pin the chip does not have (a layout built by hand) counts as not wired.
    for (std::string_view signal : signals) {
        const std::optional<BoardPin> pin = layout_.Pin(partName, signal);
        if (pin && IsBoardPin(*pin)) row[i] = pin;
        ++i;
    }
    return row;
}

std::uint8_t LearningBoard::Gather(const PinRow& row, bool unwired) const {
    std::uint8_t levels = 0;
    for (std::size_t i = 0; i < row.size(); ++i) {
        const bool level = row[i] ? ((levels_[row[i]->port] >> row[i]->bit) & 1) : unwired;
        if (level) levels |= static_cast<std::uint8_t>(1u << i);
    }
    return levels;
}

void LearningBoard::SetPort(std::size_t port, std::uint8_t levels, SimNanos at) {
    if (port >= kBoardPorts) return;
    levels_[port] = levels;
    Feed(port, at);
}

void LearningBoard::SetPin(BoardPin pin, bool level, SimNanos at) {
    if (!IsBoardPin(pin)) return;
    const auto bit = static_cast<std::uint8_t>(1u << pin.bit);
    levels_[pin.port] = level ? (levels_[pin.port] | bit) : (levels_[pin.port] & ~bit);
    Feed(pin.port, at);
}

void LearningBoard::Feed(std::size_t port, SimNanos at) {
    const unsigned changed = 1u << port;
    if (keypadPorts_ & changed) keypadWrittenAt_ = at;
    // A part's line not wired stays at its idle level: an LED or segment
    // dark, a directly selected digit off.
    if (ledPorts_ & changed) leds_.Update(Gather(ledPins_, true), at);
    const DigitWiring& wiring = layout_.digits;
    if (digitPorts_ & changed)
        digits_.Update(Gather(segmentPins_, wiring.commonAnode),
                       Gather(selectPins_, wiring.decoderSelect || wiring.directActiveLow), at);
    if (lcdPorts_ & changed) {
        const std::uint8_t control = Gather(lcdControlPins_, false);
        lcd_.Update({(control & 1) != 0, (control & 2) != 0, (control & 4) != 0, Gather(lcdDataPins_, true)},
                    at);
    }
    if (buzzerPorts_ & changed) buzzer_.Update(Gather(buzzerPin_, false) & 1, at);
}

void LearningBoard::AdvanceTo(SimNanos at) {
    leds_.AdvanceTo(at);
    digits_.AdvanceTo(at);
    lcd_.AdvanceTo(at);
}

std::array<PortDrive, kBoardPorts> LearningBoard::ToChip() const {
    std::array<PortDrive, kBoardPorts> drive{};
    auto put = [&](const std::optional<BoardPin>& pin, bool level) {
        if (!pin) return;
        PortDrive& port = drive[pin->port];
        const auto bit = static_cast<std::uint8_t>(1u << pin->bit);
        // A key to ground wins over anything driving the line high.
        const bool low = !level || ((port.mask & bit) && !(port.levels & bit));
        port.mask |= bit;
        port.levels = low ? (port.levels & ~bit) : (port.levels | bit);
    };
    // Reset leaves E and RW high: the controller would answer a read nobody
    // makes, and s51 would hold that answer until the step ends, long after
    // the firmware's first E=0 (its first poll would read "not busy").
    const LcdDrive lcd = lcd_.strobed() ? lcd_.Driven() : LcdDrive{};
    for (std::size_t i = 0; i < 8; ++i)
        if ((lcd.mask >> i) & 1) put(lcdDataPins_[i], (lcd.levels >> i) & 1);
    for (int key = 0; key < KeyPanel::kKeys; ++key)
        if (keys_.Pressed(key)) put(keyPins_[static_cast<std::size_t>(key)], false);
    const std::uint8_t lines = keypad_.LineLevels(Gather(keypadPins_, true));
    for (std::size_t i = 0; i < 8; ++i)
        if (!((lines >> i) & 1)) put(keypadPins_[i], false);
    return drive;
}

void LearningBoard::SetPotPosition(double fraction) {
    pot_ = std::clamp(fraction, 0.0, 1.0);
}

std::uint32_t LearningBoard::PotMillivolts(std::uint32_t vccMillivolts) const {
    return static_cast<std::uint32_t>(std::lround(pot_ * vccMillivolts));
}

std::string LearningBoard::BuzzerText(SimNanos at) const {
    char text[32];
    std::snprintf(text, sizeof text, "%.0f Hz", buzzer_.Frequency(at));
    return text;
}

std::string LearningBoard::PotText(std::uint32_t vccMillivolts) const {
    char text[32];
    std::snprintf(text, sizeof text, "%.2f V", PotMillivolts(vccMillivolts) / 1000.0);
    return text;
}

}  // namespace viz
