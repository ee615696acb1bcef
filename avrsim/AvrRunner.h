#pragma once

// One AVR chip of libsimavr running a firmware in step with the wall clock,
// its UART0 on a pseudo-terminal and its port levels reported as they
// change (protocol in board/AvrSimProtocol.h).

#include <cstdint>
#include <string>

namespace viz::avrsim {

struct RunnerOptions {
    std::string core;  // "atmega16"
    std::uint32_t frequency = 0;
    std::string firmware;    // .elf or Intel HEX; may be empty with a bootloader
    std::string bootloader;  // Intel HEX in the boot section, where the chip starts; empty: none
    int reportFd = 1;
    int controlFd = -1;  // the window's commands; -1: none
};

// Writes one "part" line for every core compiled into the library.
void ListParts(int reportFd);

// Runs until the firmware stops the chip or the process is ended; the
// process's exit code: 0 when the firmware stopped it, 1 when it crashed,
// 2 when it could not start (said on standard error).
int RunFirmware(const RunnerOptions& options);

}  // namespace viz::avrsim
