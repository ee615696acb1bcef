#include "tools/EncodingSections.h"

#include <array>
#include <cstdio>

#include "platform/CodePage.h"

namespace viz {
namespace {

struct ByteSection {
    const char16_t* heading;
    CodePage page;
};

constexpr std::array<ByteSection, 5> kByteSections{{
    {u"ANSI编码：\r\n", CodePage::Ansi},
    {u"OEM编码：\r\n", CodePage::Oem},
    {u"Macintosh编码：\r\n", CodePage::Macintosh},
    {u"UTF7编码：\r\n", CodePage::Utf7},
    {u"UTF8编码：\r\n", CodePage::Utf8},
}};

constexpr char16_t kUnicodeHeading[] = u"UNICODE编码(16位，小端模式)：\r\n";
constexpr char16_t kSectionEnd[] = u"\r\n\r\n";

// Formats `count` numbers of `digits` hex digits; `valueAt(i)` gives each.
template <typename ValueAt>
std::u16string FormatNumbers(std::size_t count, int digits, DisplayStyle style, ValueAt valueAt) {
    const char* prefix = style == DisplayStyle::Style1 ? "0x" : "";
    const char separator = style == DisplayStyle::Style3 ? ' ' : ',';
    std::u16string out;
    for (std::size_t i = 0; i < count; ++i) {
        char number[16];
        std::snprintf(number, sizeof number, "%s%0*X", prefix, digits, valueAt(i));
        for (const char* c = number; *c; ++c) out.push_back(static_cast<char16_t>(*c));
        if (i + 1 < count) out.push_back(static_cast<char16_t>(separator));
    }
    return out;
}

}  // namespace

std::u16string FormatEncodedBytes(std::string_view bytes, DisplayStyle style) {
    return FormatNumbers(bytes.size(), 2, style, [&](std::size_t i) {
        return static_cast<unsigned>(static_cast<unsigned char>(bytes[i]));
    });
}

std::u16string FormatCodeUnits(std::u16string_view units, DisplayStyle style) {
    return FormatNumbers(units.size(), 4, style,
                         [&](std::size_t i) { return static_cast<unsigned>(units[i]); });
}

std::u16string BuildEncodingDisplay(std::u16string_view text, DisplayStyle style) {
    std::u16string display;
    for (const ByteSection& section : kByteSections) {
        display += section.heading;
        // An unavailable converter yields no bytes, which leaves the section empty.
        display += FormatEncodedBytes(EncodeText(text, section.page), style);
        display += kSectionEnd;
    }
    display += kUnicodeHeading;
    display += FormatCodeUnits(text, style);
    display += kSectionEnd;
    return display;
}

}  // namespace viz
