#pragma once

// The AVR runner (duvezer-avrsim) as a board's simulator: started with the
// chip, clock and firmware, its report lines read for the pty and the port
// levels, its own messages shown.

#include <cstdint>
#include <filesystem>

#include "board/BoardChip.h"
#include "board/BoardPins.h"
#include "board/BoardRun.h"

namespace viz {

struct AvrRunSetup {
    std::filesystem::path runner;
    BoardChip chip;
    std::uint32_t clockHz = 0;
    std::filesystem::path firmware;  // ELF or Intel HEX
};

// Runs until `stopFd` becomes readable (the board stops) or the runner ends.
RunEnd RunAvr(const AvrRunSetup& setup, int stopFd, BoardPins& pins, BoardEvents& events);

// The runner's --list, as chips; empty when it cannot be run.
std::vector<BoardChip> ListAvrParts(const std::filesystem::path& runner);

}  // namespace viz
