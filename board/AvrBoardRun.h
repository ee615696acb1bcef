#pragma once

// The AVR runner (duvezer-avrsim) as a board's simulator: started with the
// chip, clock and firmware, its report lines read for the pty and the port
// levels (which also feed the learning board, whose keys and potentiometer
// go back to the chip), its own messages shown.

#include <cstdint>
#include <filesystem>

#include "board/BoardChip.h"
#include "board/BoardPins.h"
#include "board/BoardRun.h"
#include "board/parts/SharedBoard.h"

namespace viz {

struct AvrRunSetup {
    std::filesystem::path runner;
    BoardChip chip;
    std::uint32_t clockHz = 0;
    std::filesystem::path firmware;    // ELF or Intel HEX; may be empty with a bootloader
    std::filesystem::path bootloader;  // Intel HEX in the boot section; empty: none
    SharedBoard* learn = nullptr;      // the learning board the run feeds; none: no board
};

// Runs until `stopFd` becomes readable (the board stops) or the runner ends.
// Each time `resetFd` (an eventfd, or -1) becomes readable the chip is reset
// as by its RESET pin; events.OnChipReset follows.
RunEnd RunAvr(const AvrRunSetup& setup, int stopFd, int resetFd, BoardPins& pins, BoardEvents& events);

// The runner's --list, as chips; empty when it cannot be run.
std::vector<BoardChip> ListAvrParts(const std::filesystem::path& runner);

}  // namespace viz
