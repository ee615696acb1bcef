#pragma once

// What the board says to s51's command console and reads back. The console
// runs in interactive mode with a NUL prompt (-P), so every reply ends in a
// NUL byte. After each run of instructions the board asks for the four port
// latches, which on a board without outside drivers are the pin levels, and
// for the registers that set the serial port's speed.

#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "board/S51Uart.h"

namespace viz::s51 {

// Sent first: replies end in the prompt from then on. An opcode the chip
// does not have stops the run instead of passing as a no-op. The serial
// port's flow control makes s51 take a received byte only once the firmware
// has read the last one from SBUF: s51 sets TI a bit later than a chip does,
// so an echo that keeps up with a back-to-back stream on a chip would
// otherwise fall a little behind on every byte and lose some.
inline constexpr char kSetUp[] =
    "set console interactive on\nset error unknown_code on\nset memory uart_0_cfg 5 1\n";

// s51 takes serial input at the baud rate only while told to look at it on
// every cycle, and that look costs a system call per cycle: the board turns
// it on while bytes wait for the chip and off again when they are taken.
// One reply.
std::string CheckSerialInputCommand(bool on);

// The special function registers read after every step: the four ports,
// then what sets the serial port's speed (timer 2's only on the 52 family).
std::vector<std::uint8_t> StepRegisters(bool timer2);

// "step N" and the register read after it: two replies.
std::string StepCommand(std::uint64_t instructions, const std::vector<std::uint8_t>& registers);

enum class ReplyKind { Step, Ports, Other };

// Which command a reply answers, by what it holds: s51 drops commands that
// reach it at the wrong moment (below), so replies are not counted.
ReplyKind Classify(std::string_view reply);

struct StepReply {
    std::uint64_t ticks = 0;   // oscillator clocks the step took
    bool interrupted = false;  // s51 found input while stepping (below)
    std::string text;          // what s51 said besides its own report (messages)
    // The firmware stopped by itself (an opcode the chip does not have, say):
    // where, as s51 names the address ("0x0024").
    std::optional<std::string> haltedAt;
};

// One reply to "step N". s51 looks at its console every million
// instructions or so; a command it finds waiting there stops the step and
// is dropped with everything else then waiting ("User stopped").
StepReply ParseStep(std::string_view reply);

// The reply to the register read: each register's value by its address.
std::map<std::uint8_t, std::uint8_t> ParseRegisters(std::string_view reply);
// The serial port's speed registers from that reply (0 for any not there).
S51UartRegisters UartRegisters(const std::map<std::uint8_t, std::uint8_t>& registers);
// P0..P3 from that reply, each when it was there.
std::array<std::optional<std::uint8_t>, 4> ParsePorts(std::string_view reply);

// Lines of s51's start-up talk worth showing: all but the notes about our
// own plumbing (its serial line is a pipe, not a terminal).
std::string StartupText(std::string_view text);

}  // namespace viz::s51
