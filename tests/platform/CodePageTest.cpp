#include "platform/CodePage.h"

#include <gtest/gtest.h>

#include "IconvReference.h"

namespace viz {
namespace {

using testing::IconvConvert;

TEST(CodePage, AnsiAndOemAreCodePage936) {
    const std::u16string text = Utf8ToUtf16("编码转换");
    EXPECT_EQ(EncodeText(text, CodePage::Ansi), IconvConvert("编码转换", "UTF-8", "CP936"));
    EXPECT_EQ(EncodeText(text, CodePage::Oem), EncodeText(text, CodePage::Ansi));
    EXPECT_EQ(DecodeText(EncodeText(text, CodePage::Ansi), CodePage::Ansi), text);
}

TEST(CodePage, Utf8RoundTripIncludingSurrogatePairs) {
    const std::string utf8 = "A中😀";
    const std::u16string text = Utf8ToUtf16(utf8);
    ASSERT_EQ(text.size(), 4u);
    EXPECT_EQ(Utf16ToUtf8(text), utf8);
    EXPECT_EQ(EncodeText(text, CodePage::Utf8), utf8);
}

TEST(CodePage, Utf7ShiftsNonAsciiIntoBase64) {
    const std::string encoded = EncodeText(Utf8ToUtf16("A中"), CodePage::Utf7);
    EXPECT_EQ(encoded, "A+Ti0-");
    EXPECT_EQ(DecodeText(encoded, CodePage::Utf7), Utf8ToUtf16("A中"));
}

TEST(CodePage, MacintoshSimplifiedChineseHasItsOwnSingleBytes) {
    EXPECT_EQ(EncodeText(Utf8ToUtf16("中©™…"), CodePage::Macintosh),
              IconvConvert("中", "UTF-8", "EUC-CN") + "\xFD\xFE\xFF");
    EXPECT_EQ(DecodeText("\xFD", CodePage::Macintosh), Utf8ToUtf16("©"));
}

TEST(CodePage, StrictEncodingFailsOnUnmappableText) {
    EXPECT_FALSE(EncodeTextStrict(Utf8ToUtf16("😀"), CodePage::Ansi).has_value());
    EXPECT_EQ(EncodeTextStrict(Utf8ToUtf16("😀"), CodePage::Utf8).value(), "😀");
    EXPECT_EQ(EncodeText(Utf8ToUtf16("😀"), CodePage::Ansi), "?");
}

}  // namespace
}  // namespace viz
