#pragma once

// The learning board fed by the AVR runner: each port change it reports goes
// to the board at its simulated time; what the board then puts on the
// chip's pins (a key held, a keypad line joined, the LCD answering) and the
// potentiometer's voltage go back as the runner's "outside" and "adc"
// commands. The outside levels of every port go back after each batch in
// which the chip or the user changed something, stamped with the cycle the
// board has seen: the runner lets a pin the chip made an output since then
// stay free. The keypad is no level the board answers: its pressed keys go
// to the runner as joined pins ("joins"), which it resolves at every read,
// so a keypad scanned row after row in microseconds reads right.
//
//   AvrLearnFeed feed(shared, 8000000);
//   feed.PortChanged('B', 0xFE, cycle);          // for each "port" line
//   control += feed.Advance(lastCycle);          // after each batch of lines

#include <cstdint>
#include <optional>
#include <string>

#include "board/AvrSimProtocol.h"
#include "board/LearnLink.h"
#include "board/parts/SharedBoard.h"

namespace viz {

class AvrLearnFeed {
public:
    // A new run goes on from the board's time, with every port released.
    AvrLearnFeed(SharedBoard& board, std::uint32_t clockHz);

    void PortChanged(char letter, std::uint8_t levels, std::uint64_t cycle);
    // The chip's time moved to `cycle`; the commands (whole lines) due now.
    std::string Advance(std::uint64_t cycle);
    // What the board puts on port `letter` now (high where it drives nothing).
    std::uint8_t Outside(char letter) const;

private:
    SimNanos At(std::uint64_t cycle);
    std::string PotCommand();
    std::string JoinsCommand();

    SharedBoard& board_;
    LearnLink link_;
    OutsideLevels sent_;
    bool portsChanged_ = true;
    const std::uint32_t clockHz_;
    SimNanos start_;
    SimNanos last_;
    std::optional<std::uint64_t> inputsSeen_;
    std::optional<std::uint32_t> potSent_;
    std::optional<avrsim::JoinsLine> joinsSent_;
    OutsideLevels keypadLines_{};  // per port, the pins a keypad line is on
};

}  // namespace viz
