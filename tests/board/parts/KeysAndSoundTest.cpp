// What the chip reads from the keys and keypad, what the LEDs and the
// buzzer show of what it writes, on both built-in boards.
#include <gtest/gtest.h>

#include <string>

#include "PartsTestSupport.h"

namespace viz {
namespace {

using testing::FirmwareSteps;

struct KeypadLines {
    std::array<BoardPin, 4> rows;
    std::array<BoardPin, 4> columns;
};

KeypadLines LinesOf(const BoardLayout& layout) {
    KeypadLines lines;
    for (std::size_t i = 0; i < 4; ++i) {
        lines.rows[i] = *layout.Pin(part::kKeypad, testing::Numbered("R", i + 1));
        lines.columns[i] = *layout.Pin(part::kKeypad, testing::Numbered("C", i + 1));
    }
    return lines;
}

// Row scanning: each row driven low in turn, the columns read; the first
// low column names the key, as a keypad routine finds it.
std::optional<std::pair<int, int>> ScanRows(FirmwareSteps& steps, const KeypadLines& lines) {
    for (int row = 0; row < 4; ++row) {
        for (int r = 0; r < 4; ++r) steps.Pin(lines.rows[static_cast<std::size_t>(r)], r != row);
        for (BoardPin column : lines.columns) steps.Pin(column, true);
        for (int column = 0; column < 4; ++column)
            if (!steps.Read(lines.columns[static_cast<std::size_t>(column)])) return std::pair{row, column};
    }
    return std::nullopt;
}

// Line reversal: columns low to find the row, then rows low to find the column.
std::optional<std::pair<int, int>> ReverseLines(FirmwareSteps& steps, const KeypadLines& lines) {
    auto drive = [&](const std::array<BoardPin, 4>& low, const std::array<BoardPin, 4>& high) {
        for (BoardPin pin : low) steps.Pin(pin, false);
        for (BoardPin pin : high) steps.Pin(pin, true);
    };
    auto firstLow = [&](const std::array<BoardPin, 4>& read) {
        for (int i = 0; i < 4; ++i)
            if (!steps.Read(read[static_cast<std::size_t>(i)])) return i;
        return -1;
    };
    drive(lines.columns, lines.rows);
    const int row = firstLow(lines.rows);
    drive(lines.rows, lines.columns);
    const int column = firstLow(lines.columns);
    if (row < 0 || column < 0) return std::nullopt;
    return std::pair{row, column};
}

class BothBoards : public ::testing::TestWithParam<ChipFamily> {
protected:
    BoardLayout Layout() const {
        return GetParam() == ChipFamily::Avr ? AtMega16LearningBoard() : Mcs51LearningBoard();
    }
};

TEST_P(BothBoards, EveryKeypadKeyIsFoundByRowScanAndLineReversal) {
    LearningBoard board(Layout());
    FirmwareSteps steps(board);
    const KeypadLines lines = LinesOf(board.layout());
    EXPECT_EQ(ScanRows(steps, lines), std::nullopt);
    EXPECT_EQ(ReverseLines(steps, lines), std::nullopt);
    for (int row = 0; row < 4; ++row) {
        for (int column = 0; column < 4; ++column) {
            board.keypad().Press(row, column, true);
            EXPECT_EQ(board.keypad().StateText(row, column), std::string("按下"));
            EXPECT_EQ(ScanRows(steps, lines), std::pair(row, column));
            EXPECT_EQ(ReverseLines(steps, lines), std::pair(row, column));
            board.keypad().Press(row, column, false);
            EXPECT_EQ(board.keypad().StateText(row, column), std::string("松开"));
        }
    }
}

TEST_P(BothBoards, KeysPullTheirPinsLowOnlyWhilePressed) {
    LearningBoard board(Layout());
    FirmwareSteps steps(board);
    for (int key = 0; key < KeyPanel::kKeys; ++key) {
        const BoardPin pin = *board.layout().Pin(part::kKeys, testing::Numbered("K", key + 1));
        steps.Pin(pin, true);
        EXPECT_TRUE(steps.Read(pin));
        board.keys().Press(key, true);
        EXPECT_FALSE(steps.Read(pin)) << "K" << key + 1;
        EXPECT_EQ(board.keys().StateText(key), std::string("按下"));
        // Only that pin: the rest of its port reads what the chip puts out.
        EXPECT_EQ(board.ToChip()[pin.port].mask, 1u << pin.bit);
        board.keys().Press(key, false);
        EXPECT_TRUE(steps.Read(pin));
        EXPECT_EQ(board.keys().StateText(key), std::string("松开"));
    }
}

TEST_P(BothBoards, LedsShowTheirPinsActiveLowAsTheEyeSeesThem) {
    LearningBoard board(Layout());
    FirmwareSteps steps(board);
    const BoardPin d1 = *board.layout().Pin(part::kLeds, "D1");
    const BoardPin d8 = *board.layout().Pin(part::kLeds, "D8");
    steps.Port(d1.port, 0xFF);
    steps.Pin(d1, false);
    steps.Wait(40'000'000);
    EXPECT_EQ(board.leds().StateText(0), std::string("亮"));
    EXPECT_EQ(board.leds().StateText(7), std::string("灭"));
    // D8 pulsed 1 ms in every 10: dim but lit.
    for (int i = 0; i < 10; ++i) {
        steps.Pin(d8, false, 9'000'000);
        steps.Pin(d8, true, 1'000'000);
    }
    EXPECT_NEAR(board.leds().Brightness(7), 0.1, 0.01);
    EXPECT_EQ(board.leds().StateText(7), std::string("亮"));
    EXPECT_FALSE(board.leds().LitNow(7));
}

TEST_P(BothBoards, BuzzerSoundsAtItsPinsToggleFrequencyAndStopsWithIt) {
    LearningBoard board(Layout());
    FirmwareSteps steps(board);
    const BoardPin pin = *board.layout().Pin(part::kBuzzer, "BZ");
    EXPECT_EQ(board.buzzer().Frequency(steps.now()), 0.0);
    for (double hertz : {2000.0, 440.0}) {
        const auto half = static_cast<SimNanos>(5e8 / hertz);
        for (int i = 0; i < 200; ++i) {
            steps.Pin(pin, true, half);
            steps.Pin(pin, false, half);
        }
        EXPECT_NEAR(board.buzzer().Frequency(steps.now()), hertz, hertz * 0.01);
    }
    EXPECT_EQ(board.BuzzerText(steps.now()), "440 Hz");
    steps.Wait(10'000'000);
    EXPECT_EQ(board.buzzer().Frequency(steps.now()), 0.0);
}

INSTANTIATE_TEST_SUITE_P(Boards, BothBoards, ::testing::Values(ChipFamily::Mcs51, ChipFamily::Avr),
                         [](const auto& test) {
                             return test.param == ChipFamily::Avr ? "ATmega16" : "Mcs51";
                         });

TEST(Keypad, ThreeKeysInAnLShowTheFourthAsAGhost) {
    // Keys (1,1), (1,2) and (2,1) chain row 2 to column 2: scanning row 2
    // sees column 2 low although key (2,2) is up, as on a real keypad.
    Keypad pad;
    pad.Press(0, 0, true);
    pad.Press(0, 1, true);
    pad.Press(1, 0, true);
    const auto rowTwoLow = static_cast<std::uint8_t>(0xFF & ~0x02);
    EXPECT_EQ(pad.LineLevels(rowTwoLow), static_cast<std::uint8_t>(~(0x02 | 0x01 | 0x10 | 0x20)));
    EXPECT_EQ(pad.LineLevels(0xFF), 0xFF) << "nothing driven low, nothing reads low";
}

TEST(LearningBoard, LcdReadAndKeyOnOneLineLeaveItLowAndThePotGivesItsVoltage) {
    BoardLayout layout = AtMega16LearningBoard();
    layout.SetPin(part::kKeys, "K1", layout.Pin(part::kLcd, "D7"));
    LearningBoard board(layout);
    FirmwareSteps steps(board);
    // A status read: the controller drives D7 (busy) low once idle.
    steps.Pin(layout.Pin(part::kLcd, "E"), false);
    steps.Pin(layout.Pin(part::kLcd, "RS"), false);
    steps.Pin(layout.Pin(part::kLcd, "RW"), true);
    steps.Pin(layout.Pin(part::kLcd, "E"), true);
    const BoardPin d7 = *layout.Pin(part::kLcd, "D7");
    EXPECT_EQ(board.ToChip()[d7.port].mask, 0xFF);
    EXPECT_FALSE(steps.Read(d7));
    board.keys().Press(0, true);
    EXPECT_FALSE(steps.Read(d7));
    steps.Pin(layout.Pin(part::kLcd, "E"), false);
    EXPECT_EQ(board.ToChip()[d7.port].mask, 1u << d7.bit) << "only the key still drives the line";

    board.SetPotPosition(0.25);
    EXPECT_EQ(board.PotMillivolts(5000), 1250u);
    EXPECT_EQ(board.PotText(5000), "1.25 V");
    board.SetPotPosition(2.0);
    EXPECT_EQ(board.PotMillivolts(5000), 5000u);
}

}  // namespace
}  // namespace viz
