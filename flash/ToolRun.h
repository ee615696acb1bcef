#pragma once

// Running a download tool for what it prints: found on PATH, started as a
// ChildProcess (its own process group), its output read until it ends or
// until `stopFd` (an eventfd) is signalled, when the group is killed.
//
//   const std::filesystem::path avrdude = FindOnPath("avrdude", getenv("PATH"));
//   const ToolCapture parts = CaptureTool(avrdude, {"-p", "?"}, stopFd);

#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/ChildProcess.h"
#include "platform/ProgramSearch.h"

namespace viz {

struct ToolCapture {
    int startError = 0;    // errno of a failed start
    bool stopped = false;  // `stopFd` was signalled
    ExitStatus status;
    std::string output;  // standard output and error together
};

ToolCapture CaptureTool(const std::filesystem::path& program, std::vector<std::string> arguments, int stopFd);

// Signals an eventfd made for stopping: any thread, never blocks.
void SignalStop(int stopFd);

}  // namespace viz
