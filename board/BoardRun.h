#pragma once

// What the simulator side of a board reports while it runs, and how a run
// ended. Both simulators (s51 and the AVR runner) report the same way.

#include <string>

#include "platform/ChildProcess.h"

namespace viz {

// Called on the board's own thread.
class BoardEvents {
public:
    virtual ~BoardEvents() = default;
    // Text for the window's output area, as the program printed it.
    virtual void OnOutput(const std::string& text) = 0;
    // The simulator's process was started (a board's stop must end it).
    virtual void OnSimulatorProcess(int pid) = 0;
    // The simulator is up; its UART is the serial port at `portPath`.
    virtual void OnReady(const std::string& portPath) = 0;
    // Now and then: simulated seconds per wall second lately (1 keeps real time).
    virtual void OnSpeed(double /*ratio*/) {}
    // The chip was reset as asked (BoardSession::ResetChip).
    virtual void OnChipReset() {}
    // The learning board could not be fed (errno): the chip runs without it.
    virtual void OnLearnBoardUnfed(int /*error*/) {}
};

struct RunEnd {
    enum class Kind {
        Stopped,      // asked to stop
        Exited,       // the simulator ended by itself
        StartFailed,  // it could not be started
        Halted,       // the firmware stopped by itself (the simulator was ended)
    };
    Kind kind = Kind::Stopped;
    ExitStatus status;       // Exited
    std::string lastOutput;  // Exited, Halted: its last lines
    int error = 0;           // StartFailed: errno
    std::string haltedAt;    // Halted: the address, as "0x0024"
};

}  // namespace viz
