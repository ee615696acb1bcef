// Firmware files the board refuses before any simulator starts, each with a
// Chinese reason and, for Intel HEX, the line where it applies.
#include "board/FirmwareCheck.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <string>

#include "TempDir.h"
#include "wizards/ToolRunner.h"
#include "wizards/avr/AvrUartWizard.h"

namespace viz {
namespace {

// One Intel HEX data record (type 00) or the end record, checksum included.
std::string Record(std::uint16_t address, const std::string& data, int type = 0) {
    unsigned sum = static_cast<unsigned>(data.size()) + (address >> 8) + (address & 0xFF) + type;
    char head[16];
    std::snprintf(head, sizeof head, ":%02X%04X%02X", static_cast<unsigned>(data.size()), address, type);
    std::string line = head;
    for (unsigned char byte : data) {
        char digits[3];
        std::snprintf(digits, sizeof digits, "%02X", byte);
        line += digits;
        sum += byte;
    }
    char check[3];
    std::snprintf(check, sizeof check, "%02X", (0x100 - (sum & 0xFF)) & 0xFF);
    return line + check + "\r\n";
}

const std::string kEnd = ":00000001FF\r\n";

class FirmwareFiles : public ::testing::Test {
protected:
    std::filesystem::path Write(const std::string& name, const std::string& bytes) {
        std::ofstream(dir_ / name, std::ios::binary) << bytes;
        return dir_ / name;
    }
    FirmwareCheck Check(const std::string& name, const std::string& bytes, const BoardChip& chip) {
        return CheckFirmware(Write(name, bytes), chip);
    }

