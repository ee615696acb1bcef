#pragma once

// What the board says to s51's command console and reads back. The console
// runs in interactive mode with a NUL prompt (-P), so every reply ends in a
// NUL byte. After each run of instructions the board asks for the four port
// latches, which on a board without outside drivers are the pin levels.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace viz::s51 {

// Sent first: replies end in the prompt from then on.
inline constexpr char kInteractive[] = "set console interactive on\n";
// s51 looks at its serial input only now and then unless told to check it
// at every cycle, which made it take a few bytes a second from a live line.
inline constexpr char kCheckSerialInput[] = "set memory uart_0_cfg 1 1";

// "step N" and the port read after it: two replies.
std::string StepCommand(std::uint64_t instructions);

enum class ReplyKind { Step, Ports, Other };

// Which command a reply answers, by what it holds: s51 drops commands that
// reach it at the wrong moment (below), so replies are not counted.
ReplyKind Classify(std::string_view reply);

struct StepReply {
    std::uint64_t ticks = 0;   // oscillator clocks the step took
    bool interrupted = false;  // s51 found input while stepping (below)
    std::string text;          // what s51 said besides its own report (messages)
};

// One reply to "step N". s51 looks at its console every million
// instructions or so; a command it finds waiting there stops the step and
// is dropped with everything else then waiting ("User stopped").
StepReply ParseStep(std::string_view reply);

// The reply to the port read: P0..P3, each when it was there.
std::array<std::optional<std::uint8_t>, 4> ParsePorts(std::string_view reply);

// Lines of s51's start-up talk worth showing: all but the notes about our
// own plumbing (its serial line is a pipe, not a terminal).
std::string StartupText(std::string_view text);

}  // namespace viz::s51
