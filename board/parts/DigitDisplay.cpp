#include "board/parts/DigitDisplay.h"

#include <algorithm>
#include <utility>

namespace viz {
namespace {

// A segment counts as steady when it was lit for nearly all or nearly none
// of its digit's time: the few microseconds between changing the segments
// and changing the digit are a ghost no eye sees.
constexpr double kSteadyMargin = 0.2;

constexpr std::pair<std::uint8_t, char> kSegmentFont[] = {
    {0x3F, '0'}, {0x06, '1'}, {0x5B, '2'}, {0x4F, '3'}, {0x66, '4'}, {0x6D, '5'}, {0x7D, '6'},
    {0x07, '7'}, {0x7F, '8'}, {0x6F, '9'}, {0x77, 'A'}, {0x7C, 'b'}, {0x39, 'C'}, {0x5E, 'd'},
    {0x79, 'E'}, {0x71, 'F'}, {0x00, ' '}, {0x40, '-'}, {0x08, '_'}, {0x76, 'H'}, {0x38, 'L'},
    {0x73, 'P'}, {0x3E, 'U'}, {0x54, 'n'}, {0x5C, 'o'}, {0x50, 'r'}, {0x78, 't'}, {0x6E, 'y'},
    {0x3D, 'G'}, {0x1E, 'J'}, {0x58, 'c'}, {0x74, 'h'}, {0x1C, 'u'}, {0x27, '7'}, {0x67, '9'},
};

}  // namespace

char SegmentCharacter(std::uint8_t segments) {
    for (const auto& [pattern, character] : kSegmentFont)
        if (pattern == (segments & 0x7F)) return character;
    return '?';
}

DigitDisplay::DigitDisplay(DigitWiring wiring, SimNanos frameNanos)
    : wiring_(wiring), meter_(kDigits + kDigits * 8, frameNanos) {}

bool DigitDisplay::DigitOn(int digit, std::uint8_t selectLevels) const {
    if (wiring_.decoderSelect) {
        const int output = selectLevels & 7;  // the decoder output pulled low
        return digit == (wiring_.decoderY0Left ? output : kDigits - 1 - output);
    }
    const bool level = (selectLevels >> digit) & 1;
    return level != wiring_.directActiveLow;
}

void DigitDisplay::Update(std::uint8_t segmentLevels, std::uint8_t selectLevels, SimNanos at) {
    const std::uint8_t lit = wiring_.commonAnode ? static_cast<std::uint8_t>(~segmentLevels) : segmentLevels;
    for (int digit = 0; digit < kDigits; ++digit) {
        const bool on = DigitOn(digit, selectLevels);
        meter_.Set(static_cast<std::size_t>(digit), on, at);
        for (int segment = 0; segment < 8; ++segment)
            meter_.Set(SegmentLight(digit, segment), on && ((lit >> segment) & 1), at);
    }
}

void DigitDisplay::AdvanceTo(SimNanos at) {
    meter_.AdvanceTo(at);
}

DigitState DigitDisplay::Digit(int index) const {
    DigitState state;
    state.selected = meter_.LastFrame(static_cast<std::size_t>(index));
    std::uint8_t pattern = 0;
    for (int segment = 0; segment < 8; ++segment) {
        const double lit = meter_.LastFrame(SegmentLight(index, segment));
        state.lit[static_cast<std::size_t>(segment)] = lit;
        if (state.selected <= 0) continue;
        const double share = lit / state.selected;
        if (share >= 1 - kSteadyMargin)
            pattern |= static_cast<std::uint8_t>(1u << segment);
        else if (share > kSteadyMargin)
            state.steady = false;
    }
    const char shown[] = {state.steady ? SegmentCharacter(pattern) : '?', '.'};
    state.character.assign(shown, state.steady && (pattern & 0x80) ? 2 : 1);
    return state;
}

double DigitDisplay::Brightness(int digit, int segment) const {
    const double selected = meter_.LastFrame(static_cast<std::size_t>(digit));
    return selected > 0 ? std::min(1.0, meter_.LastFrame(SegmentLight(digit, segment)) / selected) : 0;
}

std::string DigitDisplay::Text() const {
    std::string text;
    for (int digit = 0; digit < kDigits; ++digit) text += Digit(digit).character;
    return text;
}

}  // namespace viz
