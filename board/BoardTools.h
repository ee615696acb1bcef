#pragma once

// The programs a virtual board needs, found on PATH when the board starts,
// and the Debian package to install for each one that is missing.

#include <filesystem>
#include <string>
#include <vector>

#include "board/BoardChip.h"

namespace viz {

struct BoardTool {
    std::string name;     // "s51"
    std::string package;  // "sdcc-ucsim"
};

struct ToolSearch {
    std::string path;                 // the PATH to search
    std::filesystem::path avrRunner;  // duvezer-avrsim as found beside the program; empty: none
    std::filesystem::path s51Wake;    // the library preloaded into s51 (s51wake/); empty: none
};

struct BoardTools {
    std::filesystem::path compiler;   // sdcc or avr-gcc; empty when missing
    std::filesystem::path simulator;  // s51 or the AVR runner
    std::filesystem::path objcopy;    // avr-objcopy, for a chip with a serial bootloader
    std::filesystem::path s51Wake;    // preloaded into s51 when there; s51 runs without it too
    std::vector<BoardTool> missing;   // what is not there, in the order needed
    bool runnerMissing = false;       // the AVR runner is ours: no package to name
};

// What a board of `family` needs: its compiler only when firmware is built
// (with the C library's headers for AVR), and its simulator.
BoardTools FindBoardTools(ChipFamily family, bool build, const ToolSearch& search);
// The same for `chip`; one with a serial bootloader also needs what builds it.
BoardTools FindBoardTools(const BoardChip& chip, bool build, const ToolSearch& search);

// One line per missing tool: "缺少s51：请安装软件包sdcc-ucsim".
std::string DescribeMissing(const BoardTools& tools);

}  // namespace viz
