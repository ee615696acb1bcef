#include "tools/SmallTools.h"

#include <gtest/gtest.h>

#include <fstream>
#include <algorithm>
#include <string>
#include <vector>

#include "IconvReference.h"
#include "platform/CodePage.h"
#include "res/fonts/FontTables.h"
#include "tools/FontMatrix.h"

namespace viz {
namespace {

TEST(BaseConverterTest, ReadsTheThreeTextsAsThePageDoes) {
    EXPECT_EQ(FormatBinary(0x80), u"10000000");
    EXPECT_EQ(FormatDecimal(0x80), u"128");
    EXPECT_EQ(FormatHexByte(0x80), u"80");
    EXPECT_EQ(FormatHexByte(0x0A), u"0A");

    EXPECT_EQ(ParseBinaryText(u"10000001"), 0x81);
    EXPECT_EQ(ParseBinaryText(u"1000000"), 0x80) << "a missing eighth digit counts as 0";
    EXPECT_EQ(ParseBinaryText(u"000000x1"), 0x01) << "a non-digit counts as 0";
    EXPECT_EQ(ParseBinaryText(u"00000002"), 0x02) << "a digit 2 sets the next higher bit";
    EXPECT_EQ(ParseBinaryText(u"30000000"), 0x80) << "bits above bit 7 are lost";
    EXPECT_EQ(ParseBinaryText(u"101010"), std::nullopt);
    EXPECT_EQ(ParseBinaryText(u""), std::nullopt);

    EXPECT_EQ(ParseDecimalText(u"-5"), 0xFB);
    EXPECT_EQ(ParseDecimalText(u"255"), 0xFF);
    EXPECT_EQ(ParseDecimalText(u"256"), std::nullopt);
    EXPECT_EQ(ParseDecimalText(u"999"), std::nullopt);
    EXPECT_EQ(ParseDecimalText(u"-99"), 0x9D);
    EXPECT_EQ(ParseDecimalText(u"12a"), 12);
    EXPECT_EQ(ParseDecimalText(u""), 0);

    EXPECT_EQ(ParseHexText(u"0A"), 10);
    EXPECT_EQ(ParseHexText(u"ff"), 0xFF);
    EXPECT_EQ(ParseHexText(u"G1"), 0) << "no byte gives 0";
    EXPECT_EQ(ParseHexText(u""), 0);
}

TEST(SegmentCodesTest, DigitZeroAndTheReferenceTables) {
    std::uint8_t zero = 0;
    for (Segment s : {Segment::A, Segment::B, Segment::C, Segment::D, Segment::E, Segment::F})
        zero |= SegmentBit(s);
    EXPECT_EQ(CommonCathodeText(zero), u"3F");
    EXPECT_EQ(CommonAnodeText(zero), u"C0");
    EXPECT_EQ(CommonCathodeText(SegmentBit(Segment::G) | SegmentBit(Segment::Dot)), u"C0");
    EXPECT_EQ(CommonAnodeText(0), u"FF");
    EXPECT_EQ(SegmentReferenceTables(),
              u"共阳极:0~F\r\n"
              u"0xC0,0xF9,0xA4,0xB0,0x99,0x92,0x82,0xF8,\r\n0x80,0x90,0x88,0x83,0xC6,0xA1,0x86,0x8E\r\n"
              u"共阴极:0~F\r\n"
              u"0x3F,0x06,0x5B,0x4F,0x66,0x6D,0x7D,0x07,\r\n0x7F,0x6F,0x77,0x7C,0x39,0x5E,0x79,0x71\r\n");
}

// The glyph of one code point straight from GNU Unifont's hex file.
std::vector<std::uint8_t> UnifontGlyph(unsigned codePoint) {
    std::ifstream in(VIZ_UNIFONT_HEX);
    char prefix[16];
    std::snprintf(prefix, sizeof prefix, "%04X:", codePoint);
    for (std::string line; std::getline(in, line);) {
        if (line.rfind(prefix, 0) != 0) continue;
        std::vector<std::uint8_t> bytes;
        for (std::size_t i = 5; i + 1 < line.size(); i += 2)
            bytes.push_back(static_cast<std::uint8_t>(std::stoul(line.substr(i, 2), nullptr, 16)));
        return bytes;
    }
    ADD_FAILURE() << "no glyph " << prefix;
    return {};
}

TEST(FontMatrixTest, GlyphsComeFromUnifont) {
    const std::optional<Glyph> a = LookUpGlyph(u"A");
    ASSERT_TRUE(a);
    EXPECT_EQ(a->width, 8);
    EXPECT_EQ(a->bytes, UnifontGlyph(0x41));

    // 中 is D6D0 in GB2312: glyph (0xD6 - 0xA1) x 94 + (0xD0 - 0xA1).
    ASSERT_EQ(testing::Gbk("中"), "\xD6\xD0");
    const std::optional<Glyph> zhong = LookUpGlyph(u"中");
    ASSERT_TRUE(zhong);
    EXPECT_EQ(zhong->width, 16);
    EXPECT_EQ(zhong->bytes, UnifontGlyph(0x4E2D));
    const std::size_t number = (0xD6 - 0xA1) * 94 + (0xD0 - 0xA1);
    EXPECT_TRUE(std::equal(zhong->bytes.begin(), zhong->bytes.end(), fonts::kGb2312Glyphs + number * 32));
    EXPECT_TRUE(zhong->Pixel(0, 7)) << "the top row of 中 is 0x01 0x00: its stroke starts at column 7";
    EXPECT_FALSE(zhong->Pixel(0, 8));

    // A half-width character of GB2312 (ā, A8A1) stands centred in its cell.
    const std::optional<Glyph> macron = LookUpGlyph(u"ā");
    ASSERT_TRUE(macron);
    const std::vector<std::uint8_t> half = UnifontGlyph(0x0101);
    for (int row = 0; row < 16; ++row) {
        EXPECT_EQ(macron->bytes[2 * row] << 8 | macron->bytes[2 * row + 1], half[row] << 4) << "row " << row;
    }

    const std::optional<Glyph> empty = LookUpGlyph(u"");
    ASSERT_TRUE(empty) << "an empty input is character code 0";
    EXPECT_EQ(empty->width, 8);
    EXPECT_EQ(empty->bytes, std::vector<std::uint8_t>(16, 0));
    EXPECT_EQ(LookUpGlyph(u"é")->bytes.size(), 32u) << "é is in GB2312 (A8A6)";
    EXPECT_EQ(LookUpGlyph(u"ß")->bytes, UnifontGlyph(0xDF)) << "not in code page 936: its 8 x 16 glyph";
}

TEST(FontMatrixTest, CharactersOutsideBothFontsAreRefused) {
    EXPECT_FALSE(LookUpGlyph(u"€")) << "one byte (0x80) in code page 936";
    EXPECT_FALSE(LookUpGlyph(u"丂")) << "GBK 8140, below the GB2312 rows";
    EXPECT_FALSE(LookUpGlyph(u"Ā")) << "not in code page 936 and past the 8 x 16 table";
    EXPECT_FALSE(LookUpGlyph(u"\U0001F600"));
    ASSERT_EQ(testing::Gbk("ⅰ"), "\xA2\xA1");
    EXPECT_FALSE(LookUpGlyph(u"ⅰ")) << "A2A1 is code page 936's, empty in GB2312";
}

// Every character of iconv's GB2312 table takes the glyph of its own slot,
// and so does code page 936's character where the two tables differ.
TEST(FontMatrixTest, EveryGb2312CharacterFindsItsSlot) {
    std::size_t characters = 0;
    std::vector<std::string> differing;
    for (std::size_t number = 0; number < fonts::kGb2312GlyphCount; ++number) {
        const std::string code{static_cast<char>(0xA1 + number / 94), static_cast<char>(0xA1 + number % 94)};
        const std::string gb2312 = testing::IconvConvert(code, "EUC-CN", "UTF-8");
        if (gb2312.empty()) continue;
        ++characters;
        std::vector<std::string> spellings{gb2312};
        const std::string cp936 = testing::IconvConvert(code, "CP936", "UTF-8");
        if (cp936 != gb2312) {
            spellings.push_back(cp936);
            differing.push_back(gb2312 + cp936);
        }
        const std::vector<std::uint8_t> slot(fonts::kGb2312Glyphs + number * 32,
                                             fonts::kGb2312Glyphs + (number + 1) * 32);
        for (const std::string& spelling : spellings) {
            const std::optional<Glyph> glyph = LookUpGlyph(Utf8ToUtf16(spelling));
            ASSERT_TRUE(glyph) << spelling << " of slot " << number;
            EXPECT_EQ(glyph->bytes, slot) << spelling << " of slot " << number;
        }
    }
    EXPECT_EQ(characters, 7445u);
    EXPECT_EQ(differing, (std::vector<std::string>{"・·", "―—"}));
}

TEST(FontMatrixTest, TextListsTheBytesThenTheirComplements) {
    const Glyph glyph{
        8, {0x00, 0x18, 0x24, 0x42, 0x42, 0x7E, 0x42, 0x42, 0x42, 0x42, 0x00, 0x00, 0x00, 0x00, 0x00, 0xFF}};
    EXPECT_EQ(
        FormatGlyph(glyph),
        u"字节正序输出：\r\n"
        u"0x00, 0x18, 0x24, 0x42, 0x42, 0x7E, 0x42, 0x42, 0x42, 0x42, 0x00, 0x00, 0x00, 0x00, 0x00, 0xFF "
        u"\r\n\r\n字节反序输出：\r\n"
        u"0xFF, 0xE7, 0xDB, 0xBD, 0xBD, 0x81, 0xBD, 0xBD, 0xBD, 0xBD, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x00 ");
}

TEST(FontTablesTest, TablesHaveTheirSizesAndBlankEmptyCodes) {
    EXPECT_EQ(sizeof fonts::kGb2312Glyphs, 267616u);
    EXPECT_EQ(sizeof fonts::kLatinGlyphs, 4096u);
    std::size_t present = 0;
    for (std::size_t i = 0; i < fonts::kGb2312GlyphCount; ++i)
        present += fonts::kGb2312Present[i / 8] >> (i % 8) & 1;
    EXPECT_EQ(present, 7445u) << "GB2312 holds 682 symbols and 6763 hanzi";
    // Row 10 (AAxx) is empty in GB2312.
    const std::size_t row10 = (0xAA - 0xA1) * 94;
    EXPECT_TRUE(std::all_of(fonts::kGb2312Glyphs + row10 * 32, fonts::kGb2312Glyphs + (row10 + 94) * 32,
                            [](std::uint8_t b) { return b == 0; }));
}

}  // namespace
}  // namespace viz
