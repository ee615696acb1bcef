// What is refused before a download tool starts: files that are no
// firmware, HEX files with a bad record or too large for the chip, ELF files
// for another machine or for an STC chip; and what passes unchanged. Also the
// registry of ports a download holds.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "TempDir.h"
#include "base/DownloadPorts.h"
#include "flash/FlashFirmware.h"

namespace viz {
namespace {

using testing::TempDir;

std::filesystem::path Write(const TempDir& dir, const std::string& name, const std::string& bytes) {
    const std::filesystem::path path = dir / name;
    std::ofstream(path, std::ios::binary) << bytes;
    return path;
}

void Put16(std::string& bytes, std::size_t at, unsigned value) {
    bytes[at] = static_cast<char>(value & 0xFF);
    bytes[at + 1] = static_cast<char>(value >> 8);
}

void Put32(std::string& bytes, std::size_t at, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<char>(value >> (8 * i));
}

// A 32-bit little-endian ELF for `machine` with one loaded segment of
// `codeBytes` at address 0 and one of RAM data, as avr-gcc lays them out.
std::string Elf(unsigned machine, std::uint32_t codeBytes) {
    std::string bytes(52 + 2 * 32 + codeBytes + 16, '\0');
    bytes.replace(0, 4,
                  "\x7f"
                  "ELF");
    bytes[4] = 1;  // 32-bit
    bytes[5] = 1;  // little-endian
    bytes[6] = 1;
    Put16(bytes, 16, 2);  // executable
    Put16(bytes, 18, machine);
    Put32(bytes, 28, 52);  // program headers right after the header
    Put16(bytes, 42, 32);
    Put16(bytes, 44, 2);
    const std::size_t code = 52 + 64;
    Put32(bytes, 52, 1);
    Put32(bytes, 52 + 4, code);
    Put32(bytes, 52 + 12, 0);
    Put32(bytes, 52 + 16, codeBytes);
    Put32(bytes, 84, 1);
    Put32(bytes, 84 + 4, code + codeBytes);
    Put32(bytes, 84 + 12, 0x800100);
    Put32(bytes, 84 + 16, 16);
    return bytes;
}

TEST(FlashFirmware, RefusesWhatIsNoFirmwareOrDoesNotFitAndPassesTheRestUnchanged) {
    TempDir dir;
    const std::string hex = ":100000000C9434000C9446000C9446000C9446006A\n:00000001FF\n";
    const FlashFirmware good =
        CheckFlashFirmware(Write(dir, "blink.hex", hex), FlashTarget::AvrBootloader, 32768, "m328p");
    ASSERT_TRUE(good.ok) << good.problem;
    EXPECT_EQ(good.format, FirmwareFormat::IntelHex);
    EXPECT_EQ(good.bytes, hex);
    EXPECT_EQ(good.codeEnd, 16u);

    // The second record's checksum is off by one: its line is named.
    const FlashFirmware badSum =
        CheckFlashFirmware(Write(dir, "bad.ihx", ":0400000001020304F2\n:0400040001020304ED\n:00000001FF\n"),
                           FlashTarget::StcIsp, {}, "");
    EXPECT_FALSE(badSum.ok);
    EXPECT_NE(badSum.problem.find("bad.ihx第2行：校验和错误"), std::string::npos) << badSum.problem;

    // Data at 0x8000 in a 32 KiB chip.
    const FlashFirmware tooLarge =
        CheckFlashFirmware(Write(dir, "big.hex", ":020000040000FA\n:0280000001027B\n:00000001FF\n"),
                           FlashTarget::AvrProgrammer, 32768, "m328p");
    EXPECT_FALSE(tooLarge.ok);
    EXPECT_EQ(tooLarge.problem,
              "固件太大：big.hex要占用32770字节闪存（到地址0x8001），而m328p只有32768字节闪存。");

    const FlashFirmware text = CheckFlashFirmware(Write(dir, "main.c", "int main(void) { return 0; }\n"),
                                                  FlashTarget::StcIsp, {}, "");
    EXPECT_EQ(text.problem,
              "main.c不是固件文件：请选择Intel HEX（.hex、.ihx）、二进制（.bin）或AVR的ELF文件。");
    EXPECT_FALSE(CheckFlashFirmware(Write(dir, "empty.bin", ""), FlashTarget::StcIsp, {}, "").ok);
    EXPECT_FALSE(CheckFlashFirmware(dir / "missing.hex", FlashTarget::StcIsp, {}, "").ok);
    // A C file named .hex is read as HEX and refused at its first line.
    EXPECT_NE(CheckFlashFirmware(Write(dir, "c.hex", "int x;\n"), FlashTarget::StcIsp, {}, "")
                  .problem.find("第1行"),
              std::string::npos);

    const FlashFirmware bin =
        CheckFlashFirmware(Write(dir, "app.bin", std::string(8192, '\x55')), FlashTarget::StcIsp, {}, "");
    EXPECT_TRUE(bin.ok);
    EXPECT_EQ(bin.format, FirmwareFormat::Binary);
    EXPECT_FALSE(CheckFlashFirmware(Write(dir, "app2.bin", std::string(8193, '\x55')),
                                    FlashTarget::AvrProgrammer, 8192, "m8")
                     .ok);

    const FlashFirmware avr =
        CheckFlashFirmware(Write(dir, "app.elf", Elf(83, 300)), FlashTarget::AvrBootloader, 1024, "t13");
    ASSERT_TRUE(avr.ok) << avr.problem;
    EXPECT_EQ(avr.format, FirmwareFormat::Elf);
    EXPECT_EQ(avr.codeEnd, 300u);  // the RAM segment does not count
    EXPECT_FALSE(
        CheckFlashFirmware(Write(dir, "big.elf", Elf(83, 1025)), FlashTarget::AvrBootloader, 1024, "t13").ok);
    EXPECT_EQ(CheckFlashFirmware(Write(dir, "arm.elf", Elf(40, 300)), FlashTarget::AvrBootloader, 1024, "t13")
                  .problem,
              "arm.elf是为其他处理器生成的ELF文件（机器类型40），不是AVR程序。");
    EXPECT_EQ(CheckFlashFirmware(Write(dir, "app.elf", Elf(83, 300)), FlashTarget::StcIsp, {}, "").problem,
              "app.elf是ELF文件：STC单片机只能下载Intel HEX或二进制文件。");
    std::string cut = Elf(83, 300);
    cut.resize(200);
    EXPECT_FALSE(CheckFlashFirmware(Write(dir, "cut.elf", cut), FlashTarget::AvrBootloader, 1024, "t13").ok);
}

TEST(DownloadPorts, APortIsHeldByOneDownloadUnderAnyOfItsNamesUntilReleased) {
    TempDir dir;
    const std::filesystem::path device = dir / "ttyUSB0";
    std::ofstream(device).put('x');
    const std::filesystem::path link = dir / "by-id-adapter";
    std::filesystem::create_symlink(device, link);

    DownloadPorts ports;
    int changes = 0;
    DownloadPorts::Subscription subscription = ports.Subscribe([&] { ++changes; });
    {
        std::optional<DownloadPorts::Reservation> held = ports.Reserve(device.string());
        ASSERT_TRUE(held);
        EXPECT_EQ(changes, 1);
        EXPECT_TRUE(ports.IsReserved(device.string()));
        EXPECT_TRUE(ports.IsReserved(link.string()));
        EXPECT_FALSE(ports.IsReserved((dir / "ttyUSB1").string()));
        EXPECT_FALSE(ports.Reserve(link.string()));
        EXPECT_EQ(ports.paths(), std::vector<std::string>{device.string()});
        // Moved, it is still one reservation.
        DownloadPorts::Reservation moved = std::move(*held);
        held.reset();
        EXPECT_TRUE(ports.IsReserved(device.string()));
        EXPECT_EQ(changes, 1);
    }
    EXPECT_FALSE(ports.IsReserved(device.string()));
    EXPECT_EQ(changes, 2);
    subscription = {};
    ASSERT_TRUE(ports.Reserve(link.string()));
    EXPECT_EQ(changes, 2);
    EXPECT_STREQ(kPortDownloading, "该串口正在下载程序，请稍候");
}

}  // namespace
}  // namespace viz
