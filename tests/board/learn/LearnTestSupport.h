#pragma once

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "TempDir.h"
#include "board/S51PinTrace.h"

#include "board/parts/SharedBoard.h"

namespace viz::testing {

// Firmware played on a shared learning board as the simulator would report
// it: port writes with the simulated time moving on.
class BoardFirmware {
public:
    explicit BoardFirmware(SharedBoard& board) : board_(board) { levels_.fill(0xFF); }

    SimNanos now() const { return now_; }
    void Wait(SimNanos nanos) {
        now_ += nanos;
        board_.AdvanceTo(now_);
    }
    void Port(std::size_t port, std::uint8_t levels, SimNanos after = 1000) {
        Wait(after);
        levels_[port] = levels;
        board_.SetPort(port, levels, now_);
    }
    void Pin(BoardPin pin, bool level, SimNanos after = 1000) {
        const auto bit = static_cast<std::uint8_t>(1u << pin.bit);
        Port(pin.port, level ? (levels_[pin.port] | bit) : (levels_[pin.port] & ~bit), after);
    }
    // What the chip reads on a pin: its own level unless the board drives it.
    bool Read(BoardPin pin) const {
        return (board_.ToChip()[pin.port].Read(levels_[pin.port]) >> pin.bit) & 1;
    }

    // The 8051 board's LCD (D0-D7 on P0, RS P2.6, RW P2.5, E P2.7), 8 bits,
    // waiting out each instruction instead of polling.
    void LcdWrite(bool data, std::uint8_t value) {
        Pin({2, 6}, data);
        Pin({2, 5}, false);
        Port(0, value);
        Pin({2, 7}, true);
        Pin({2, 7}, false);
        Wait(2'000'000);
    }
    void LcdText(const std::string& text) {
        for (const std::uint8_t instruction : {0x38, 0x38, 0x0C, 0x06, 0x01}) LcdWrite(false, instruction);
        for (char c : text) LcdWrite(true, static_cast<std::uint8_t>(c));
    }
    // The 8051 board's display: segments on P0, decoder on P2.2-P2.4 (Y0
    // rightmost), one millisecond a digit for `frames` 20 ms frames.
    void ScanDigits(const std::string& digits, int frames) {
        static constexpr std::array<std::uint8_t, 10> kCodes{0x3F, 0x06, 0x5B, 0x4F, 0x66,
                                                             0x6D, 0x7D, 0x07, 0x7F, 0x6F};
        for (int step = 0; step < frames * 20; ++step) {
            const int position = step % 8;
            const auto select = static_cast<std::uint8_t>(7 - position);
            Port(0, 0x00, 0);  // blank while switching, as scanning code does
            Port(2, static_cast<std::uint8_t>((levels_[2] & ~0x9C) | (select << 2)), 0);
            Port(0, kCodes[static_cast<std::size_t>(digits[static_cast<std::size_t>(position)] - '0')], 0);
            Wait(1'000'000);
        }
    }

private:
    SharedBoard& board_;
    std::array<std::uint8_t, kBoardPorts> levels_;
    SimNanos now_ = 0;
};

inline std::string ReadWhole(const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

// Builds the test's 8051 firmware `source` with sdcc and runs it in s51 at
// 12 MHz with `commands` after the pin dump is started (end with "quit");
// the dump's text, empty (with the failure reported) when either failed.
inline std::string RunS51WithDump(const TempDir& dir, const char* source,
                                  const std::vector<std::string>& commands) {
    const std::string firmware = (dir / "firmware.ihx").string();
    const std::string build = "sdcc -mmcs51 -o '" + firmware + "' '" + VIZ_LEARN_FIRMWARE_DIR + "/" + source +
                              "' > '" + (dir / "sdcc.log").string() + "' 2>&1";
    if (std::system(build.c_str()) != 0) {
        ADD_FAILURE() << "sdcc failed: " << ReadWhole(dir / "sdcc.log");
        return {};
    }
    std::ofstream script(dir / "commands");
    for (const std::string& command : S51PinTraceCommands((dir / "pins.vcd").string()))
        script << command << '\n';
    for (const std::string& command : commands) script << command << '\n';
    script.close();
    const std::string run = "s51 -t 8052 -X 12M '" + firmware + "' < '" + (dir / "commands").string() +
                            "' > '" + (dir / "s51.log").string() + "' 2>&1";
    if (std::system(run.c_str()) != 0) {
        ADD_FAILURE() << "s51 failed: " << ReadWhole(dir / "s51.log");
        return {};
    }
    return ReadWhole(dir / "pins.vcd");
}

}  // namespace viz::testing
