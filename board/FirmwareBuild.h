#pragma once

// Building the board's firmware from C: sdcc for the 8051 family (Intel
// HEX), avr-gcc for AVR (ELF), run in the board's own temporary folder. The
// compiler's messages are handed on exactly as it printed them.

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "board/BoardChip.h"
#include "board/BoardRun.h"

namespace viz {

struct BuildRequest {
    BoardChip chip;
    std::uint32_t clockHz = 0;
    std::filesystem::path compiler;
    std::filesystem::path folder;  // where the outputs go
    // Either the source text, written to folder/main.c, or a file of the user's.
    std::string sourceText;
    std::filesystem::path sourceFile;
};

struct BuildResult {
    enum class Kind { Built, Failed, Stopped, StartFailed };
    Kind kind = Kind::Failed;
    std::filesystem::path firmware;
    int error = 0;  // StartFailed
};

// The compiler's arguments for `request`, and the firmware file they make.
std::vector<std::string> CompilerArguments(const BuildRequest& request);
std::filesystem::path FirmwareOutput(const BuildRequest& request);

// Runs the compiler; its output goes to events.OnOutput as it comes.
// Returns early, with the compiler ended, when `stopFd` becomes readable.
BuildResult BuildFirmware(const BuildRequest& request, int stopFd, BoardEvents& events);

// One build tool run the same way: Built when it succeeded and made `output`.
BuildResult RunBuildTool(const ChildSpec& spec, const std::filesystem::path& output, int stopFd,
                         BoardEvents& events);

}  // namespace viz
