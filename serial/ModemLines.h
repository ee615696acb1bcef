#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>

namespace viz {

// Modem input lines, with the bit values the serial page shows them by.
inline constexpr std::uint32_t kLineCts = 0x10;
inline constexpr std::uint32_t kLineDsr = 0x20;
inline constexpr std::uint32_t kLineRing = 0x40;
inline constexpr std::uint32_t kLineRlsd = 0x80;
// The order in which changes are reported when several lines change at once.
inline constexpr std::array<std::uint32_t, 4> kInputLines{kLineCts, kLineDsr, kLineRing, kLineRlsd};

// Modem output lines the page drives.
inline constexpr std::uint32_t kLineDtr = 0x01;
inline constexpr std::uint32_t kLineRts = 0x02;

struct LineRead {
    std::uint32_t lines = 0;  // kLine* bits of the input lines that are on
    int error = 0;            // errno of a failed query; the lines then count as off
};

// The modem-control side of an open port. Separate from the data path because
// pseudo-terminals have no modem lines: tests put a fake here.
class ModemLines {
public:
    virtual ~ModemLines() = default;

    virtual LineRead ReadInputs() = 0;
    // Sets (on) or clears the output lines in the kLineDtr/kLineRts mask.
    virtual bool SetOutputs(std::uint32_t lines, bool on) = 0;
    virtual bool SetBreak(bool on) = 0;

    // Called on the line watcher thread. Blocks until an input line may have
    // changed (true) or until nothing more can be learnt: Interrupt was
    // called, the port has no modem lines or is gone (false).
    virtual bool WaitForChange() = 0;
    // Called from another thread; makes WaitForChange return false promptly
    // and from then on.
    virtual void Interrupt() = 0;
};

using ModemLinesFactory = std::function<std::unique_ptr<ModemLines>(int fd)>;

// The real thing on a tty descriptor: TIOCMGET/TIOCMBIS/TIOCMBIC and break
// ioctls; waits with TIOCMIWAIT where the driver has it, otherwise polls.
std::unique_ptr<ModemLines> MakeTermiosModemLines(int fd);

}  // namespace viz
