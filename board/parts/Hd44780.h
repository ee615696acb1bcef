#pragma once

// An HD44780-compatible LCD controller (as on an LCD1602), driven by the
// levels of its RS, RW, E and D0..D7 lines with their simulated times. It
// takes 8-bit and 4-bit transfers, runs the whole instruction set with the
// controller's execution times at its clock, and drives the data lines while
// the firmware reads the busy flag or RAM.
//
//   Hd44780 lcd;                                   // 270 kHz
//   lcd.Update({.rs = false, .rw = false, .e = true, .data = 0x38}, t);
//   lcd.Update({.rs = false, .rw = false, .e = false, .data = 0x38}, t + 500);
//   lcd.LineText(0)  -> "Hello, Duvezer  "
//   lcd.Driven()     -> the data lines the controller drives during a read

#include <array>
#include <cstdint>
#include <string>

#include "board/parts/BoardPin.h"

namespace viz {

struct LcdBus {
    bool rs = false;
    bool rw = false;
    bool e = false;
    std::uint8_t data = 0xFF;  // D0..D7; a line not wired reads high (the controller's pull-ups)
};

struct LcdDrive {
    std::uint8_t mask = 0;    // data lines the controller drives
    std::uint8_t levels = 0;  // their levels
};

struct LcdCursor {
    bool shown = false;  // the cursor's cell is on the display
    int line = 0;
    int column = 0;
    bool underline = false;
    bool blink = false;  // the blinking block is on the cell
};

using GlyphRows = std::array<std::uint8_t, 8>;  // bit 4 = leftmost pixel, row 7 = the cursor's row

class Hd44780 {
public:
    static constexpr int kColumns = 16;
    static constexpr std::uint32_t kDefaultClock = 270000;

    explicit Hd44780(std::uint32_t clockHertz = kDefaultClock);

    void Update(const LcdBus& bus, SimNanos at);
    // Time passes with the bus unchanged: while the firmware holds E high to
    // read the busy flag, the flag it reads follows the controller's work.
    void AdvanceTo(SimNanos at);
    LcdDrive Driven() const { return drive_; }
    // The controller drives the data lines (a read with E high).
    bool Answering() const { return drive_.mask != 0; }
    // The firmware has held E low since the chip's reset (it talks to the controller).
    bool strobed() const { return strobed_; }
    // When the firmware last ended a read (the busy flag or RAM); 0 before the first.
    SimNanos lastReadAt() const { return lastReadAt_; }
    void ChipReset() { strobed_ = false; }
    bool Busy(SimNanos at) const { return at < busyUntil_; }

    bool displayOn() const { return displayOn_; }
    bool twoLines() const { return twoLines_; }
    bool eightBit() const { return eightBit_; }
    std::uint8_t addressCounter() const { return address_; }
    // Transfers the firmware sent while the controller was busy (and so lost).
    std::uint64_t lostWhileBusy() const { return lostWhileBusy_; }

    // The character codes shown on `line` (0 or 1); spaces while the display
    // is off or the line is not shown.
    std::array<std::uint8_t, kColumns> LineCodes(int line) const;
    // The same as UTF-8 text, ROM codes mapped to Unicode.
    std::string LineText(int line) const;
    // The pixel rows of a character code: a user character from CGRAM or the ROM's.
    GlyphRows Glyph(std::uint8_t code) const;
    LcdCursor Cursor(SimNanos at) const;

private:
    void Latch(std::uint8_t value, SimNanos at);
    void Execute(std::uint8_t instruction);
    void WriteData(std::uint8_t value);
    std::uint8_t ReadValue(SimNanos at) const;
    void Answer();
    void FinishRead(SimNanos at);
    void MoveAddress(bool up);
    void ShiftDisplay(bool left);
    int LineLength() const { return twoLines_ ? 40 : 80; }
    int DisplayAddress(int line, int column) const;
    void SetBusy(SimNanos from, unsigned cycles);

    std::uint32_t clock_;
    std::array<std::uint8_t, 128> ddram_;
    std::array<std::uint8_t, 64> cgram_{};
    std::uint8_t address_ = 0;
    bool addressInDdram_ = true;
    bool increment_ = true;
    bool shiftOnWrite_ = false;
    bool displayOn_ = false;
    bool cursorOn_ = false;
    bool blinkOn_ = false;
    bool eightBit_ = true;
    bool twoLines_ = false;
    int shift_ = 0;  // display shift, in characters to the left

    LcdBus last_;
    bool cycleRs_ = false;
    bool cycleRw_ = false;
    bool lowNibbleNext_ = false;  // 4-bit mode: the next transfer is the low half
    std::uint8_t highNibble_ = 0;
    std::uint8_t readValue_ = 0;
    LcdDrive drive_;
    bool strobed_ = false;
    SimNanos lastReadAt_ = 0;
    SimNanos busyUntil_ = 0;
    std::uint64_t lostWhileBusy_ = 0;
};

}  // namespace viz
