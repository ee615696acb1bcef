#include "wizards/avr/AvrUartWizard.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include <unistd.h>

#include "TempDir.h"

namespace viz {
namespace {

std::string Label(const char* frequency, const char* baud) {
    return UbrrLabel(ComputeUbrr(LeadingDecimal(frequency), LeadingDecimal(baud)));
}

TEST(AvrUbrr, FormulaCases) {
    EXPECT_EQ(Label("12000000", "9600"), "UBRRH=0x00;\r\nUBRRL=0x4F;");
    EXPECT_EQ(Label("8000000", "9600"), "UBRRH=0x00;\r\nUBRRL=0x35;");
    EXPECT_EQ(Label("16000000", "1200"), "UBRRH=0x03;\r\nUBRRL=0x42;");
    EXPECT_EQ(Label("", "9600"), "UBRRH=0x00;\r\nUBRRL=0x01;");
}

TEST(AvrUbrr, ZeroBaudWrapsTheDivisorInsteadOfDividingByZero) {
    EXPECT_EQ(Label("12000000", "0"), "UBRRH=0x00;\r\nUBRRL=0x01;");
    const Ubrr wide = ComputeUbrr(99999999, 1200);  // 5208 + 1: more than 12 bits are kept
    EXPECT_EQ(wide.high, 0x14u);
    EXPECT_EQ(wide.low, 0x59u);
}

TEST(AvrUbrr, OnlyLeadingDigitsCount) {
    EXPECT_EQ(LeadingDecimal("12000000"), 12000000u);
    EXPECT_EQ(LeadingDecimal("8M"), 8u);
    EXPECT_EQ(LeadingDecimal("x8"), 0u);
    EXPECT_EQ(LeadingDecimal(" 8"), 0u);
    EXPECT_EQ(LeadingDecimal(""), 0u);
}

std::string ReadFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream content;
    content << in.rdbuf();
    return content.str();
}

TEST(AvrUartProgram, StartStateMatchesTheExpectedFile) {
    std::string expected;
    for (char c : ReadFile(VIZ_AVR_EXPECTED_PROGRAM)) {
        if (c == '\n') expected += '\r';
        expected += c;
    }
    ASSERT_GT(expected.size(), 500u);
    EXPECT_EQ(AvrUartProgram(ComputeUbrr(12000000, 9600)), expected);
}

std::filesystem::path FindOnPath(const std::string& program) {
    const char* path = std::getenv("PATH");
    std::stringstream dirs(path ? path : "");
    std::string dir;
    while (std::getline(dirs, dir, ':')) {
        const std::filesystem::path candidate = std::filesystem::path(dir.empty() ? "." : dir) / program;
        if (::access(candidate.c_str(), X_OK) == 0) return candidate;
    }
    return {};
}

// Appends only: GCC 12 at -O3 reports a false overlap (-Wrestrict) for a
// literal put in front of a temporary string.
std::string Quoted(const std::filesystem::path& path) {
    return std::string("'").append(path.string()).append("'");
}

TEST(AvrUartProgram, CompilesForTheAtmega16) {
    const std::filesystem::path compiler = FindOnPath("avr-gcc");
    if (compiler.empty()) GTEST_SKIP() << "avr-gcc is not installed (packages gcc-avr and avr-libc)";
    testing::TempDir dir;
    for (const auto& [frequency, baud] : {std::pair{12000000u, 9600u}, std::pair{16000000u, 1200u}}) {
        const std::filesystem::path source = dir / "uart.c";
        std::ofstream(source, std::ios::binary) << AvrUartProgram(ComputeUbrr(frequency, baud));
        const std::filesystem::path log = dir / "avr-gcc.log";
        const std::string command = Quoted(compiler) + " -mmcu=atmega16 -Os -Wall -Werror -o " +
                                    Quoted(dir / "uart.elf") + " " + Quoted(source) + " > " + Quoted(log) +
                                    " 2>&1";
        EXPECT_EQ(std::system(command.c_str()), 0) << ReadFile(log);
        EXPECT_TRUE(std::filesystem::exists(dir / "uart.elf"));
    }
}

}  // namespace
}  // namespace viz
