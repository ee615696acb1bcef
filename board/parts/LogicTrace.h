#pragma once

// A logic trace of chosen pins: every change with its simulated time, written
// as a Value Change Dump that sigrok and the common waveform viewers open,
// and the cursor measurement between two edges.
//
//   LogicTrace trace({{"BZ", {1, 5}}}, board levels, t0);
//   trace.SetPort(1, levels, t);           // from the simulator, as the board gets it
//   WriteVcdFile(path, trace.Vcd(tEnd), &error);
//   auto a = NearestEdge(trace, 0, t1), b = NearestEdge(trace, 0, t2);
//   MeasureCursors(*a, *b).hertz

#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "board/parts/BoardPin.h"

namespace viz {

struct TraceChannel {
    std::string name;  // "P1.5", "BZ": spaces are not allowed in the dump's names
    BoardPin pin;
};

struct TraceChange {
    SimNanos at = 0;
    std::uint32_t channel = 0;
    bool level = false;
};

class LogicTrace {
public:
    static constexpr std::size_t kDefaultLimit = 1'000'000;

    // Starts recording at `start` with the ports' levels then.
    LogicTrace(std::vector<TraceChannel> channels, const std::array<std::uint8_t, kBoardPorts>& levels,
               SimNanos start, std::size_t limit = kDefaultLimit);

    // Changes come in time order; one earlier than the last recorded counts at that time.
    void SetPort(std::size_t port, std::uint8_t levels, SimNanos at);
    void SetPin(BoardPin pin, bool level, SimNanos at);

    const std::vector<TraceChannel>& channels() const { return channels_; }
    const std::vector<TraceChange>& changes() const { return changes_; }
    // The recording stopped at the limit: changes after it are missing.
    bool full() const { return full_; }
    SimNanos start() const { return start_; }
    // The channel's level when the recording started.
    bool InitialLevel(std::size_t channel) const { return initial_[channel]; }

    // The times at which `channel` changed.
    std::vector<SimNanos> Edges(std::size_t channel) const;
    // The dump's text, covering the trace up to `end`. Times count from the
    // trace's start, in the coarsest unit (1 ns to 1 s) that keeps every one exact.
    std::string Vcd(SimNanos end) const;

private:
    void Record(std::size_t channel, bool level, SimNanos at);

    std::vector<TraceChannel> channels_;
    std::vector<bool> initial_;
    std::vector<bool> current_;
    std::vector<TraceChange> changes_;
    SimNanos start_;
    std::size_t limit_;
    bool full_ = false;
};

// Writes the dump; false with the system's reason when the file cannot be written.
bool WriteVcdFile(const std::filesystem::path& path, const std::string& vcd, std::string* error);

// The edge of `channel` nearest to `at`, where a cursor snaps; nothing when
// the channel never changed.
std::optional<SimNanos> NearestEdge(const LogicTrace& trace, std::size_t channel, SimNanos at);

struct CursorMeasure {
    SimNanos nanos = 0;  // between the two cursors
    double hertz = 0;    // one period between them; 0 when they coincide
};
CursorMeasure MeasureCursors(SimNanos first, SimNanos second);

}  // namespace viz
