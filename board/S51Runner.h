#pragma once

// s51 running 8051 firmware in step with the wall clock. s51 simulates
// several times faster than real time and has no real-time mode; its idle
// console also sleeps 100 ms whenever it finds no command waiting. So the
// board keeps a short "step" queued at all times (s51 never goes idle) and
// holds s51 with SIGSTOP whenever its simulated time runs ahead of the
// clock, resuming it with SIGCONT when the clock has caught up. The serial
// port is a pair of pipes (which carry every byte value: on a terminal s51
// would take Ctrl-X as its own escape key); the board relays them to the
// pty the serial page opens, handing received bytes to the chip one frame
// apart by the baud rate its firmware set. After every step the four port
// latches and the serial port's speed registers are read.
//
//   PtyPort port; port.Open();
//   RunEnd end = RunS51(S51Setup{"s51", "51", 11059200, "main.ihx"}, port, stopFd, pins, events);

#include <cstdint>
#include <filesystem>
#include <string>

#include "board/BoardPins.h"
#include "board/BoardRun.h"
#include "board/parts/SharedBoard.h"
#include "platform/PtyPort.h"

namespace viz {

struct S51Setup {
    std::filesystem::path program;  // s51
    std::filesystem::path wake;     // the library preloaded into s51; empty: none
    std::string cpu;                // s51's type: "51", "52"
    std::uint32_t crystalHz = 0;
    std::filesystem::path firmware;  // Intel HEX
    // The learning board the port writes go to, and the folder for the
    // FIFO that carries them; none when the board has no learning board.
    SharedBoard* learn = nullptr;
    std::filesystem::path folder;
};

// Runs until `stopFd` becomes readable (the board stops) or s51 ends.
// `port` is open; `pins` learns the port levels.
RunEnd RunS51(const S51Setup& setup, PtyPort& port, int stopFd, BoardPins& pins, BoardEvents& events);

}  // namespace viz
