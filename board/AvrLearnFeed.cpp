#include "board/AvrLearnFeed.h"

namespace viz {
namespace {

constexpr std::uint32_t kSupplyMillivolts = 5000;
constexpr std::string_view kRows[] = {"R1", "R2", "R3", "R4"};
constexpr std::string_view kColumns[] = {"C1", "C2", "C3", "C4"};

// Board port 0 is PORTA; the board has ports A to D.
std::optional<std::size_t> BoardPort(char letter) {
    const auto port = static_cast<std::size_t>(letter - 'A');
    if (letter < 'A' || port >= kBoardPorts) return std::nullopt;
    return port;
}

}  // namespace

AvrLearnFeed::AvrLearnFeed(SharedBoard& board, std::uint32_t clockHz)
    : board_(board), link_(board), clockHz_(clockHz), start_(board.now()), last_(start_) {
    sent_.fill(0xFF);
    // The chip comes out of reset with every pin an input, whatever an
    // earlier run left on the board (and a port the chip lacks stays so).
    for (std::size_t port = 0; port < kBoardPorts; ++port) link_.PortChanged(port, 0xFF, start_);
}

// Whole seconds apart, so that hours of cycles do not overflow. A reset
// does not take the board's time back.
SimNanos AvrLearnFeed::At(std::uint64_t cycle) {
    const SimNanos since =
        cycle / clockHz_ * 1'000'000'000ULL + cycle % clockHz_ * 1'000'000'000ULL / clockHz_;
    if (start_ + since < last_) start_ = last_ - since;
    last_ = start_ + since;
    return last_;
}

void AvrLearnFeed::PortChanged(char letter, std::uint8_t levels, std::uint64_t cycle) {
    const SimNanos at = At(cycle);
    if (const auto port = BoardPort(letter)) link_.PortChanged(*port, levels, at);
    portsChanged_ = true;
}

std::uint8_t AvrLearnFeed::Outside(char letter) const {
    const auto port = BoardPort(letter);
    return port ? sent_[*port] : 0xFF;
}

std::string AvrLearnFeed::Advance(std::uint64_t cycle) {
    link_.AdvanceTo(At(cycle));
    std::string commands;
    const bool inputsChanged = inputsSeen_ != board_.inputsVersion();
    // Before the levels: they leave the keypad's lines to the joins.
    if (inputsChanged) commands += JoinsCommand();
    if (portsChanged_ || inputsChanged) {
        const std::array<PortDrive, kBoardPorts> drive = board_.ToChip();
        for (std::size_t port = 0; port < kBoardPorts; ++port) {
            sent_[port] = static_cast<std::uint8_t>(drive[port].Read(0xFF) | keypadLines_[port]);
            commands +=
                avrsim::Format(avrsim::OutsideLine{static_cast<char>('A' + port), sent_[port], cycle});
            commands += '\n';
        }
    }
    portsChanged_ = false;
    return commands + PotCommand();
}

std::string AvrLearnFeed::JoinsCommand() {
    const BoardLayout layout = board_.layout();
    const std::uint16_t pressed = board_.Snapshot(kSupplyMillivolts).inputs.keypad;
    keypadLines_.fill(0);
    avrsim::JoinsLine joins;
    for (int row = 0; row < Keypad::kSize; ++row) {
        for (int column = 0; column < Keypad::kSize; ++column) {
            const auto rowPin = layout.Pin(part::kKeypad, kRows[row]);
            const auto columnPin = layout.Pin(part::kKeypad, kColumns[column]);
            if (!rowPin || !columnPin) continue;
            keypadLines_[rowPin->port] |= static_cast<std::uint8_t>(1u << rowPin->bit);
            keypadLines_[columnPin->port] |= static_cast<std::uint8_t>(1u << columnPin->bit);
            if (!((pressed >> (row * Keypad::kSize + column)) & 1u)) continue;
            joins.pairs.push_back({{static_cast<char>('A' + rowPin->port), rowPin->bit},
                                   {static_cast<char>('A' + columnPin->port), columnPin->bit}});
        }
    }
    if (joinsSent_ == joins) return {};
    joinsSent_ = joins;
    return avrsim::Format(joins) + '\n';
}

// The potentiometer's wiper on the ADC input its pin is (PA0..PA7 are
// ADC0..ADC7), sent when it moved or was wired elsewhere.
std::string AvrLearnFeed::PotCommand() {
    const std::uint64_t inputs = board_.inputsVersion();
    if (inputsSeen_ == inputs) return {};
    inputsSeen_ = inputs;
    const std::optional<BoardPin> pin = board_.layout().Pin(part::kPot, "ADC");
    if (!pin || pin->port != 0) return {};
    const std::uint32_t millivolts = board_.PotMillivolts(kSupplyMillivolts);
    const std::uint32_t key = millivolts * 8 + pin->bit;
    if (potSent_ == key) return {};
    potSent_ = key;
    return avrsim::Format(avrsim::AdcLine{pin->bit, millivolts}) + '\n';
}

}  // namespace viz
