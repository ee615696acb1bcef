// The LCD1602 driven through the learning board's pins the way firmware
// drives it: 8-bit and 4-bit transfers, busy flag polling, reads, shifts.
#include <gtest/gtest.h>

#include <string>

#include "PartsTestSupport.h"
#include "board/parts/Hd44780Rom.h"

namespace viz {
namespace {

using testing::FirmwareSteps;

constexpr std::array<std::uint8_t, 8> kHeart{0x00, 0x0A, 0x1F, 0x1F, 0x0E, 0x04, 0x00, 0x00};

// An LCD driver as firmware writes one, on the layout's LCD pins.
class LcdFirmware {
public:
    LcdFirmware(LearningBoard& board, bool fourBit) : steps_(board), fourBit_(fourBit) {
        const BoardLayout& layout = board.layout();
        rs_ = layout.Pin(part::kLcd, "RS");
        rw_ = layout.Pin(part::kLcd, "RW");
        e_ = layout.Pin(part::kLcd, "E");
        for (int i = 0; i < 8; ++i)
            data_[static_cast<std::size_t>(i)] = layout.Pin(part::kLcd, testing::Numbered("D", i));
        steps_.Pin(e_, false);
    }

    FirmwareSteps& steps() { return steps_; }

    // The power-on sequence of the datasheet, then two lines, display on,
    // increment, clear.
    void Initialise() {
        steps_.Wait(20'000'000);
        for (int i = 0; i < 3; ++i) {
            Transfer(false, 0x30, true);
            steps_.Wait(5'000'000);
        }
        if (fourBit_) {
            Transfer(false, 0x20, true);
            steps_.Wait(100'000);
        }
        Command(fourBit_ ? 0x28 : 0x38);
        Command(0x0C);
        Command(0x06);
        Command(0x01);
    }
    void Command(std::uint8_t instruction) {
        WaitReady();
        Transfer(false, instruction, false);
    }
    void Data(std::uint8_t value) {
        WaitReady();
        Transfer(true, value, false);
    }
    void Text(const std::string& text) {
        for (char c : text) Data(static_cast<std::uint8_t>(c));
    }
    std::uint8_t ReadStatus() { return Read(false); }
    std::uint8_t ReadData() {
        WaitReady();
        return Read(true);
    }
    void WaitReady() {
        while (ReadStatus() & 0x80) steps_.Wait(2'000);
    }

private:
    // One byte, or with `single` only its high half as one 4-bit strobe.
    void Transfer(bool rs, std::uint8_t value, bool single) {
        steps_.Pin(rs_, rs);
        steps_.Pin(rw_, false);
        if (!fourBit_ || single) {
            Strobe(value);
            return;
        }
        Strobe(value);
        Strobe(static_cast<std::uint8_t>(value << 4));
    }
    void Strobe(std::uint8_t value) {
        for (std::size_t i = 0; i < 8; ++i) steps_.Pin(data_[i], (value >> i) & 1, 100);
        steps_.Pin(e_, true);
        steps_.Pin(e_, false);
    }
    std::uint8_t Read(bool rs) {
        steps_.Pin(rs_, rs);
        for (std::size_t i = 0; i < 8; ++i) steps_.Pin(data_[i], true, 100);
        steps_.Pin(rw_, true);
        std::uint8_t value = ReadStrobe();
        if (fourBit_) value = static_cast<std::uint8_t>((value & 0xF0) | (ReadStrobe() >> 4));
        steps_.Pin(rw_, false);
        return value;
    }
    std::uint8_t ReadStrobe() {
        steps_.Pin(e_, true);
        std::uint8_t value = 0;
        for (std::size_t i = 0; i < 8; ++i)
            if (data_[i] && steps_.Read(*data_[i])) value |= static_cast<std::uint8_t>(1u << i);
        steps_.Pin(e_, false);
        return value;
    }

    FirmwareSteps steps_;
    bool fourBit_;
    std::optional<BoardPin> rs_, rw_, e_;
    std::array<std::optional<BoardPin>, 8> data_;
};

// The common board's LCD wiring, with only D4..D7 connected for 4-bit use.
BoardLayout LcdLayout(bool fourBit) {
    BoardLayout layout = Mcs51LearningBoard();
    if (fourBit)
        for (const char* line : {"D0", "D1", "D2", "D3"}) layout.SetPin(part::kLcd, line, std::nullopt);
    return layout;
}

std::string Utf8(char32_t c) {
    std::string text;
    AppendUtf8(text, c);
    return text;
}

class LcdInterface : public ::testing::TestWithParam<bool> {};

TEST_P(LcdInterface, WritesTextAndAUserCharacterAndReadsThemBack) {
    LearningBoard board(LcdLayout(GetParam()));
    LcdFirmware lcd(board, GetParam());
    lcd.Initialise();
    lcd.Command(0x40);  // CGRAM character 0
    for (std::uint8_t row : kHeart) lcd.Data(row);
    lcd.Command(0x80);
    lcd.Text("Hello, Duvezer");
    lcd.Command(0xC0);
    lcd.Data(0x00);
    lcd.Data(0x5C);
    lcd.Data(0xB1);

    const Hd44780& controller = board.lcd();
    EXPECT_EQ(controller.eightBit(), !GetParam());
    EXPECT_EQ(controller.LineText(0), "Hello, Duvezer  ");
    EXPECT_EQ(controller.LineText(1), Utf8(0xFFFD) + "¥ｱ" + std::string(13, ' '));
    EXPECT_EQ(controller.LineCodes(1)[0], 0x00);
    EXPECT_EQ(controller.Glyph(0x00), kHeart);
    EXPECT_EQ(controller.Glyph(0x08), kHeart) << "codes 8..15 repeat the user characters";
    EXPECT_EQ(controller.Glyph('H'), (GlyphRows{0x11, 0x11, 0x11, 0x1F, 0x11, 0x11, 0x11, 0x00}));
    EXPECT_EQ(controller.lostWhileBusy(), 0u) << "the firmware waited for the busy flag";

    // The address counter in the status, then the data back from both RAMs.
    lcd.WaitReady();
    EXPECT_EQ(lcd.ReadStatus(), 0x43);
    lcd.Command(0x85);
    EXPECT_EQ(lcd.ReadData(), ',');
    EXPECT_EQ(lcd.ReadData(), ' ');
    EXPECT_EQ(lcd.ReadStatus() & 0x7F, 0x07) << "each read moves the address on";
    lcd.Command(0x41);
    EXPECT_EQ(lcd.ReadData(), 0x0A);
    EXPECT_EQ(lcd.ReadData(), 0x1F);
}

INSTANTIATE_TEST_SUITE_P(EightAndFourBit, LcdInterface, ::testing::Bool());

TEST(Lcd, BusyFlagFollowsTheExecutionTimesAndLosesWritesSentTooEarly) {
    LearningBoard board(LcdLayout(false));
    LcdFirmware lcd(board, false);
    lcd.Initialise();
    FirmwareSteps& steps = lcd.steps();

    lcd.Command(0x01);                     // 1.52 ms at 270 kHz
    const SimNanos cleared = steps.now();  // when the strobe fell
    EXPECT_TRUE(lcd.ReadStatus() & 0x80);
    EXPECT_TRUE(board.lcd().Busy(cleared + 1'510'000));
    EXPECT_FALSE(board.lcd().Busy(cleared + 1'520'000));
    lcd.WaitReady();
    EXPECT_GE(steps.now() - cleared, 1'510'000u);
    EXPECT_LE(steps.now() - cleared, 1'540'000u);

    lcd.Data('A');  // 37 us
    const SimNanos written = steps.now();
    EXPECT_TRUE(board.lcd().Busy(written + 36'000));
    EXPECT_FALSE(board.lcd().Busy(written + 38'000));
    // Sent at once, without waiting: the controller is still busy and drops it.
    steps.Pin(board.layout().Pin(part::kLcd, "RS"), true);
    for (int i = 0; i < 8; ++i)
        steps.Pin(board.layout().Pin(part::kLcd, testing::Numbered("D", i)), ('B' >> i) & 1, 100);
    steps.Pin(board.layout().Pin(part::kLcd, "E"), true);
    steps.Pin(board.layout().Pin(part::kLcd, "E"), false);
    EXPECT_EQ(board.lcd().lostWhileBusy(), 1u);
    EXPECT_EQ(board.lcd().LineText(0).substr(0, 2), "A ");

    // A slower controller clock stretches the times.
    BoardLayout slow = LcdLayout(false);
    slow.lcdClockHertz = 135000;
    LearningBoard slowBoard(slow);
    LcdFirmware slowLcd(slowBoard, false);
    slowLcd.Initialise();
    slowLcd.Data('A');
    const SimNanos slowWritten = slowLcd.steps().now();
    EXPECT_TRUE(slowBoard.lcd().Busy(slowWritten + 72'000));
    EXPECT_FALSE(slowBoard.lcd().Busy(slowWritten + 76'000));
}

TEST(Lcd, ShiftsTheDisplayAndMovesTheCursorOverBothLines) {
    LearningBoard board(LcdLayout(true));
    LcdFirmware lcd(board, true);
    lcd.Initialise();
    lcd.Text("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmn");  // all 40 cells of line 1
    lcd.Text("0123");                                      // runs on into line 2
    const Hd44780& controller = board.lcd();
    EXPECT_EQ(controller.LineText(0), "ABCDEFGHIJKLMNOP");
    EXPECT_EQ(controller.LineText(1), "0123            ");

    for (int i = 0; i < 4; ++i) lcd.Command(0x18);  // display left
    EXPECT_EQ(controller.LineText(0), "EFGHIJKLMNOPQRST");
    EXPECT_EQ(controller.LineText(1), std::string(16, ' ')) << "line 2 shifts with line 1";
    for (int i = 0; i < 6; ++i) lcd.Command(0x1C);  // display right, past the start
    EXPECT_EQ(controller.LineText(0), "mnABCDEFGHIJKLMN");

    lcd.Command(0x0E);  // cursor on
    lcd.Command(0x02);  // home: shift and address back to the start
    EXPECT_EQ(controller.LineText(0), "ABCDEFGHIJKLMNOP");
    lcd.Command(0x14);  // cursor right
    LcdCursor cursor = controller.Cursor(lcd.steps().now());
    EXPECT_TRUE(cursor.shown && cursor.underline);
    EXPECT_EQ(cursor.line, 0);
    EXPECT_EQ(cursor.column, 1);

    // Entry mode with shift: the text stays put under a moving display.
    lcd.Command(0x01);
    lcd.Command(0x8F);
    lcd.Command(0x07);
    lcd.Text("XYZ");
    EXPECT_EQ(controller.LineText(0), "            XYZ ");
    lcd.Command(0x08);  // display off
    EXPECT_EQ(controller.LineText(0), std::string(16, ' '));
}

}  // namespace
}  // namespace viz
