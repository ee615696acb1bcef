// The eight scanned digits as the eye sees them, driven through the learning
// board's pins at 1 ms per digit like the usual display routine.
#include <gtest/gtest.h>

#include <string>

#include "PartsTestSupport.h"

namespace viz {
namespace {

using testing::FirmwareSteps;

constexpr std::uint8_t kCathodeCodes[10] = {0x3F, 0x06, 0x5B, 0x4F, 0x66, 0x6D, 0x7D, 0x07, 0x7F, 0x6F};

struct ScanCase {
    const char* name;
    bool decoder;
    bool anode;
};

BoardLayout DisplayLayout(const ScanCase& scan) {
    BoardLayout layout = Mcs51LearningBoard();
    layout.digits.commonAnode = scan.anode;
    layout.digits.decoderSelect = scan.decoder;
    if (!scan.decoder) {
        // Direct select on P2 (active low), leaving the LEDs off that port.
        for (int i = 0; i < 8; ++i) {
            layout.SetPin(part::kLeds, testing::Numbered("D", i + 1), std::nullopt);
            layout.SetPin(part::kDigits, testing::Numbered("DIG", i + 1),
                          BoardPin{2, static_cast<std::uint8_t>(i)});
        }
    }
    return layout;
}

// The display routine: select a digit, put out its segments, hold 1 ms,
// blank the segments so the next digit does not show them.
class ScanFirmware {
public:
    ScanFirmware(LearningBoard& board, const ScanCase& scan) : steps_(board), scan_(scan), board_(board) {}

    FirmwareSteps& steps() { return steps_; }

    void ShowDigit(int position, std::uint8_t segments, SimNanos hold = 1'000'000) {
        const BoardLayout& layout = board_.layout();
        if (scan_.decoder) {
            // Y0 is the rightmost digit on this board.
            const int output = 7 - position;
            const char* lines[] = {"A", "B", "C"};
            for (int i = 0; i < 3; ++i) steps_.Pin(layout.Pin(part::kDigits, lines[i]), (output >> i) & 1);
        } else {
            steps_.Port(2, static_cast<std::uint8_t>(~(1u << position)));
        }
        steps_.Port(0, Levels(segments));
        steps_.Wait(hold);
        steps_.Port(0, Levels(0));
    }
    void ShowNumber(const std::string& digits, SimNanos hold = 1'000'000) {
        for (std::size_t i = 0; i < digits.size(); ++i)
            ShowDigit(static_cast<int>(i), kCathodeCodes[digits[i] - '0'], hold);
    }

private:
    std::uint8_t Levels(std::uint8_t segments) const {
        return scan_.anode ? static_cast<std::uint8_t>(~segments) : segments;
    }

    FirmwareSteps steps_;
    ScanCase scan_;
    LearningBoard& board_;
};

class DigitScan : public ::testing::TestWithParam<ScanCase> {};

TEST_P(DigitScan, ShowsTheNumberSteadilyInEveryFrame) {
    LearningBoard board(DisplayLayout(GetParam()));
    ScanFirmware firmware(board, GetParam());
    std::uint64_t checked = 0;
    std::uint64_t seen = board.digits().frames();
    while (firmware.steps().now() < 300'000'000) {
        firmware.ShowNumber("20261208");
        if (board.digits().frames() == seen) continue;
        seen = board.digits().frames();
        ASSERT_EQ(board.digits().Text(), "20261208") << "frame " << seen;
        ++checked;
    }
    EXPECT_GE(checked, 14u);
    // Every lit segment is drawn at full brightness, though each digit is
    // lit for only an eighth of the time.
    const DigitState two = board.digits().Digit(0);
    EXPECT_TRUE(two.steady);
    EXPECT_NEAR(two.selected, 0.125, 0.03);
    EXPECT_NEAR(board.digits().Brightness(0, 0), 1.0, 0.01);  // segment a of "2"
    EXPECT_EQ(board.digits().Brightness(0, 2), 0.0);          // segment c is dark in "2"
}

INSTANTIATE_TEST_SUITE_P(Wirings, DigitScan,
                         ::testing::Values(ScanCase{"DecoderCathode", true, false},
                                           ScanCase{"DecoderAnode", true, true},
                                           ScanCase{"DirectCathode", false, false},
                                           ScanCase{"DirectAnode", false, true}),
                         [](const auto& test) { return std::string(test.param.name); });

TEST(DigitDisplay, ShowsAChangeMidFrameAsMixedAndASlowScanAsBlankDigits) {
    const ScanCase scan{"DecoderCathode", true, false};
    LearningBoard board(DisplayLayout(scan));
    ScanFirmware firmware(board, scan);
    while (firmware.steps().now() < 40'000'000) firmware.ShowNumber("20261208");
    ASSERT_EQ(board.digits().Text(), "20261208");

    // The last digit changes from 8 to 9 within the frame from 40 to 60 ms:
    // one pass ending at 48.3 ms shows 8, the next ends at 56.3 ms with 9.
    while (firmware.steps().now() < 41'000'000) firmware.ShowNumber("20261208");
    while (firmware.steps().now() < 60'000'000) firmware.ShowNumber("20261209");
    ASSERT_LT(firmware.steps().now(), 80'000'000u);
    EXPECT_EQ(board.digits().Text(), "2026120?");
    EXPECT_FALSE(board.digits().Digit(7).steady);
    while (firmware.steps().now() < 100'000'000) firmware.ShowNumber("20261209");
    EXPECT_EQ(board.digits().Text(), "20261209");

    // Ten milliseconds a digit: an 80 ms scan leaves digits dark for whole frames.
    bool blankSeen = false;
    std::uint64_t seen = board.digits().frames();
    while (firmware.steps().now() < 400'000'000) {
        for (int digit = 0; digit < 8; ++digit) {
            firmware.ShowDigit(digit, kCathodeCodes[digit], 10'000'000);
            if (board.digits().frames() == seen) continue;
            seen = board.digits().frames();
            blankSeen = blankSeen || board.digits().Text().find(' ') != std::string::npos;
        }
    }
    EXPECT_TRUE(blankSeen);

    // A decimal point and a letter.
    for (int i = 0; i < 30; ++i)
        for (int digit = 0; digit < 8; ++digit) firmware.ShowDigit(digit, digit == 0 ? 0xBF : 0x77);
    EXPECT_EQ(board.digits().Text(), "0.AAAAAAA");
}

}  // namespace
}  // namespace viz
