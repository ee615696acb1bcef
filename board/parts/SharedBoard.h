#pragma once

// The learning board between two threads: the simulator's thread reports
// pin changes and reads what the board drives back; the window's thread
// presses keys, moves the potentiometer and takes snapshots to draw. Every
// call holds the lock only for the model's own short work.
//
//   SharedBoard shared(Mcs51LearningBoard());
//   shared.SetPort(2, 0xFE, t);                    // simulator thread
//   shared.PressKey(0, true);                      // window thread
//   if (shared.inputsVersion() != seen) apply(shared.ToChip());
//   BoardSnapshot shot = shared.Snapshot(5000);
//   shared.StartTrace({{"BZ", {1, 5}}});  ...  LogicTrace copy = *shared.Trace();

#include <atomic>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

#include "board/parts/BoardSnapshot.h"
#include "board/parts/LearningBoard.h"
#include "board/parts/LogicTrace.h"

namespace viz {

class SharedBoard {
public:
    explicit SharedBoard(BoardLayout layout);

    // A fresh board on another wiring; keys and potentiometer keep their positions.
    void Relayout(BoardLayout layout);
    BoardLayout layout() const;

    void SetPort(std::size_t port, std::uint8_t levels, SimNanos at);
    void SetPin(BoardPin pin, bool level, SimNanos at);
    void AdvanceTo(SimNanos at);
    SimNanos now() const;
    std::array<PortDrive, kBoardPorts> ToChip() const;
    // After the chip's reset has set every port high.
    void ChipReset();
    // LearningBoard::AnswersReads now.
    ReadAnswer AnswersReads() const;
    // The LCD answers a read the firmware makes (its busy flag changes with time).
    bool LcdAnswering() const;
    std::uint32_t PotMillivolts(std::uint32_t vccMillivolts) const;

    void PressKey(int key, bool down);
    void PressKeypad(int row, int column, bool down);
    void SetPot(double fraction);
    // Counts input changes, so the simulator re-applies ToChip() only after one.
    std::uint64_t inputsVersion() const { return inputsVersion_.load(std::memory_order_acquire); }

    BoardSnapshot Snapshot(std::uint32_t vccMillivolts) const;

    // Records `channels` from now on, replacing an earlier recording.
    void StartTrace(std::vector<TraceChannel> channels);
    void StopTrace();
    // A copy of the recording so far; nothing when none was started.
    std::optional<LogicTrace> Trace() const;

private:
    void InputsChanged() { inputsVersion_.fetch_add(1, std::memory_order_acq_rel); }

    mutable std::mutex mutex_;
    std::unique_ptr<LearningBoard> board_;
    std::array<std::uint8_t, kBoardPorts> levels_;
    SimNanos now_ = 0;
    std::optional<LogicTrace> trace_;
    bool tracing_ = false;
    std::atomic<std::uint64_t> inputsVersion_{0};
};

}  // namespace viz
