#include "board/parts/SharedBoard.h"

#include <algorithm>

namespace viz {

SharedBoard::SharedBoard(BoardLayout layout) : board_(std::make_unique<LearningBoard>(std::move(layout))) {
    levels_.fill(0xFF);
}

void SharedBoard::Relayout(BoardLayout layout) {
    auto fresh = std::make_unique<LearningBoard>(std::move(layout));
    std::lock_guard lock(mutex_);
    for (int key = 0; key < KeyPanel::kKeys; ++key) fresh->keys().Press(key, board_->keys().Pressed(key));
    for (int row = 0; row < Keypad::kSize; ++row)
        for (int column = 0; column < Keypad::kSize; ++column)
            fresh->keypad().Press(row, column, board_->keypad().Pressed(row, column));
    fresh->SetPotPosition(board_->potPosition());
    // The new wiring sees the levels the chip has now.
    for (std::size_t port = 0; port < kBoardPorts; ++port) fresh->SetPort(port, levels_[port], now_);
    board_ = std::move(fresh);
    InputsChanged();
}

BoardLayout SharedBoard::layout() const {
    std::lock_guard lock(mutex_);
    return board_->layout();
}

void SharedBoard::SetPort(std::size_t port, std::uint8_t levels, SimNanos at) {
    if (port >= kBoardPorts) return;
    std::lock_guard lock(mutex_);
    now_ = std::max(now_, at);
    levels_[port] = levels;
    board_->SetPort(port, levels, at);
    if (tracing_) trace_->SetPort(port, levels, at);
}

void SharedBoard::SetPin(BoardPin pin, bool level, SimNanos at) {
    if (!IsBoardPin(pin)) return;
    std::lock_guard lock(mutex_);
    now_ = std::max(now_, at);
    const auto bit = static_cast<std::uint8_t>(1u << pin.bit);
    levels_[pin.port] = level ? (levels_[pin.port] | bit) : (levels_[pin.port] & ~bit);
    board_->SetPin(pin, level, at);
    if (tracing_) trace_->SetPin(pin, level, at);
}

void SharedBoard::AdvanceTo(SimNanos at) {
    std::lock_guard lock(mutex_);
    now_ = std::max(now_, at);
    board_->AdvanceTo(now_);
}

SimNanos SharedBoard::now() const {
    std::lock_guard lock(mutex_);
    return now_;
}

std::array<PortDrive, kBoardPorts> SharedBoard::ToChip() const {
    std::lock_guard lock(mutex_);
    return board_->ToChip();
}

void SharedBoard::ChipReset() {
    std::lock_guard lock(mutex_);
    board_->ChipReset();
}

ReadAnswer SharedBoard::AnswersReads() const {
    std::lock_guard lock(mutex_);
    return board_->AnswersReads(now_);
}

bool SharedBoard::LcdAnswering() const {
    std::lock_guard lock(mutex_);
    return board_->lcd().Answering() && board_->lcd().strobed();
}

std::uint32_t SharedBoard::PotMillivolts(std::uint32_t vccMillivolts) const {
    std::lock_guard lock(mutex_);
    return board_->PotMillivolts(vccMillivolts);
}

void SharedBoard::PressKey(int key, bool down) {
    if (key < 0 || key >= KeyPanel::kKeys) return;
    {
        std::lock_guard lock(mutex_);
        board_->keys().Press(key, down);
    }
    InputsChanged();
}

void SharedBoard::PressKeypad(int row, int column, bool down) {
    if (row < 0 || row >= Keypad::kSize || column < 0 || column >= Keypad::kSize) return;
    {
        std::lock_guard lock(mutex_);
        board_->keypad().Press(row, column, down);
    }
    InputsChanged();
}

void SharedBoard::SetPot(double fraction) {
    {
        std::lock_guard lock(mutex_);
        board_->SetPotPosition(fraction);
    }
    InputsChanged();
}

BoardSnapshot SharedBoard::Snapshot(std::uint32_t vccMillivolts) const {
    std::lock_guard lock(mutex_);
    return TakeSnapshot(*board_, {now_, vccMillivolts});
}

void SharedBoard::StartTrace(std::vector<TraceChannel> channels) {
    std::lock_guard lock(mutex_);
    trace_.emplace(std::move(channels), levels_, now_);
    tracing_ = true;
}

void SharedBoard::StopTrace() {
    std::lock_guard lock(mutex_);
    tracing_ = false;
}

std::optional<LogicTrace> SharedBoard::Trace() const {
    std::lock_guard lock(mutex_);
    return trace_;
}

}  // namespace viz
