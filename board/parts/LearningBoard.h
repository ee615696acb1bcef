#pragma once

// The learning board: every part wired to the chip's pins by a layout. The
// simulator reports each port or pin change with its simulated time; the
// board feeds the parts and answers the levels the chip's input pins must
// read (keys, keypad, the LCD's data bus during a read).
//
//   LearningBoard board(Mcs51LearningBoard());
//   board.SetPort(0, 0x38, t);  board.SetPin({2, 7}, true, t);   // LCD strobe
//   board.keypad().Press(0, 0, true);
//   PortDrive p1 = board.ToChip()[1];      // apply to the simulated P1
//   board.AdvanceTo(now);  board.digits().Text() -> "20261208"

#include <array>
#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>

#include "board/parts/BoardLayout.h"
#include "board/parts/Buzzer.h"
#include "board/parts/DigitDisplay.h"
#include "board/parts/Hd44780.h"
#include "board/parts/Keys.h"
#include "board/parts/LedRow.h"

namespace viz {

// What the board puts on one of the chip's ports: the pins it drives and
// their levels. A pin it does not drive reads what the chip itself puts out.
struct PortDrive {
    std::uint8_t mask = 0;
    std::uint8_t levels = 0;

    std::uint8_t Read(std::uint8_t chipLevels) const {
        return static_cast<std::uint8_t>((chipLevels & ~mask) | (levels & mask));
    }
    bool operator==(const PortDrive&) const = default;
};

// What the board drives that follows the chip's levels from instruction to
// instruction; the LCD's answer is undone soonest (the firmware drops E and
// reads again a few instructions later). LcdTalk: the firmware read the
// LCD lately and will soon read its busy flag again, after its next transfer.
enum class ReadAnswer { None, LcdTalk, KeypadScan, Lcd };

class LearningBoard {
public:
    explicit LearningBoard(BoardLayout layout);

    const BoardLayout& layout() const { return layout_; }

    // The chip's levels on a whole port or one pin from `at` on.
    void SetPort(std::size_t port, std::uint8_t levels, SimNanos at);
    void SetPin(BoardPin pin, bool level, SimNanos at);
    // Lets the displays close the frames that ended by `at`.
    void AdvanceTo(SimNanos at);

    std::array<PortDrive, kBoardPorts> ToChip() const;
    // What the board drives follows the chip's levels from instruction to
    // instruction: the firmware reads the LCD (after strobing it at least
    // once: a controller nobody talks to is not asked), scans the keypad
    // while a key is held (it wrote the keypad's port lately), or talks to
    // the LCD and waits on its busy flag (a read lately).
    ReadAnswer AnswersReads(SimNanos now) const;
    // The chip was reset: the LCD answers nobody until the firmware talks to it.
    void ChipReset() { lcd_.ChipReset(); }
    // The potentiometer's voltage on ADC0 (AVR boards), 0 to `vccMillivolts`.
    std::uint32_t PotMillivolts(std::uint32_t vccMillivolts) const;
    void SetPotPosition(double fraction);  // 0..1
    double potPosition() const { return pot_; }
    // The two parts' states as accessible texts: "2000 Hz" ("0 Hz" when
    // silent) and "2.50 V".
    std::string BuzzerText(SimNanos at) const;
    std::string PotText(std::uint32_t vccMillivolts) const;

    LedRow& leds() { return leds_; }
    const LedRow& leds() const { return leds_; }
    KeyPanel& keys() { return keys_; }
    const KeyPanel& keys() const { return keys_; }
    Keypad& keypad() { return keypad_; }
    const Keypad& keypad() const { return keypad_; }
    const DigitDisplay& digits() const { return digits_; }
    const Hd44780& lcd() const { return lcd_; }
    const Buzzer& buzzer() const { return buzzer_; }

private:
    // A part's signals resolved to pins once, since every pin change reads them.
    using PinRow = std::array<std::optional<BoardPin>, 8>;
    PinRow Resolve(std::string_view part, std::initializer_list<std::string_view> signalNames) const;
    // Bit i is the level on the pin of row[i]; `unwired` for a signal not connected.
    std::uint8_t Gather(const PinRow& row, bool unwired) const;
    // Feeds the parts wired to `port`.
    void Feed(std::size_t port, SimNanos at);

    BoardLayout layout_;
    PinRow ledPins_, keyPins_, keypadPins_, segmentPins_, selectPins_, lcdControlPins_, lcdDataPins_,
        buzzerPin_;
    // The ports each output part is wired to, bit per port: most changes concern one part.
    unsigned ledPorts_ = 0, digitPorts_ = 0, lcdPorts_ = 0, buzzerPorts_ = 0, keypadPorts_ = 0;
    std::optional<SimNanos> keypadWrittenAt_;
    std::array<std::uint8_t, kBoardPorts> levels_;
    LedRow leds_;
    KeyPanel keys_;
    Keypad keypad_;
    DigitDisplay digits_;
    Hd44780 lcd_;
    Buzzer buzzer_;
    double pot_ = 0.5;
};

}  // namespace viz
