#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// 8051 programs compiled with sdcc and run in the s51 simulator, which
// stops at breakpoints and reports the clock and the registers there.
namespace viz::testing {

// One stop at a breakpoint: where, how many oscillator clocks after reset,
// and the special function registers asked for, by address.
struct S51Stop {
    std::uint32_t pc = 0;
    std::uint64_t clocks = 0;
    std::map<int, int> sfr;

    // Machine cycles of the classic 12-clock core.
    std::uint64_t cycles() const { return clocks / 12; }
    int Sfr(int address) const;
};

struct S51Options {
    // "51" has no timer 2 but clocks the serial port from timer 1 as the
    // hardware does; s51's 52-family models divide timer 1 overflows by 16
    // whatever SMOD says, so timer 1 baud rates are checked on "51".
    std::string cpu = "52";
    std::uint32_t frequency = 12000000;
    std::vector<std::uint32_t> breakpoints;
    int stops = 4;
    std::vector<int> sfrs;
    // Bytes the serial port receives; its output is returned.
    std::optional<std::string> serialInput;
};

struct S51Result {
    std::vector<S51Stop> stops;
    std::string serialOutput;
    std::string log;  // s51's own output, for failure messages
};

class S51Program {
public:
    // Writes the source in code page 936, as the wizard writes its files,
    // and compiles it in `dir`.
    S51Program(std::filesystem::path dir, std::string_view utf8Source);

    bool compiled() const { return compiled_; }
    // sdcc's messages when the compile failed.
    const std::string& compilerOutput() const { return compilerOutput_; }

    // The address of the first instruction after `label` (as "_T0Isr")
    // whose text contains `instruction` (as "mov\t_TH0,#"), from sdcc's listing.
    std::optional<std::uint32_t> FindInstruction(std::string_view label, std::string_view instruction) const;

    // Runs until the breakpoints were hit `stops` times; a program that
    // never gets there is stopped after a few seconds with fewer stops.
    S51Result Run(const S51Options& options) const;

private:
    std::filesystem::path dir_;
    bool compiled_ = false;
    std::string compilerOutput_;
};

}  // namespace viz::testing
