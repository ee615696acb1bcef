#include "tools/EncodingSections.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "IconvReference.h"
#include "platform/CodePage.h"

namespace viz {
namespace {

std::u16string U(const std::string& utf8) {
    return Utf8ToUtf16(utf8);
}

// The display with the same values in every byte section, as for ASCII text.
std::u16string AsciiDisplay(const std::string& bytes, const std::string& units) {
    std::string out;
    for (const char* heading : {"ANSI编码：", "OEM编码：", "Macintosh编码：", "UTF7编码：", "UTF8编码："})
        out += std::string(heading) + "\r\n" + bytes + "\r\n\r\n";
    out += "UNICODE编码(16位，小端模式)：\r\n" + units + "\r\n\r\n";
    return U(out);
}

// The values line of each of the six sections, in order.
std::vector<std::string> SectionValues(const std::u16string& display) {
    const std::string text = Utf16ToUtf8(display);
    std::vector<std::string> values;
    std::size_t at = 0;
    while ((at = text.find("：\r\n", at)) != std::string::npos) {
        at += std::string("：\r\n").size();
        const std::size_t end = text.find("\r\n\r\n", at);
        values.push_back(text.substr(at, end - at));
        at = end;
    }
    return values;
}

// Reference formatting for style 3, written independently of the product.
std::string Spaced(const std::string& bytes) {
    static const char digits[] = "0123456789ABCDEF";
    std::string out;
    for (unsigned char b : bytes) {
        if (!out.empty()) out += ' ';
        out += digits[b >> 4];
        out += digits[b & 15];
    }
    return out;
}

TEST(EncodingDisplay, AsciiInEachStyle) {
    EXPECT_EQ(BuildEncodingDisplay(u"A", DisplayStyle::Style1), AsciiDisplay("0x41", "0x0041"));
    EXPECT_EQ(BuildEncodingDisplay(u"AB", DisplayStyle::Style1), AsciiDisplay("0x41,0x42", "0x0041,0x0042"));
    EXPECT_EQ(BuildEncodingDisplay(u"AB", DisplayStyle::Style2), AsciiDisplay("41,42", "0041,0042"));
    EXPECT_EQ(BuildEncodingDisplay(u"AB", DisplayStyle::Style3), AsciiDisplay("41 42", "0041 0042"));
}

TEST(EncodingDisplay, EmptyTextShowsTheSixHeadingsOnly) {
    EXPECT_EQ(BuildEncodingDisplay(u"", DisplayStyle::Style2), AsciiDisplay("", ""));
}

TEST(EncodingDisplay, LineBreaksAreShownAsTheirBytes) {
    const auto values = SectionValues(BuildEncodingDisplay(u"a\r\nb", DisplayStyle::Style3));
    ASSERT_EQ(values.size(), 6u);
    EXPECT_EQ(values[0], "61 0D 0A 62");
    EXPECT_EQ(values[4], "61 0D 0A 62");
    EXPECT_EQ(values[5], "0061 000D 000A 0062");
}

TEST(EncodingDisplay, ChineseCharacterInEveryEncoding) {
    const auto values = SectionValues(BuildEncodingDisplay(U("中"), DisplayStyle::Style3));
    ASSERT_EQ(values.size(), 6u);
    EXPECT_EQ(values[0], "D6 D0");
    EXPECT_EQ(values[1], "D6 D0");
    EXPECT_EQ(values[2], "D6 D0");  // EUC-CN shares the GB2312 bytes
    EXPECT_EQ(values[3], Spaced("+Ti0-"));
    EXPECT_EQ(values[4], "E4 B8 AD");
    EXPECT_EQ(values[5], "4E2D");
}

TEST(EncodingDisplay, CharacterOutsideTheBasicPlaneIsASurrogatePair) {
    const auto values = SectionValues(BuildEncodingDisplay(U("A😀"), DisplayStyle::Style1));
    ASSERT_EQ(values.size(), 6u);
    EXPECT_EQ(values[4], "0x41,0xF0,0x9F,0x98,0x80");
    EXPECT_EQ(values[5], "0x0041,0xD83D,0xDE00");
    // UTF-7 carries it in one base64 run between '+' and '-'.
    EXPECT_EQ(values[3], "0x41,0x2B,0x32,0x44,0x33,0x65,0x41,0x41,0x2D");
}

TEST(EncodingDisplay, AnsiAndUtf8AgreeWithIconv) {
    const std::string sample = "编码转换 Unicode：ü，€ 1+1=2！\r\n第二行";
    const auto values = SectionValues(BuildEncodingDisplay(U(sample), DisplayStyle::Style3));
    ASSERT_EQ(values.size(), 6u);
    const std::string gbk = testing::IconvConvert(sample, "UTF-8", "CP936");
    ASSERT_FALSE(gbk.empty());
    EXPECT_EQ(values[0], Spaced(gbk));
    EXPECT_EQ(values[1], Spaced(gbk));
    EXPECT_EQ(values[4], Spaced(sample));
    const std::string utf16 = testing::IconvConvert(sample, "UTF-8", "UTF-16BE");
    std::string units;
    for (std::size_t i = 0; i < utf16.size(); i += 2) {
        if (!units.empty()) units += ' ';
        units += Spaced(utf16.substr(i, 1)) + Spaced(utf16.substr(i + 1, 1));
    }
    EXPECT_EQ(values[5], units);
}

TEST(EncodingDisplay, Utf7SectionDecodesBackToTheText) {
    const std::string sample = "A+B 中文 ~\\!\r\n";
    const auto values = SectionValues(BuildEncodingDisplay(U(sample), DisplayStyle::Style3));
    ASSERT_EQ(values.size(), 6u);
    std::string bytes;
    for (std::size_t i = 0; i + 1 < values[3].size(); i += 3)
        bytes.push_back(static_cast<char>(std::stoi(values[3].substr(i, 2), nullptr, 16)));
    EXPECT_EQ(testing::IconvConvert(bytes, "UTF-7", "UTF-8"), sample);
}

}  // namespace
}  // namespace viz
