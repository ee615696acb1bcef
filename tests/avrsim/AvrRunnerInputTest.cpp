// Firmware files that must not bring the AVR runner down: ELF files with
// damaged section headers (the library's loader trusts them), and Intel HEX
// files whose records lie gigabytes apart. The runner refuses them with the
// window's own reason before anything is loaded.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <fstream>
#include <random>
#include <string>

#include "RunnerSession.h"
#include "TempDir.h"
#include "board/FirmwareCheck.h"
#include "wizards/ToolRunner.h"

namespace viz {
namespace {

const BoardChip kAtmega16{
    ChipFamily::Avr, "ATmega16", "atmega16", 16384, {"PORTA", "PORTB", "PORTC", "PORTD"}};

// How a run of the runner ended: up and running, refused, or killed by a signal.
struct RunnerOutcome {
    bool running = false;
    ExitStatus status;
    std::string output;
};

RunnerOutcome RunBriefly(const std::filesystem::path& firmware, unsigned memoryKiB = 0) {
    testing::RunnerSession runner(firmware, "atmega16", 8000000, memoryKiB);
    const auto up = [&] {
        for (const avrsim::Line& line : runner.reports()) {
            if (std::holds_alternative<avrsim::UartLine>(line)) return true;
        }
        return false;
    };
    RunnerOutcome outcome;
    outcome.running = runner.Until(up);
    if (!outcome.running) outcome.status = runner.End();
    outcome.output = runner.output();
    return outcome;
}

void Put(std::string& bytes, std::size_t at, std::uint32_t value, int size) {
    for (int i = 0; i < size; ++i) bytes[at + i] = static_cast<char>(value >> (8 * i));
}

// One damage to the section headers: a field of the ELF header that places
// the table, or one field of one entry, set to a value a damaged file holds.
std::string Damaged(std::string elf, std::mt19937& random) {
    const auto pick = [&](std::uint32_t below) {
        return std::uniform_int_distribution<std::uint32_t>(0, below - 1)(random);
    };
    const std::uint32_t tableAt = static_cast<std::uint8_t>(elf[32]) |
                                  static_cast<std::uint8_t>(elf[33]) << 8 |
                                  static_cast<std::uint8_t>(elf[34]) << 16;
    const std::uint32_t count = static_cast<std::uint8_t>(elf[48]) | static_cast<std::uint8_t>(elf[49]) << 8;
    const std::uint32_t values[] = {pick(0xFFFFFFFF), pick(static_cast<std::uint32_t>(elf.size()) * 2), 0,
                                    0xFFFFFFFF, pick(64)};
    const std::uint32_t value = values[pick(5)];
    if (pick(4) == 0) {
        // e_shoff, e_shentsize, e_shnum, e_shstrndx
        const struct {
            std::size_t at;
            int size;
        } fields[] = {{32, 4}, {46, 2}, {48, 2}, {50, 2}};
        const auto& field = fields[pick(4)];
        Put(elf, field.at, value, field.size);
        return elf;
    }
    // sh_name, sh_type, sh_flags, sh_offset, sh_size, sh_link, sh_entsize
    const std::size_t fieldAt[] = {0, 4, 8, 16, 20, 24, 36};
    Put(elf, tableAt + 40 * pick(count) + fieldAt[pick(7)], value, 4);
    return elf;
}

TEST(AvrRunnerInput, DamagedSectionHeadersAreRefusedByTheCheckAndTheRunnerAlike) {
    ASSERT_FALSE(testing::FindOnPath("avr-gcc").empty()) << "avr-gcc (package gcc-avr) is not installed";
    testing::TempDir dir;
    std::string log;
    const auto elf = testing::BuildTestFirmware(dir.path(), "frame.c", "atmega16",
                                                "-DFRAME=6 -DDOUBLE=0 -DUBRR_VALUE=51", log);
    ASSERT_FALSE(elf.empty()) << log;
    const std::string intact = testing::ReadFile(elf);
    ASSERT_TRUE(CheckFirmware(elf, kAtmega16).ok);

    std::mt19937 random(20261209);
    int refused = 0;
    for (int round = 0; round < 150; ++round) {
        const std::filesystem::path file = dir / ("damaged-" + std::to_string(round) + ".elf");
        std::ofstream(file, std::ios::binary) << Damaged(intact, random);
        const FirmwareCheck check = CheckFirmware(file, kAtmega16);
        const RunnerOutcome outcome = RunBriefly(file);
        SCOPED_TRACE("round " + std::to_string(round) + ": " + check.problem + "\n" + outcome.output);
        ASSERT_FALSE(outcome.status.signalled) << DescribeExit(outcome.status);
        // What the window lets through the runner loads, and what it refuses
        // the runner refuses too.
        EXPECT_EQ(outcome.running, check.ok);
        if (!check.ok) {
            ++refused;
            EXPECT_EQ(outcome.status.code, 2);
            EXPECT_NE(outcome.output.find(check.problem), std::string::npos);
        }
    }
    EXPECT_GT(refused, 0);
}

// Damages that once crashed the runner: a section's name outside the name
// table, and a name table marked compressed.
TEST(AvrRunnerInput, FilesThatOnceCrashedTheRunnerAreRefused) {
    for (const char* name : {"damaged-section-name.elf", "compressed-name-table.elf"}) {
        SCOPED_TRACE(name);
        const std::filesystem::path file = std::filesystem::path(VIZ_AVRSIM_TEST_DATA) / name;
        const FirmwareCheck check = CheckFirmware(file, kAtmega16);
        EXPECT_FALSE(check.ok);
        EXPECT_EQ(check.problem.find("固件已损坏：ELF文件" + std::string(name)), 0u) << check.problem;
        const RunnerOutcome outcome = RunBriefly(file);
        EXPECT_FALSE(outcome.running);
        EXPECT_FALSE(outcome.status.signalled) << DescribeExit(outcome.status);
        EXPECT_EQ(outcome.status.code, 2);
        EXPECT_NE(outcome.output.find(check.problem), std::string::npos) << outcome.output;
    }
}

// The library's loader takes lock bits from the fuse section, which this
// program has none of.
TEST(AvrRunnerInput, FirmwareWithLockBitsAndNoFusesRuns) {
    ASSERT_FALSE(testing::FindOnPath("avr-gcc").empty()) << "avr-gcc (package gcc-avr) is not installed";
    testing::TempDir dir;
    std::string log;
    const auto elf = testing::BuildTestFirmware(dir.path(), "lockbits.c", "atmega16", "-DUBRR_VALUE=51", log);
    ASSERT_FALSE(elf.empty()) << log;
    EXPECT_TRUE(CheckFirmware(elf, kAtmega16).ok);
    testing::RunnerSession runner(elf, "atmega16");
    EXPECT_TRUE(runner.Until([&] { return runner.transcript() == "locked\r\n"; }))
        << runner.transcript() << runner.output();
}

TEST(AvrRunnerInput, HexRecordsFarBeyondTheFlashAreRefusedAtTheFirstSuchRecord) {
    testing::TempDir dir;
    // Code at 0, then an extended linear address of 0x80000000 and one byte there.
    const std::filesystem::path file = dir / "far.hex";
    std::ofstream(file, std::ios::binary) << ":020000040000FA\r\n"
                                             ":0400000001020304F2\r\n"
                                             ":0200000480007A\r\n"
                                             ":0100000055AA\r\n"
                                             ":00000001FF\r\n";
    const FirmwareCheck check = CheckFirmware(file, kAtmega16);
    ASSERT_FALSE(check.ok);
    EXPECT_NE(check.problem.find("第4行"), std::string::npos) << check.problem;
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    constexpr unsigned kMemoryKiB = 0;  // the sanitizers reserve more than any limit would allow
#else
    // Far more than a chip's image needs, far less than one 2 GiB apart.
    constexpr unsigned kMemoryKiB = 512 * 1024;
#endif
    const RunnerOutcome outcome = RunBriefly(file, kMemoryKiB);
    EXPECT_FALSE(outcome.running);
    EXPECT_FALSE(outcome.status.signalled) << DescribeExit(outcome.status) << "\n" << outcome.output;
    EXPECT_EQ(outcome.status.code, 2);
    EXPECT_NE(outcome.output.find(check.problem), std::string::npos) << outcome.output;
}

}  // namespace
}  // namespace viz
