#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "board/parts/LearningBoard.h"

namespace viz::testing {

// "D" and 3 -> "D3": a numbered signal of a part.
inline std::string Numbered(const char* prefix, std::size_t number) {
    std::string name = prefix;
    name += std::to_string(number);
    return name;
}

// Plays firmware on a learning board: pin writes with the simulated time
// moving on, and reads of what the board puts on the chip's pins.
class FirmwareSteps {
public:
    explicit FirmwareSteps(LearningBoard& board) : board_(board) { levels_.fill(0xFF); }

    SimNanos now() const { return now_; }
    void Wait(SimNanos nanos) {
        now_ += nanos;
        board_.AdvanceTo(now_);
    }
    void Pin(std::optional<BoardPin> pin, bool level, SimNanos after = 1000) {
        Wait(after);
        if (!pin) return;
        const auto bit = static_cast<std::uint8_t>(1u << pin->bit);
        levels_[pin->port] = level ? (levels_[pin->port] | bit) : (levels_[pin->port] & ~bit);
        board_.SetPin(*pin, level, now_);
    }
    void Port(std::size_t port, std::uint8_t levels, SimNanos after = 1000) {
        Wait(after);
        levels_[port] = levels;
        board_.SetPort(port, levels, now_);
    }
    // What the chip reads on a pin: its own level unless the board drives it.
    bool Read(BoardPin pin) const {
        return (board_.ToChip()[pin.port].Read(levels_[pin.port]) >> pin.bit) & 1;
    }
    std::uint8_t ReadPort(std::size_t port) const { return board_.ToChip()[port].Read(levels_[port]); }

private:
    LearningBoard& board_;
    std::array<std::uint8_t, kBoardPorts> levels_;
    SimNanos now_ = 0;
};

}  // namespace viz::testing
