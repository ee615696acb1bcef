#pragma once

// What the AVR runner (duvezer-avrsim) tells the board window, one line of
// text at a time on the descriptor named by its --report-fd option (its
// standard output and error carry the simulator's own messages):
//
//   part <core> <flash bytes> <port letters>   one per part, for --list
//   uart <pty path>                            the firmware runs; its UART0 is this pty
//   port <cycle> <letter> <hex level>          a port's pin levels changed at that cycle
//   end <done|crashed>                         the firmware stopped the chip
//   reset <cycle>                              the chip was reset at that cycle
//   time <cycle>                               the chip's time at the end of each slice
//
// For example "part atmega16 16384 ABCD", "uart /dev/pts/5", "port 8000123 B 01".
//
// The window tells the runner, one line at a time on the descriptor its
// --control-fd option names:
//
//   reset                                      RESET pulled low now; with a bootloader let
//                                              go when the next byte for the chip arrives
//                                              (a downloader's first) or after 10 s
//   outside <letter> <hex levels> [<cycle>]    what the board puts on a port's pins from
//                                              now on (every pin starts high: pull-ups),
//                                              as the board saw the chip at that cycle
//   adc <channel> <millivolts>                 the voltage on an ADC input from now on
//   joins [<pin>-<pin> ...]                    the pairs of pins joined from now on (the
//                                              keypad's pressed keys), as "B7-B3"; none
//                                              when empty. A pin joined to a low one reads
//                                              low at once, without the board's slice late
//                                              answer

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "board/BoardChip.h"

namespace viz::avrsim {

struct PartLine {
    std::string core;
    std::uint32_t flashBytes = 0;
    std::string ports;  // "ABCD"
};
struct UartLine {
    std::string path;
};
struct PortLine {
    std::uint64_t cycle = 0;
    char port = 'A';
    std::uint8_t level = 0;
};
struct EndLine {
    std::string reason;
};
// A command without its cycle, a report with it.
struct ResetLine {
    std::uint64_t cycle = 0;
};
struct TimeLine {
    std::uint64_t cycle = 0;
};
struct OutsideLine {
    char port = 'A';
    std::uint8_t levels = 0xFF;
    std::uint64_t seenCycle = 0;  // the chip's last report the board had taken
};
struct AdcLine {
    unsigned channel = 0;
    std::uint32_t millivolts = 0;
};
struct PinName {
    char port = 'A';
    std::uint8_t bit = 0;
    bool operator==(const PinName&) const = default;
};
struct JoinsLine {
    std::vector<std::pair<PinName, PinName>> pairs;
    bool operator==(const JoinsLine&) const = default;
};
using Line =
    std::variant<PartLine, UartLine, PortLine, EndLine, ResetLine, TimeLine, OutsideLine, AdcLine, JoinsLine>;

// The window's reset command, a ResetLine without its cycle.
inline constexpr std::string_view kResetCommand = "reset";

std::string Format(const Line& line);
// One line without its end; nothing for a line that is none of these.
std::optional<Line> Parse(std::string_view text);

// The AVR parts of a --list output as board chips, ports "PORTA".. in the
// order listed.
std::vector<BoardChip> PartsFromListing(std::string_view listing);

}  // namespace viz::avrsim
