#pragma once

// One run of a virtual board on a thread of its own: the tools looked up,
// the firmware checked or built, the simulator started with its UART on a
// pseudo-terminal, and everything ended again when asked or when the
// simulator ends by itself. The window's thread never waits for any of it.
//
//   BoardSession board(listener);
//   board.Start(config);   // OnPhase..., OnReady(pty), ... OnEnded(outcome) on the board's thread
//   board.Stop();          // returns at once; OnEnded(Stopped) follows

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <string>
#include <thread>

#include "board/BoardChip.h"
#include "board/BoardPins.h"
#include "board/BoardRun.h"
#include "board/BoardTools.h"
#include "board/parts/SharedBoard.h"

namespace viz {

struct BoardConfig {
    BoardChip chip;
    std::uint32_t clockHz = 0;
    // The wizard's C text, or else the user's firmware file (HEX, ELF or C).
    bool wizardCode = false;
    std::string source;
    std::filesystem::path file;
    ToolSearch search;
    // The learning board the run feeds (it must outlive the run); none: no board.
    SharedBoard* learn = nullptr;
};

enum class BoardPhase { Building, Starting };

struct BoardOutcome {
    enum class Kind {
        Stopped,
        ToolsMissing,
        BadFirmware,
        BuildFailed,
        StartFailed,
        SimulatorEnded,
        FirmwareHalted,  // it stopped by itself; the message says where
    };
    Kind kind = Kind::Stopped;
    std::string message;  // for the output area; empty when stopped
};

class BoardListener : public BoardEvents {
public:
    virtual void OnPhase(BoardPhase phase) = 0;
    // The last call of a run.
    virtual void OnEnded(const BoardOutcome& outcome) = 0;
};

class BoardSession {
public:
    explicit BoardSession(BoardListener& listener);
    // Ends a running board and waits for its thread.
    ~BoardSession();
    BoardSession(const BoardSession&) = delete;
    BoardSession& operator=(const BoardSession&) = delete;

    // False while a run has not ended yet.
    bool Start(BoardConfig config);
    void Stop();
    // Resets the running AVR chip as its RESET pin would, keeping its flash:
    // a chip with a serial bootloader then waits about a second for a
    // downloader before it starts its application. Returns at once;
    // OnChipReset follows. False when no AVR board runs.
    bool ResetChip();
    bool running() const { return running_.load(); }
    // The simulator's PID while it runs, for checking that it is gone; 0 otherwise.
    int simulatorPid() const { return simulatorPid_.load(); }

    BoardPins& pins() { return pins_; }

private:
    void Run(const BoardConfig& config);
    BoardOutcome Simulate(const BoardConfig& config, const BoardTools& tools,
                          const std::filesystem::path& folder);

    BoardListener& listener_;
    BoardPins pins_;
    std::thread thread_;
    int stopFd_ = -1;
    int resetFd_ = -1;
    std::atomic<bool> avrRunning_{false};
    std::atomic<bool> running_{false};
    std::atomic<int> simulatorPid_{0};
};

}  // namespace viz
