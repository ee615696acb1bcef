#pragma once

// Every write to the 8051's port latches with its simulated time, from s51's
// value change dump (its vcd[0] hardware element writing into a pipe the
// board reads). Byte writes (MOV P1,A) show on the port's SFR, bit writes
// (SETB P2.7) only on the bit's address, so both are watched and merged.
//
//   for (const std::string& line : S51PinTraceCommands("/run/.../pins")) send(line);
//   S51PinTrace trace;
//   trace.Feed(chunk, [&](std::size_t port, std::uint8_t levels, SimNanos at) {
//       board.SetPort(port, levels, at);
//   });

#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "board/parts/BoardPin.h"

namespace viz {

// The console commands that start the dump into `path` (a pipe or file).
std::vector<std::string> S51PinTraceCommands(const std::string& path);

class S51PinTrace {
public:
    using PortChange = std::function<void(std::size_t port, std::uint8_t levels, SimNanos at)>;

    S51PinTrace() { levels_.fill(0xFF); }

    // Takes the next piece of the dump, however it was split, and reports
    // each latch change in order.
    void Feed(std::string_view chunk, const PortChange& changed);
    const std::array<std::uint8_t, kBoardPorts>& levels() const { return levels_; }
    // Lines of the dump that could not be read (a damaged dump).
    std::uint64_t badLines() const { return badLines_; }

private:
    struct Variable {
        std::size_t port = 0;
        int bit = -1;  // -1: the whole port
    };
    void Line(std::string_view line, const PortChange& changed);
    void Header(std::string_view line);
    void Value(std::string_view line, const PortChange& changed);

    std::string pending_;
    std::map<std::string, Variable, std::less<>> variables_;
    SimNanos unitNumerator_ = 1;  // a dump unit in nanoseconds is numerator / denominator
    SimNanos unitDenominator_ = 1000;
    SimNanos now_ = 0;
    bool inDefinitions_ = true;
    std::array<std::uint8_t, kBoardPorts> levels_;
    std::uint64_t badLines_ = 0;
};

}  // namespace viz
