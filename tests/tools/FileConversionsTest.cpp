#include "tools/FileConversions.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "TempDir.h"
#include "platform/CodePage.h"
#include "tools/ConversionTask.h"

namespace viz {
namespace {

using Data = std::vector<std::uint8_t>;

// One Intel HEX record with its checksum, written out by hand.
std::string Record(unsigned type, unsigned address, const Data& data) {
    Data bytes{static_cast<std::uint8_t>(data.size()), static_cast<std::uint8_t>(address >> 8),
               static_cast<std::uint8_t>(address), static_cast<std::uint8_t>(type)};
    bytes.insert(bytes.end(), data.begin(), data.end());
    unsigned sum = 0;
    for (std::uint8_t b : bytes) sum += b;
    bytes.push_back(static_cast<std::uint8_t>(-sum));
    std::string line = ":";
    for (std::uint8_t b : bytes) {
        char pair[3];
        std::snprintf(pair, sizeof pair, "%02X", b);
        line += pair;
    }
    return line + "\r\n";
}

const std::string kEnd = ":00000001FF\r\n";

Data Counting(std::size_t size, std::uint8_t from = 0) {
    Data data(size);
    for (std::size_t i = 0; i < size; ++i) data[i] = static_cast<std::uint8_t>(from + i);
    return data;
}

class FileConversionsTest : public ::testing::Test {
protected:
    testing::TempDir dir;
    ConversionProgress progress;

    std::filesystem::path Write(const std::string& name, const std::string& content) {
        std::ofstream(dir / name, std::ios::binary) << content;
        return dir / name;
    }
    std::filesystem::path Write(const std::string& name, const Data& content) {
        return Write(name, std::string(content.begin(), content.end()));
    }
    std::string Read(const std::string& name) {
        std::ifstream in(dir / name, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), {}};
    }

    std::string BinToText(const Data& data) {
        const ConversionOutcome outcome = ConvertBinToText(Write("data.bin", data), progress);
        EXPECT_TRUE(outcome.succeeded);
        EXPECT_EQ(Utf16ToUtf8(outcome.message), "二进制文件转换为文本成功，并输出到二进制文件当前目录！");
        return Read("data.h");
    }

    // Our binary beside the one objcopy makes of the same file.
    void ExpectSameAsObjcopy(const std::string& hex) {
        const std::filesystem::path input = Write("code.hex", hex);
        const ConversionOutcome outcome = ConvertHexToBin(input, HexMode::AllRecords, progress);
        ASSERT_TRUE(outcome.succeeded) << Utf16ToUtf8(outcome.message);
        EXPECT_EQ(Utf16ToUtf8(outcome.message),
                  "十六进制文件转换为二进制文件成功，并输出到十六进制文件当前目录！");
        const std::string command = "objcopy -I ihex -O binary --gap-fill 0xff '" + input.string() + "' '" +
                                    (dir / "objcopy.bin").string() + "'";
        ASSERT_EQ(std::system(command.c_str()), 0) << command;
        const std::string reference = Read("objcopy.bin");
        ASSERT_FALSE(reference.empty());
        const std::string ours = Read("code.bin");
        ASSERT_EQ(ours.size(), reference.size());
        EXPECT_TRUE(ours == reference)
            << "first difference at "
            << std::mismatch(ours.begin(), ours.end(), reference.begin()).first - ours.begin();
    }

