#pragma once

// An 8-digit multiplexed seven-segment display as the eye sees it: the
// firmware lights one digit at a time, and each digit shows what it showed
// over the last frame. Segment bits follow the segment code convention
// (bit 0 = a ... bit 6 = g, bit 7 = dp); digit 0 is the leftmost.
//
//   DigitDisplay display(DigitWiring{});      // common cathode, 3-to-8 decoder
//   display.Update(0x5B, 7, t);               // "2" on the digit Y7 selects
//   ...
//   display.AdvanceTo(now);
//   display.Text()  -> "20261208"; display.Digit(0).character -> "2"

#include <array>
#include <cstdint>
#include <string>

#include "board/parts/BoardLayout.h"
#include "board/parts/FrameMeter.h"

namespace viz {

struct DigitState {
    std::array<double, 8> lit{};  // fraction of the last frame each segment was lit
    double selected = 0;          // fraction of the last frame the digit was switched on
    bool steady = true;           // every segment lit all or none of the digit's time
    std::string character;        // "2", "2." or " " when steady; "?" otherwise or unknown
};

class DigitDisplay {
public:
    static constexpr int kDigits = 8;

    explicit DigitDisplay(DigitWiring wiring, SimNanos frameNanos = FrameMeter::kDefaultFrame);

    // The levels on the segment lines (bit per segment) and on the select
    // lines (A, B, C in bits 0..2 with a decoder; DIG1..DIG8 in bits 0..7
    // when direct), from `at` on.
    void Update(std::uint8_t segmentLevels, std::uint8_t selectLevels, SimNanos at);
    void AdvanceTo(SimNanos at);

    DigitState Digit(int index) const;
    // A segment's brightness for drawing (0..1): the share of its digit's
    // time in the last frame it was lit. The scan itself does not dim a
    // digit to the eye; a segment lit for part of its digit's turn looks dimmer.
    double Brightness(int digit, int segment) const;
    // The digits' characters left to right, for the accessible text.
    std::string Text() const;
    std::uint64_t frames() const { return meter_.frames(); }

private:
    std::size_t SegmentLight(int digit, int segment) const { return kDigits + digit * 8 + segment; }
    bool DigitOn(int digit, std::uint8_t selectLevels) const;

    DigitWiring wiring_;
    FrameMeter meter_;
};

// The character a lit-segment pattern (bits 0..6 = a..g) shows: '0'..'9',
// 'A'..'F' and a few letters, ' ' for none; '?' for any other pattern.
char SegmentCharacter(std::uint8_t segments);

}  // namespace viz
