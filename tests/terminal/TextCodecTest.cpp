#include "terminal/TextCodec.h"

#include <gtest/gtest.h>

#include "IconvReference.h"
#include "platform/CodePage.h"

namespace viz {
namespace {

using testing::Gbk;

Bytes B(std::initializer_list<int> values) {
    Bytes bytes;
    for (int v : values) bytes.push_back(static_cast<std::uint8_t>(v));
    return bytes;
}

Bytes B(const std::string& raw) { return Bytes(raw.begin(), raw.end()); }

std::u16string U(const std::string& utf8) { return Utf8ToUtf16(utf8); }

TEST(HexToBytes, PairsWithOrWithoutSpaces) {
    EXPECT_EQ(HexToBytes(u"01 02 0A"), B({0x01, 0x02, 0x0A}));
    EXPECT_EQ(HexToBytes(u"01020a"), B({0x01, 0x02, 0x0A}));
    EXPECT_EQ(HexToBytes(u"  ff  Ee "), B({0xFF, 0xEE}));
    EXPECT_TRUE(HexToBytes(u"").empty());
}

TEST(HexToBytes, ScanEndsAtTheFirstThingThatIsNotAPair) {
    EXPECT_TRUE(HexToBytes(u"1 2").empty());
    EXPECT_TRUE(HexToBytes(u"0x12").empty());
    EXPECT_EQ(HexToBytes(u"12 3"), B({0x12}));
    EXPECT_EQ(HexToBytes(u"AB\r\nCD"), B({0xAB}));
    EXPECT_EQ(HexToBytes(u"ABC"), B({0xAB}));
    EXPECT_EQ(HexToBytes(u"12,34"), B({0x12}));
    EXPECT_EQ(HexToBytes(u"12\t34"), B({0x12}));
    EXPECT_EQ(HexToBytes(U("12中34")), B({0x12}));
    EXPECT_EQ(HexToBytes(u"1G"), Bytes{});
}

TEST(HexToBytes, NeverExceedsHalfTheTextLength) {
    const std::u16string text = u"0102030405 06 07 08 09";
    EXPECT_LE(HexToBytes(text).size() * 2, text.size() * 2);
    EXPECT_EQ(HexToBytes(text).size(), 9u);
}

TEST(TextToBytes, ChineseAndAsciiInCodePage936) {
    const std::string expected = Gbk("中") + "A";
    ASSERT_EQ(expected.size(), 3u);
    EXPECT_EQ(TextToBytes(U("中A")), B(expected));
    EXPECT_EQ(TextToBytes(u"a\r\nb"), B({'a', 0x0D, 0x0A, 'b'}));
    EXPECT_TRUE(TextToBytes(u"").empty());
}

TEST(TextToBytes, MatchesIconvOnMixedText) {
    const std::string sample = "数据校验 CRC-16 计算：0x1234，串口调试助手！€";
    EXPECT_EQ(TextToBytes(U(sample)), B(Gbk(sample)));
}

TEST(TextToBytes, UnmappableCharactersBecomeQuestionMarks) {
    // U+1F600 (outside the BMP) and U+0E01 (Thai) have no code page 936 form.
    EXPECT_EQ(TextToBytes(U("a😀b")), B({'a', '?', 'b'}));
    EXPECT_EQ(TextToBytes(U("\xE0\xB8\x81")), B({'?'}));
    const std::u16string loneSurrogate{u'x', static_cast<char16_t>(0xD800), u'y'};
    EXPECT_EQ(TextToBytes(loneSurrogate), B({'x', '?', 'y'}));
}

TEST(BytesToHexDisplay, UpperCaseDigitsEachFollowedByASpace) {
    EXPECT_EQ(BytesToHexDisplay(B({0x00, 0xFF})), u"00 FF ");
    EXPECT_EQ(BytesToHexDisplay(B({0x0a, 0xb1, 0x7c})), u"0A B1 7C ");
    EXPECT_EQ(BytesToHexDisplay(Bytes{}), u"");
}

TEST(HexToUint16, FirstTwoBytesBigEndianMissingCountsZero) {
    EXPECT_EQ(HexToUint16(u"0472"), 0x0472);
    EXPECT_EQ(HexToUint16(u"47"), 0x4700);
    EXPECT_EQ(HexToUint16(u"04 72 99"), 0x0472);
    EXPECT_EQ(HexToUint16(u""), 0);
    EXPECT_EQ(HexToUint16(u"zz"), 0);
}

}  // namespace
}  // namespace viz