    testing::TempDir dir_;
    const BoardChip mcs51_ = Mcs51Chips().front();  // 8051: 4 KB
    const BoardChip avr_{
        ChipFamily::Avr, "ATmega16", "atmega16", 16384, {"PORTA", "PORTB", "PORTC", "PORTD"}};
};

TEST_F(FirmwareFiles, IntelHexIsCheckedRecordByRecordAgainstTheChip) {
    const std::string code =
        Record(0x0000, "\x02\x00\x03\x80\xFE", 0) + Record(0x0FF0, std::string(16, '\x00'));
    const FirmwareCheck good = Check("good.ihx", code + kEnd, mcs51_);
    EXPECT_TRUE(good.ok) << good.problem;
    EXPECT_EQ(good.codeEnd, 0x1000u);

    // One byte past the 8051's 4 KB, on the file's third line.
    const FirmwareCheck large = Check("large.hex", code + Record(0x1000, "\x01") + kEnd, mcs51_);
    EXPECT_FALSE(large.ok);
    EXPECT_EQ(
        large.problem,
        "固件太大：Intel HEX文件large.hex第3行的数据到达地址0x1000，超出了8051的程序存储器（4096字节）");
    // The 8052 has room for it.
    EXPECT_TRUE(Check("large.hex", code + Record(0x1000, "\x01") + kEnd, Mcs51Chips()[1]).ok);

    // Cut in the middle of a record: the record is named with what is wrong with it.
    const std::string whole = code + Record(0x0010, "\x11\x22\x33\x44") + kEnd;
    const FirmwareCheck cut = Check("cut.hex", whole.substr(0, whole.size() - kEnd.size() - 6), mcs51_);
    EXPECT_FALSE(cut.ok);
    EXPECT_EQ(cut.problem.find("Intel HEX文件cut.hex第3行："), 0u) << cut.problem;

    // Cut after a whole record: no end record.
    const FirmwareCheck noEnd = Check("noend.hex", code, mcs51_);
    EXPECT_FALSE(noEnd.ok);
    EXPECT_NE(noEnd.problem.find("第2行之后没有结束记录"), std::string::npos) << noEnd.problem;

    // A bad checksum names its line.
    std::string damaged = code + kEnd;
    damaged[damaged.find("\r\n") - 1] ^= 1;
    const FirmwareCheck checksum = Check("damaged.hex", damaged, mcs51_);
    EXPECT_NE(checksum.problem.find("第1行：校验和错误"), std::string::npos) << checksum.problem;
}

TEST_F(FirmwareFiles, OtherFormatsAreRefusedWithTheReason) {
    const FirmwareCheck picture = Check("photo.png", "\x89PNG\r\n\x1a\n....", mcs51_);
    EXPECT_FALSE(picture.ok);
    EXPECT_EQ(picture.problem, "固件格式不对：photo.png不是Intel HEX文件（第1行不以“:”开头）");
    const FirmwareCheck text = Check("notes.hex", "\n\nhello\n", avr_);
    EXPECT_EQ(text.problem, "固件格式不对：notes.hex既不是Intel HEX文件也不是ELF文件（第3行不以“:”开头）");
    EXPECT_EQ(Check("empty.hex", "", mcs51_).problem, "固件文件empty.hex中没有程序数据");
    EXPECT_EQ(CheckFirmware(dir_ / "absent.hex", mcs51_).problem.find("无法读取固件文件absent.hex："), 0u);

    // This test program is an ELF file, but not one for either chip.
    std::string self(4096, '\0');
    std::ifstream("/proc/self/exe", std::ios::binary)
        .read(self.data(), static_cast<std::streamsize>(self.size()));
    EXPECT_EQ(Check("x86.elf", self, mcs51_).problem,
              "固件格式不对：x86.elf是ELF文件，8051请选择Intel HEX文件（.ihx或.hex）");
    EXPECT_EQ(Check("x86.elf", self, avr_).problem, "固件格式不对：x86.elf不是AVR程序（ELF机器类型62）");
    // A big-endian file is named by its own machine number, as the flash dialog names it.
    std::string powerPc = self.substr(0, 52);
    powerPc[5] = 2;
    powerPc[18] = 0;
    powerPc[19] = 20;
    EXPECT_EQ(Check("ppc.elf", powerPc, avr_).problem, "固件格式不对：ppc.elf不是AVR程序（ELF机器类型20）");
    EXPECT_TRUE(Check("main.c", "int main(void){}", avr_).ok);
    EXPECT_EQ(CheckFirmware(dir_ / "main.c", avr_).kind, FirmwareKind::CSource);
}

TEST_F(FirmwareFiles, AvrElfIsMeasuredByItsFlashSegments) {
    ASSERT_FALSE(testing::FindOnPath("avr-gcc").empty()) << "avr-gcc (package gcc-avr) is not installed";
    Write("uart.c", AvrUartProgram(ComputeUbrr(8000000, 9600)));
    const testing::CommandResult built =
        testing::RunIn(dir_.path(), "avr-gcc -mmcu=atmega16 -Os -o uart.elf uart.c && avr-size -A uart.elf");
    ASSERT_TRUE(built.ok) << built.output;
    const FirmwareCheck good = CheckFirmware(dir_ / "uart.elf", avr_);
    ASSERT_TRUE(good.ok) << good.problem;
    EXPECT_EQ(good.kind, FirmwareKind::Elf);
    // .text and .data as avr-size counts them.
    const std::string sizes = built.output;
    const auto section = [&](const std::string& name) {
        const std::size_t at = sizes.find(name + " ");
        return at == std::string::npos
                   ? 0ul
                   : std::stoul(sizes.substr(sizes.find_first_not_of(' ', at + name.size())));
    };
    EXPECT_EQ(good.codeEnd, section(".text") + section(".data"));

    BoardChip tiny = avr_;
    tiny.name = "tiny";
    tiny.codeBytes = 64;
    const FirmwareCheck large = CheckFirmware(dir_ / "uart.elf", tiny);
    EXPECT_EQ(large.problem,
              "固件太大：uart.elf需要" + std::to_string(good.codeEnd) + "字节程序存储器，tiny只有64字节");

    const std::string elf = testing::ReadFile(dir_ / "uart.elf");
    EXPECT_NE(Check("cut.elf", elf.substr(0, 100), avr_).problem.find("固件不完整：ELF文件cut.elf"),
              std::string::npos);
}

}  // namespace
}  // namespace viz
