#include "tools/BmpCode.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "BmpBuilder.h"
#include "IconvReference.h"
#include "TempDir.h"
#include "platform/CodePage.h"
#include "tools/ConversionTask.h"

namespace viz {
namespace {

using testing::Gbk;
using testing::Picture;
using testing::Row;

const std::string kHeader24 = "//色深：      24\r\n//压缩方式：  BI_RGB\r\n";
const std::string kOpening24 =
    "//当前代码为24位图输出：\r\n\r\n  const unsigned int ucBit24MapBuf[] = {  \r\n\r\n";
const std::string kClosing = " \r\n\r\n    };\r\n\r\n";

class BmpCodeTest : public ::testing::Test {
protected:
    testing::TempDir dir;
    ConversionProgress progress;

    BmpOutcome Convert(const std::vector<std::uint8_t>& bytes, const std::string& name = "logo.bmp") {
        std::ofstream(dir / name, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        return ConvertBmpFile(dir / name, progress);
    }

    std::string Output(const std::string& name = "logo.h") {
        std::ifstream in(dir / name, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), {}};
    }

    static std::string Sizes(int size, int width, int height) {
        return "//大小：      " + std::to_string(size) + "\r\n//宽度：      " + std::to_string(width) +
               "\r\n//高度：      " + std::to_string(height) + "\r\n";
    }
};

TEST_F(BmpCodeTest, MonochromeExampleWritesOneValueLineBesideThePicture) {
    // 16 x 2, black at index 0 and white at index 1; the top row is the
    // last in the file.
    const Picture picture{16, 2, 1, {{0, 0, 0}, {255, 255, 255}}, {{0xFF, 0xFF}, {0x00, 0x00}}};
    const BmpOutcome outcome = Convert(picture.Bytes());
    EXPECT_TRUE(outcome.message.empty()) << Utf16ToUtf8(outcome.message);
    const std::string expected =
        Sizes(8, 16, 2) +
        "//色深：      1\r\n//压缩方式：  BI_RGB\r\n"
        "//当前代码为单色位图输出：\r\n\r\n  const unsigned char ucBit1MapBuf[] = {  \r\n\r\n"
        "0xFF,0xFF,0x00,0x00" +
        kClosing;
    const std::string file = Output();
    EXPECT_EQ(file, Gbk(expected)) << "code page 936, CR LF, no byte order mark, no terminating zero";
    EXPECT_EQ(file.substr(file.size() - 2), "\r\n");
    EXPECT_EQ(Utf16ToUtf8(outcome.status), expected + "...\r\n" + std::string(53, '.') +
                                               "\r\n\r\n保存的*.h文件在当前位图文件目录下创建！\r\n");
}

TEST_F(BmpCodeTest, MonochromeUsesThePaletteLuminanceAndBreaksEvery64Pixels) {
    // 64 x 1 with a palette whose index 0 is light (L = 129) and index 1 is
    // dark (L = 128 exactly): bit 1 in the file becomes 1, and the value
    // count is a multiple of 64 pixels, so a line break follows the closing.
    const Picture picture{64, 1, 1, {{129, 129, 129}, {128, 128, 128}}, {{0x80, 0, 0, 0, 0, 0, 0, 0x01}}};
    ASSERT_TRUE(Convert(picture.Bytes()).message.empty());
    const std::string file = Output();
    EXPECT_NE(file.find("0x80,0x00,0x00,0x00,0x00,0x00,0x00,0x01 \r\n\r\n    };\r\n\r\n\r\n"),
              std::string::npos)
        << file;

    // Index 0 black: the stored bits are inverted.
    const Picture inverted{16, 1, 1, {{0, 0, 0}, {255, 255, 255}}, {{0xF0, 0x0F}}};
    ASSERT_TRUE(Convert(inverted.Bytes()).message.empty());
    EXPECT_NE(Output().find("0x0F,0xF0 \r\n"), std::string::npos);
}

TEST_F(BmpCodeTest, MonochromeWidthMustBeAMultipleOf8) {
    const Picture picture{10, 1, 1, {{0, 0, 0}, {255, 255, 255}}, {{0xFF, 0xC0}}};
    const BmpOutcome outcome = Convert(picture.Bytes());
    EXPECT_EQ(Utf16ToUtf8(outcome.message),
              Sizes(4, 10, 1) + "//色深：      1\r\n//压缩方式：  BI_RGB\r\n图片宽度不符合，必须为8的倍数！");
    EXPECT_TRUE(outcome.status.empty());
    EXPECT_FALSE(std::filesystem::exists(dir / "logo.h"));
}

TEST_F(BmpCodeTest, TwentyFourBitValuesAreTheStoredBytesTopRowFirst) {
    // 3 x 2 (rows padded to 12 bytes): bottom row blue, top row red, green, white.
    const Picture picture{
        3, 2, 24, {}, {{0xFF, 0, 0, 0xFF, 0, 0, 0xFF, 0, 0}, {0, 0, 0xFF, 0, 0xFF, 0, 0xFF, 0xFF, 0xFF}}};
    ASSERT_TRUE(Convert(picture.Bytes()).message.empty());
    EXPECT_EQ(Output(),
              Gbk(Sizes(24, 3, 2) + kHeader24 + kOpening24 +
                  "0x000000FF, 0x0000FF00, 0x00FFFFFF, 0x00FF0000, 0x00FF0000, 0x00FF0000" + kClosing));
}

TEST_F(BmpCodeTest, TopDownPictureIsConvertedInFileOrder) {
    const Picture picture{1, -2, 24, {}, {{0, 0, 0xFF}, {0xFF, 0, 0}}};
    ASSERT_TRUE(Convert(picture.Bytes()).message.empty());
    EXPECT_EQ(Output(), Gbk(Sizes(8, 1, -2) + kHeader24 + kOpening24 + "0x000000FF, 0x00FF0000" + kClosing));
}

TEST_F(BmpCodeTest, SixteenBitWordsMoveRedUpAndBreakEvery16Values) {
    // 16 x 1: 0x7FFF (white in 5-5-5), 0x001F (blue), 0x03E0 (green),
    // 0x7C00 (red), then twelve times 0x8000 (only the unused top bit).
    Row row{0xFF, 0x7F, 0x1F, 0x00, 0xE0, 0x03, 0x00, 0x7C};
    for (int i = 0; i < 12; ++i) row.insert(row.end(), {0x00, 0x80});
    const Picture picture{16, 1, 16, {}, {row}};
    ASSERT_TRUE(Convert(picture.Bytes()).message.empty());
    std::string values = "0xFBFF, 0x001F, 0x03E0, 0xF800, ";
    for (int i = 0; i < 11; ++i) values += "0x0000, ";
    EXPECT_EQ(Output(),
              Gbk(Sizes(32, 16, 1) + "//色深：      16\r\n//压缩方式：  BI_RGB\r\n" +
                  "//当前代码为16位图输出：\r\n\r\n  const unsigned short int ucBit16MapBuf[] = {  \r\n\r\n" +
                  values + "0x0000" + kClosing + "\r\n"));
}

TEST_F(BmpCodeTest, StatusShowsTheFirst512CharactersOfALongText) {
    const Picture picture{64, 4, 24, {}, std::vector<Row>(4, Row(64 * 3, 0x11))};
    const BmpOutcome outcome = Convert(picture.Bytes());
    ASSERT_TRUE(outcome.message.empty());
    const std::u16string text = DecodeText(Output(), CodePage::Ansi);
    ASSERT_GT(text.size(), 1000u);
    EXPECT_EQ(outcome.status, text.substr(0, 512) + u"...\r\n" + std::u16string(53, u'.') +
                                  u"\r\n\r\n保存的*.h文件在当前位图文件目录下创建！\r\n");
}

TEST_F(BmpCodeTest, UnreadableDamagedAndUnsupportedFilesSayWhy) {
    EXPECT_EQ(Utf16ToUtf8(ConvertBmpFile({}, progress).message), "读取BMP文件失败：没有选择文件");
    EXPECT_EQ(Utf16ToUtf8(ConvertBmpFile(dir / "missing.bmp", progress).message),
              "读取BMP文件失败：No such file or directory");
    EXPECT_EQ(Utf16ToUtf8(Convert({'G', 'I', 'F', '8', '9', 'a'}).message),
              "读取BMP文件失败：文件不是以“BM”开头，不是BMP文件");

    // A 4 x 4 picture cut 5 bytes short: refused before any pixel is read.
    std::vector<std::uint8_t> bytes = Picture{4, 4, 24, {}, std::vector<Row>(4, Row(12, 0x22))}.Bytes();
    bytes.resize(bytes.size() - 5);
    EXPECT_EQ(Utf16ToUtf8(Convert(bytes).message),
              "读取BMP文件失败：像素数据超出了文件末尾（需要102字节，文件只有97字节）");
    std::vector<std::uint8_t> headerOnly = Picture{4, 4, 24, {}, {}}.Bytes();
    headerOnly.resize(30);
    EXPECT_EQ(Utf16ToUtf8(Convert(headerOnly).message), "读取BMP文件失败：文件太短，不是完整的BMP文件");
    EXPECT_FALSE(std::filesystem::exists(dir / "logo.h"));

    const Picture eightBit{4, 1, 8, std::vector<std::array<std::uint8_t, 3>>(256), {{1, 2, 3, 4}}};
    EXPECT_EQ(Utf16ToUtf8(Convert(eightBit.Bytes()).message),
              Sizes(4, 4, 1) + "//色深：      8\r\n//压缩方式：  BI_RGB\r\n暂不支持8位图输出！\r\n\r\n");
    const Picture empty{0, 1, 24, {}, {}};
    EXPECT_EQ(Utf16ToUtf8(Convert(empty.Bytes()).message), Sizes(0, 0, 1) + kHeader24 + "提取图片出错！");
}

TEST_F(BmpCodeTest, OutputThatCannotBeCreatedKeepsTheStatus) {
    std::filesystem::create_directory(dir / "logo.h");
    const BmpOutcome outcome = Convert(Picture{1, 1, 24, {}, {{1, 2, 3}}}.Bytes());
    EXPECT_FALSE(outcome.status.empty());
    EXPECT_TRUE(Utf16ToUtf8(outcome.message).starts_with("创建*.h文件失败！\n"))
        << Utf16ToUtf8(outcome.message);
    EXPECT_TRUE(std::filesystem::is_directory(dir / "logo.h"));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 2) << "no temporary left";
}

}  // namespace
}  // namespace viz