    std::string HexToBinMessage(const std::string& hex, HexMode mode = HexMode::AllRecords) {
        return Utf16ToUtf8(ConvertHexToBin(Write("code.hex", hex), mode, progress).message);
    }
};

TEST_F(FileConversionsTest, BinaryTextHasSixteenBytesALineAndTheLastWithoutComma) {
    EXPECT_EQ(
        BinToText(Counting(17)),
        "const unsigned char ucBinToTextBuf[]={\r\n\r\n"
        "/*00000000H:*/0x00,0x01,0x02,0x03,0x04,0x05,0x06,0x07,0x08,0x09,0x0A,0x0B,0x0C,0x0D,0x0E,0x0F,\r\n"
        "0x10\r\n};\r\n");
    EXPECT_EQ(BinToText(Counting(16, 0xF0)),
              "const unsigned char ucBinToTextBuf[]={\r\n\r\n"
              "/*00000000H:*/"
              "0xF0,0xF1,0xF2,0xF3,0xF4,0xF5,0xF6,0xF7,0xF8,0xF9,0xFA,0xFB,0xFC,0xFD,0xFE,0xFF\r\n};\r\n");
    EXPECT_EQ(BinToText({0xAB}), "const unsigned char ucBinToTextBuf[]={\r\n\r\n0xAB\r\n};\r\n");
    // An input whose name already ends in ".h" is never overwritten by its text.
    ASSERT_TRUE(ConvertBinToText(Write("table.h", Data{7}), progress).succeeded);
    EXPECT_EQ(Read("table.h"), "\x07");
    EXPECT_EQ(Read("table.h.h"), "const unsigned char ucBinToTextBuf[]={\r\n\r\n0x07\r\n};\r\n");
    const std::string longer = BinToText(Counting(40));
    EXPECT_NE(longer.find(",\r\n/*00000010H:*/0x10,"), std::string::npos);
    EXPECT_NE(longer.find(",\r\n/*00000020H:*/0x20,"), std::string::npos);
}

TEST_F(FileConversionsTest, HexWithAGapMatchesObjcopy) {
    // An 8051 layout: a jump at the reset vector, code from 0x0100.
    ExpectSameAsObjcopy(Record(0, 0x0000, {0x02, 0x01, 0x00}) + Record(0, 0x0100, Counting(16)) +
                        Record(0, 0x0110, Counting(5, 0x80)) + kEnd);
    EXPECT_EQ(Read("code.bin").size(), 0x115u);
}

TEST_F(FileConversionsTest, HexWithExtendedAddressesMatchesObjcopy) {
    // Linear bases 0x0001_0000 and 0x0002_0000, records out of address
    // order, a start address record.
    ExpectSameAsObjcopy(Record(4, 0, {0x00, 0x02}) + Record(0, 0x0000, Counting(8, 0x50)) +
                        Record(4, 0, {0x00, 0x01}) + Record(0, 0xFFF8, Counting(8, 0x40)) +
                        Record(0, 0x0020, Counting(4, 0x60)) + Record(5, 0, {0x00, 0x01, 0x00, 0x00}) + kEnd);
    EXPECT_EQ(Read("code.bin").size(), 0x20008u - 0x10020u);
    // Segment bases (value x 16).
    ExpectSameAsObjcopy(Record(2, 0, {0x10, 0x00}) + Record(0, 0x0010, Counting(8)) +
                        Record(2, 0, {0x20, 0x00}) + Record(0, 0x0000, Counting(8, 0x80)) +
                        Record(3, 0, {0x00, 0x00, 0x01, 0x00}) + kEnd);
    EXPECT_EQ(Read("code.bin").size(), 0x20008u - 0x10010u);
}

TEST_F(FileConversionsTest, LaterRecordsWinWhereTheyOverlapAsWithObjcopy) {
    ExpectSameAsObjcopy(Record(0, 0x10, Counting(8)) + Record(0, 0x14, {0xAA, 0xBB, 0xCC, 0xDD, 0xEE}) +
                        Record(0, 0x0C, {0x11, 0x22, 0x33, 0x44, 0x55}) + kEnd);
}

TEST_F(FileConversionsTest, ModeTwoLeavesOutTheFirstRecord) {
    const std::string hex = Record(0, 0x0000, {0x01, 0x02}) + Record(0, 0x0002, {0x03, 0x04}) + kEnd;
    HexToBinMessage(hex, HexMode::SkipFirstRecord);
    EXPECT_EQ(Read("code.bin"), "\x03\x04");
    HexToBinMessage(hex, HexMode::AllRecords);
    EXPECT_EQ(Read("code.bin"), "\x01\x02\x03\x04");

    // A leading extended linear address record is what mode 2 is for: its
    // base is not applied.
    const std::string linear =
        Record(4, 0, {0x00, 0x01}) + Record(0, 0x0010, {0x07}) + Record(0, 0x0014, {0x08}) + kEnd;
    HexToBinMessage(linear, HexMode::SkipFirstRecord);
    EXPECT_EQ(Read("code.bin"), "\x07\xFF\xFF\xFF\x08");
}

TEST_F(FileConversionsTest, MalformedHexIsRefusedWithItsLine) {
    std::string badChecksum = Record(0, 0, {1, 2, 3}) + Record(0, 3, {4, 5, 6}) + kEnd;
    badChecksum[badChecksum.find("\r\n") + 2 + 9] = '9';  // the second record's first data digit
    EXPECT_EQ(HexToBinMessage(badChecksum),
              "当前十六进制文件无效！\n第2行：校验和错误（应为5B，记录中为EB）");

    std::string notHex = Record(0, 0, {1}) + "\r\n" + Record(0, 1, {2});
    notHex[notHex.size() - 5] = 'G';
    EXPECT_EQ(HexToBinMessage(notHex + kEnd), "当前十六进制文件无效！\n第3行：第11个字符不是十六进制数字");

    EXPECT_EQ(HexToBinMessage(":0300000001020\r\n" + kEnd),
              "当前十六进制文件无效！\n第1行：记录的十六进制数字个数不是偶数");
    EXPECT_EQ(HexToBinMessage(":04000000010203F2\r\n" + kEnd),
              "当前十六进制文件无效！\n第1行：长度字段为4，记录实际有3个数据字节");
    EXPECT_EQ(HexToBinMessage("garbage\r\n" + kEnd), "当前十六进制文件无效！\n第1行：记录不是以“:”开头");
    EXPECT_EQ(HexToBinMessage(Record(7, 0, {}) + kEnd), "当前十六进制文件无效！\n第1行：不支持的记录类型07");
    EXPECT_EQ(HexToBinMessage(Record(0, 0, {1, 2})),
              "当前十六进制文件无效！\n文件中没有结束记录（:00000001FF）");

    const ConversionOutcome text =
        ConvertHexToText(Write("code.hex", Record(0, 0, {1, 2})), HexMode::AllRecords, progress);
    EXPECT_FALSE(text.succeeded);
    EXPECT_EQ(Utf16ToUtf8(text.message), "十六进制文件转换为文本失败！\n文件中没有结束记录（:00000001FF）");
    EXPECT_FALSE(std::filesystem::exists(dir / "code.h"));
}

TEST_F(FileConversionsTest, OnlyAnEndRecordGivesAnEmptyBinary) {
    EXPECT_EQ(HexToBinMessage(kEnd), "十六进制文件转换为二进制文件成功，并输出到十六进制文件当前目录！");
    ASSERT_TRUE(std::filesystem::exists(dir / "code.bin"));
    EXPECT_EQ(std::filesystem::file_size(dir / "code.bin"), 0u);
    // Text after the end record is not read.
    EXPECT_EQ(HexToBinMessage(Record(0, 0, {9}) + kEnd + "\x1A trailing junk"),
              "十六进制文件转换为二进制文件成功，并输出到十六进制文件当前目录！");
    EXPECT_EQ(Read("code.bin"), "\x09");
}

TEST_F(FileConversionsTest, HexToTextWritesTheMemoryImage) {
    const std::filesystem::path input =
        Write("code.hex", Record(0, 0x0100, {0xAA}) + Record(0, 0x0104, {0xBB, 0xCC}) + kEnd);
    const ConversionOutcome outcome = ConvertHexToText(input, HexMode::AllRecords, progress);
    EXPECT_TRUE(outcome.succeeded);
    EXPECT_EQ(Utf16ToUtf8(outcome.message), "十六进制文件转换为文本成功，并输出到十六进制文件当前目录！");
    EXPECT_EQ(Read("code.h"),
              "const unsigned char "
              "ucHexToTextBuf[]={\r\n\r\n/*00000000H:*/0xAA,0xFF,0xFF,0xFF,0xBB,0xCC\r\n};\r\n");
}

TEST_F(FileConversionsTest, UnreadableInputAndUncreatableOutputAreReported) {
    const std::string never = Utf16ToUtf8(ConvertBinToText({}, progress).message);
    EXPECT_EQ(never, "二进制文件转换为文本失败！\n没有选择文件");
    const std::string missing =
        Utf16ToUtf8(ConvertHexToBin(dir / "none.hex", HexMode::AllRecords, progress).message);
    EXPECT_EQ(missing, "创建或读取文件失败！\n无法读取文件“" + (dir / "none.hex").string() +
                           "”：No such file or directory");

    // The output name is taken by a folder: the earlier content stays, no
    // temporary file is left behind.
    std::filesystem::create_directory(dir / "data.h");
    const ConversionOutcome outcome = ConvertBinToText(Write("data.bin", Data{1, 2}), progress);
    EXPECT_FALSE(outcome.succeeded);
    EXPECT_TRUE(Utf16ToUtf8(outcome.message).starts_with("创建*.h文件失败！\n无法写入文件“"))
        << Utf16ToUtf8(outcome.message);
    EXPECT_TRUE(std::filesystem::is_directory(dir / "data.h"));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 2);
}

}  // namespace
}  // namespace viz
