#pragma once

// Between a running simulator and the learning board: the chip's port
// changes go to the board, and the levels the board puts on the chip's pins
// come back whenever they change — after the user presses a key, and after
// the chip's own levels change what the board drives (a keypad key joining
// the row the firmware pulls low to its column, the LCD answering a read).
//
//   LearnLink link(shared);
//   link.PortChanged(1, 0xBF, at);                 // for every change the simulator reports
//   const auto before = link.sent();                // after each batch:
//   if (auto outside = link.TakeOutside())
//       for (auto& command : S51OutsideCommands(*outside, before)) console.Send(command);

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "board/parts/SharedBoard.h"

namespace viz {

// Per port, the level the outside world puts on each pin: what the board
// drives, high (a pull-up) where it drives nothing.
using OutsideLevels = std::array<std::uint8_t, kBoardPorts>;

class LearnLink {
public:
    explicit LearnLink(SharedBoard& board) : board_(board) {}

    void PortChanged(std::size_t port, std::uint8_t levels, SimNanos at);
    void AdvanceTo(SimNanos at) { board_.AdvanceTo(at); }
    void ChipReset() { board_.ChipReset(); }
    ReadAnswer answersReads() const { return board_.AnswersReads(); }
    // The outside levels the first time, and then whenever they differ from
    // those last taken; nothing otherwise.
    std::optional<OutsideLevels> TakeOutside();
    // The outside levels now, taken as sent.
    OutsideLevels Outside();
    const std::optional<OutsideLevels>& sent() const { return sent_; }

private:
    SharedBoard& board_;
    std::optional<OutsideLevels> sent_;
    std::uint64_t inputsSeen_ = 0;
    bool portsChanged_ = true;
};

// s51's console commands setting the outside value of each port that
// differs from `before` (s51 reads the wired AND of latch and outside
// value, and starts with every outside value high).
std::vector<std::string> S51OutsideCommands(const OutsideLevels& now,
                                            const std::optional<OutsideLevels>& before);
// The commands setting every port's outside value, whatever s51 holds.
std::vector<std::string> S51AllOutsideCommands(const OutsideLevels& now);

}  // namespace viz
