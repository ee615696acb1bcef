#include "wizards/avr/AvrUartWizard.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "TempDir.h"
#include "wizards/ToolRunner.h"

namespace viz {
namespace {

std::string Label(const char* frequency, const char* baud) {
    return UbrrLabel(ComputeUbrr(LeadingDecimal(frequency), LeadingDecimal(baud)));
}

TEST(AvrUbrr, DatasheetFormulaWithTheRealRate) {
    // round(12000000 / 153600) - 1 = 77; 12000000 / (16 x 78) = 9615.4 baud.
    EXPECT_EQ(Label("12000000", "9600"), "UBRRH=0x00;\r\nUBRRL=0x4D;\r\n实际波特率：9615（误差+0.2%）");
    EXPECT_EQ(Label("8000000", "9600"), "UBRRH=0x00;\r\nUBRRL=0x33;\r\n实际波特率：9615（误差+0.2%）");
    EXPECT_EQ(Label("16000000", "1200"), "UBRRH=0x03;\r\nUBRRL=0x40;\r\n实际波特率：1200（误差+0.0%）");
    EXPECT_EQ(Label("11059200", "115200"), "UBRRH=0x00;\r\nUBRRL=0x05;\r\n实际波特率：115200（误差+0.0%）");
    // 16000000 / 1843200 = 8.68, 9 counts: 111111 baud, flagged.
    EXPECT_EQ(Label("16000000", "115200"),
              "UBRRH=0x00;\r\nUBRRL=0x08;\r\n实际波特率：111111（误差-3.5%，超过2%，通信可能出错！）");
    EXPECT_TRUE(ComputeUbrr(12000000, 9600).acceptable());
    EXPECT_FALSE(ComputeUbrr(16000000, 115200).acceptable());
}

TEST(AvrUbrr, RatesOutOfReachStayWithinTheRegister) {
    // No clock: the fastest setting, which gives nothing.
    EXPECT_EQ(Label("", "9600"),
              "UBRRH=0x00;\r\nUBRRL=0x00;\r\n实际波特率：0（误差-100.0%，超过2%，通信可能出错！）");
    // 99999999 Hz at 1200 would need 5207, more than 12 bits: UBRRH bit 7
    // would write UCSRC instead, so the slowest setting is kept.
    const Ubrr slow = ComputeUbrr(99999999, 1200);
    EXPECT_EQ(slow.high, 0x0Fu);
    EXPECT_EQ(slow.low, 0xFFu);
    EXPECT_FALSE(slow.acceptable());
    const Ubrr none = ComputeUbrr(12000000, 0);
    EXPECT_EQ(none.high << 8 | none.low, 4095u);
}

TEST(AvrUbrr, OnlyLeadingDigitsCount) {
    EXPECT_EQ(LeadingDecimal("12000000"), 12000000u);
    EXPECT_EQ(LeadingDecimal("8M"), 8u);
    EXPECT_EQ(LeadingDecimal("x8"), 0u);
    EXPECT_EQ(LeadingDecimal(" 8"), 0u);
    EXPECT_EQ(LeadingDecimal(""), 0u);
}

TEST(AvrUartProgram, StartStateMatchesTheExpectedFile) {
    std::string expected;
    for (char c : testing::ReadFile(VIZ_AVR_EXPECTED_PROGRAM)) {
        if (c == '\n') expected += '\r';
        expected += c;
    }
    ASSERT_GT(expected.size(), 500u);
    EXPECT_EQ(AvrUartProgram(ComputeUbrr(12000000, 9600)), expected);
}

TEST(AvrUartProgram, CompilesForTheAtmega16) {
    if (testing::FindOnPath("avr-gcc").empty())
        GTEST_SKIP() << "avr-gcc is not installed (packages gcc-avr and avr-libc)";
    testing::TempDir dir;
    for (const auto& [frequency, baud] : {std::pair{12000000u, 9600u}, std::pair{16000000u, 1200u}}) {
        std::ofstream(dir / "uart.c", std::ios::binary) << AvrUartProgram(ComputeUbrr(frequency, baud));
        const testing::CommandResult built =
            testing::RunIn(dir.path(), "avr-gcc -mmcu=atmega16 -Os -Wall -Werror -o uart.elf uart.c");
        EXPECT_TRUE(built.ok) << built.output;
        EXPECT_TRUE(std::filesystem::exists(dir / "uart.elf"));
    }
}

}  // namespace
}  // namespace viz
