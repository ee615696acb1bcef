#include "board/parts/Hd44780.h"

#include "board/parts/Hd44780Rom.h"

namespace viz {
namespace {

// Execution times in controller clocks: 10 is 37 us and 410 is 1.52 ms at 270 kHz.
constexpr unsigned kShortCycles = 10;
constexpr unsigned kLongCycles = 410;
// The blinking block changes every 102400 clocks (409.6 ms at 250 kHz).
constexpr unsigned kBlinkCycles = 102400;

}  // namespace

Hd44780::Hd44780(std::uint32_t clockHertz) : clock_(clockHertz ? clockHertz : kDefaultClock) {
    ddram_.fill(0x20);
}

void Hd44780::SetBusy(SimNanos from, unsigned cycles) {
    busyUntil_ = from + static_cast<SimNanos>(cycles) * 1'000'000'000ull / clock_;
}

void Hd44780::Update(const LcdBus& bus, SimNanos at) {
    const LcdBus before = last_;
    last_ = bus;
    if (bus.e && !before.e) {
        // RS and RW are set up before the strobe rises.
        cycleRs_ = bus.rs;
        cycleRw_ = bus.rw;
        if (!cycleRw_) return;
        if (eightBit_ || !lowNibbleNext_) readValue_ = ReadValue(at);
        Answer();
        return;
    }
    if (!bus.e) strobed_ = true;
    if (!bus.e && before.e) {
        if (cycleRw_) {
            lastReadAt_ = at;
            drive_ = {};
            if (eightBit_ || lowNibbleNext_) FinishRead(at);
            if (!eightBit_) lowNibbleNext_ = !lowNibbleNext_;
            return;
        }
        // The data is taken as it stood while the strobe was high.
        if (eightBit_) {
            Latch(before.data, at);
        } else if (!lowNibbleNext_) {
            highNibble_ = before.data & 0xF0;
            lowNibbleNext_ = true;
        } else {
            lowNibbleNext_ = false;
            Latch(static_cast<std::uint8_t>(highNibble_ | (before.data >> 4)), at);
        }
    }
}

void Hd44780::AdvanceTo(SimNanos at) {
    // Only the busy flag's read changes with time; the high half carries it.
    if (!last_.e || !cycleRw_ || cycleRs_ || (!eightBit_ && lowNibbleNext_)) return;
    readValue_ = ReadValue(at);
    Answer();
}

void Hd44780::Answer() {
    const std::uint8_t out = eightBit_        ? readValue_
                             : lowNibbleNext_ ? static_cast<std::uint8_t>(readValue_ << 4)
                                              : static_cast<std::uint8_t>(readValue_ & 0xF0);
    drive_ = {static_cast<std::uint8_t>(eightBit_ ? 0xFF : 0xF0), out};
}

std::uint8_t Hd44780::ReadValue(SimNanos at) const {
    if (!cycleRs_) return static_cast<std::uint8_t>((Busy(at) ? 0x80 : 0) | (address_ & 0x7F));
    return addressInDdram_ ? ddram_[address_ & 0x7F] : cgram_[address_ & 0x3F];
}

void Hd44780::FinishRead(SimNanos at) {
    if (!cycleRs_) return;
    MoveAddress(increment_);
    SetBusy(at, kShortCycles);
}

void Hd44780::Latch(std::uint8_t value, SimNanos at) {
    if (Busy(at)) {
        ++lostWhileBusy_;
        return;
    }
    if (cycleRs_) {
        WriteData(value);
        SetBusy(at, kShortCycles);
        return;
    }
    Execute(value);
    SetBusy(at, value == 0 ? 0 : value <= 0x03 ? kLongCycles : kShortCycles);
}

void Hd44780::Execute(std::uint8_t instruction) {
    if (instruction & 0x80) {
        address_ = instruction & 0x7F;
        addressInDdram_ = true;
    } else if (instruction & 0x40) {
        address_ = instruction & 0x3F;
        addressInDdram_ = false;
    } else if (instruction & 0x20) {
        eightBit_ = instruction & 0x10;
        twoLines_ = instruction & 0x08;
        lowNibbleNext_ = false;
    } else if (instruction & 0x10) {
        const bool right = instruction & 0x04;
        if (instruction & 0x08)
            ShiftDisplay(!right);
        else
            MoveAddress(right);
    } else if (instruction & 0x08) {
        displayOn_ = instruction & 0x04;
        cursorOn_ = instruction & 0x02;
        blinkOn_ = instruction & 0x01;
    } else if (instruction & 0x04) {
        increment_ = instruction & 0x02;
        shiftOnWrite_ = instruction & 0x01;
    } else if (instruction & 0x02) {
        address_ = 0;
        addressInDdram_ = true;
        shift_ = 0;
    } else if (instruction & 0x01) {
        ddram_.fill(0x20);
        address_ = 0;
        addressInDdram_ = true;
        increment_ = true;
        shift_ = 0;
    }
}

void Hd44780::WriteData(std::uint8_t value) {
    if (!addressInDdram_) {
        cgram_[address_ & 0x3F] = value;
        MoveAddress(increment_);
        return;
    }
    ddram_[address_ & 0x7F] = value;
    MoveAddress(increment_);
    if (shiftOnWrite_) ShiftDisplay(increment_);
}

void Hd44780::MoveAddress(bool up) {
    if (!addressInDdram_) {
        address_ = static_cast<std::uint8_t>((address_ + (up ? 1 : 63)) & 0x3F);
        return;
    }
    // DDRAM runs 0x00..0x4F on one line, 0x00..0x27 and 0x40..0x67 on two.
    int position = twoLines_ ? (address_ & 0x40 ? 40 : 0) + (address_ & 0x3F) % 40 : address_ % 80;
    position = (position + (up ? 1 : 79)) % 80;
    address_ =
        static_cast<std::uint8_t>(twoLines_ ? (position >= 40 ? 0x40 + position - 40 : position) : position);
}

void Hd44780::ShiftDisplay(bool left) {
    shift_ = (shift_ + (left ? 1 : 79)) % 80;
}

int Hd44780::DisplayAddress(int line, int column) const {
    const int length = LineLength();
    const int position = (column + shift_) % length;
    return twoLines_ ? line * 0x40 + position : position;
}

std::array<std::uint8_t, Hd44780::kColumns> Hd44780::LineCodes(int line) const {
    std::array<std::uint8_t, kColumns> codes;
    codes.fill(0x20);
    if (!displayOn_ || (line > 0 && !twoLines_)) return codes;
    for (int column = 0; column < kColumns; ++column)
        codes[static_cast<std::size_t>(column)] =
            ddram_[static_cast<std::size_t>(DisplayAddress(line, column))];
    return codes;
}

std::string Hd44780::LineText(int line) const {
    std::string text;
    for (std::uint8_t code : LineCodes(line)) AppendUtf8(text, RomCharacter(code));
    return text;
}

GlyphRows Hd44780::Glyph(std::uint8_t code) const {
    if (code >= 0x10) return RomGlyph(code);
    GlyphRows rows;
    for (std::size_t row = 0; row < rows.size(); ++row) rows[row] = cgram_[(code & 7) * 8 + row] & 0x1F;
    return rows;
}

LcdCursor Hd44780::Cursor(SimNanos at) const {
    LcdCursor cursor;
    if (!displayOn_ || !addressInDdram_ || !(cursorOn_ || blinkOn_)) return cursor;
    for (int line = 0; line < (twoLines_ ? 2 : 1); ++line) {
        for (int column = 0; column < kColumns; ++column) {
            if (DisplayAddress(line, column) != address_) continue;
            const SimNanos phase = static_cast<SimNanos>(kBlinkCycles) * 1'000'000'000ull / clock_;
            cursor = {true, line, column, cursorOn_, blinkOn_ && (at / phase) % 2 == 0};
            return cursor;
        }
    }
    return cursor;
}

}  // namespace viz
