#pragma once

// The line settings a watched program sets on its alias, carried over to the
// real port. A pseudo-terminal keeps the rate, stop bits and flow control it
// is given but always reports 8 data bits without parity, so those two stay
// as the helper set them on the real port.

#include <cstdint>
#include <optional>

namespace viz::sermon {

struct AliasLine {
    std::uint32_t cflag = 0;  // rate code, stop bits, hardware flow control, hang-up on close
    std::uint32_t iflag = 0;  // software flow control
    std::uint32_t ispeed = 0;
    std::uint32_t ospeed = 0;
    std::uint8_t startChar = 0;
    std::uint8_t stopChar = 0;

    bool operator==(const AliasLine&) const = default;
};

// The settings of the alias, read through its pseudo-terminal master.
std::optional<AliasLine> ReadAliasLine(int ptyMaster);

// Gives the real port the alias's rate, stop bits and flow control; its own
// raw mode, data bits and parity stay. Returns 0 or errno.
int ApplyAliasLine(int realFd, const AliasLine& line);

// Whether the modem lines drop when the last user closes the port.
bool HangsUpOnClose(const AliasLine& line);

}  // namespace viz::sermon
