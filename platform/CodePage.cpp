#include "platform/CodePage.h"

#include <iconv.h>

#include <algorithm>
#include <array>
#include <bit>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <memory>
#include <utility>

static_assert(std::endian::native == std::endian::little, "UTF-16 is exchanged with iconv as UTF-16LE");

namespace viz {
namespace {

// The Simplified Chinese Mac code page is EUC-CN with a few single bytes of its own.
constexpr std::array<std::pair<unsigned char, char16_t>, 5> kMacSingleBytes{
    {{0x80, u'\u00FC'}, {0xA0, u'\u00A0'}, {0xFD, u'\u00A9'}, {0xFE, u'\u2122'}, {0xFF, u'\u2026'}}};

const char* IconvName(CodePage page) {
    switch (page) {
        case CodePage::Ansi:
        case CodePage::Oem:
            return "CP936";
        case CodePage::Macintosh:
            return "EUC-CN";
        case CodePage::Utf7:
            return "UTF-7";
        case CodePage::Utf8:
            return "UTF-8";
    }
    return "CP936";
}

// iconv descriptors are costly to open and not shareable between threads,
// so each thread keeps one per direction and code page.
class Converter {
public:
    Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
    ~Converter() {
        if (cd_ != reinterpret_cast<iconv_t>(-1)) iconv_close(cd_);
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    bool valid() const { return cd_ != reinterpret_cast<iconv_t>(-1); }
    void Reset() { iconv(cd_, nullptr, nullptr, nullptr, nullptr); }

    // Converts as much as possible; returns false at an invalid or incomplete
    // sequence, leaving `in` at it. Output is appended to `out`.
    bool Convert(const char*& in, size_t& inLeft, std::string& out) {
        std::array<char, 4096> buffer{};
        while (inLeft > 0) {
            char* inPtr = const_cast<char*>(in);
            char* outPtr = buffer.data();
            size_t outLeft = buffer.size();
            const size_t rc = iconv(cd_, &inPtr, &inLeft, &outPtr, &outLeft);
            out.append(buffer.data(), buffer.size() - outLeft);
            in = inPtr;
            if (rc == static_cast<size_t>(-1) && errno != E2BIG) return false;
        }
        return true;
    }

    void Flush(std::string& out) {
        std::array<char, 64> buffer{};
        char* outPtr = buffer.data();
        size_t outLeft = buffer.size();
        iconv(cd_, nullptr, nullptr, &outPtr, &outLeft);
        out.append(buffer.data(), buffer.size() - outLeft);
    }

private:
    iconv_t cd_;
};

// One descriptor per direction and code page, found without building keys:
// text is converted once per received chunk.
Converter& CachedConverter(CodePage page, bool encode) {
    constexpr std::size_t kPages = static_cast<std::size_t>(CodePage::Utf8) + 1;
    thread_local std::array<std::unique_ptr<Converter>, kPages * 2> cache;
    std::unique_ptr<Converter>& slot = cache[static_cast<std::size_t>(page) * 2 + (encode ? 1 : 0)];
    if (!slot) {
        slot = encode ? std::make_unique<Converter>(IconvName(page), "UTF-16LE")
                      : std::make_unique<Converter>("UTF-16LE", IconvName(page));
    }
    slot->Reset();
    return *slot;
}

// Every page but UTF-7 writes ASCII as the same single bytes, so ASCII text
// (all hex display) needs no conversion at all.
bool AsciiIsIdentity(CodePage page) {
    return page != CodePage::Utf7;
}

// ASCII text as single bytes, four code units at a time; nothing when the
// text holds any other character.
std::optional<std::string> NarrowAscii(std::u16string_view text) {
    std::string bytes(text.size(), '\0');
    const char16_t* in = text.data();
    char* out = bytes.data();
    std::size_t left = text.size();
    for (; left >= 4; left -= 4, in += 4, out += 4) {
        std::uint64_t units;
        std::memcpy(&units, in, sizeof units);
        if ((units & 0xFF80FF80FF80FF80ULL) != 0) return std::nullopt;
        const std::uint64_t paired = units | (units >> 8);
        const auto four = static_cast<std::uint32_t>((paired & 0xFFFF) | ((paired >> 16) & 0xFFFF0000));
        std::memcpy(out, &four, sizeof four);
    }
    for (; left > 0; --left) {
        if (*in >= 0x80) return std::nullopt;
        *out++ = static_cast<char>(*in++);
    }
    return bytes;
}

// ASCII bytes as UTF-16, four at a time; nothing when another byte occurs.
std::optional<std::u16string> WidenAscii(std::string_view bytes) {
    std::u16string text(bytes.size(), u'\0');
    const char* in = bytes.data();
    char16_t* out = text.data();
    std::size_t left = bytes.size();
    for (; left >= 4; left -= 4, in += 4, out += 4) {
        std::uint32_t four;
        std::memcpy(&four, in, sizeof four);
        if ((four & 0x80808080U) != 0) return std::nullopt;
        const std::uint64_t wide = four;
        const std::uint64_t units =
            (wide & 0xFF) | ((wide & 0xFF00) << 8) | ((wide & 0xFF0000) << 16) | ((wide & 0xFF000000) << 24);
        std::memcpy(out, &units, sizeof units);
    }
    for (; left > 0; --left) {
        const auto byte = static_cast<unsigned char>(*in++);
        if (byte >= 0x80) return std::nullopt;
        *out++ = byte;
    }
    return text;
}

std::u16string BytesToUtf16(const std::string& bytes) {
    std::u16string text(bytes.size() / 2, u'\0');
    for (size_t i = 0; i < text.size(); ++i) {
        text[i] = static_cast<char16_t>(static_cast<unsigned char>(bytes[2 * i]) |
                                        (static_cast<unsigned char>(bytes[2 * i + 1]) << 8));
    }
    return text;
}

// Length in code units of the character at `i`: 2 for a valid surrogate pair.
size_t CharLength(std::u16string_view text, size_t i) {
    const char16_t c = text[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF)
        return 2;
    return 1;
}

std::optional<std::string> EncodeRun(std::u16string_view text, CodePage page, bool strict) {
    Converter& cv = CachedConverter(page, true);
    if (!cv.valid()) return std::nullopt;
    std::string out;
    const char* in = reinterpret_cast<const char*>(text.data());
    size_t inLeft = text.size() * sizeof(char16_t);
    while (!cv.Convert(in, inLeft, out)) {
        if (strict) return std::nullopt;
        const size_t at = (text.size() * sizeof(char16_t) - inLeft) / sizeof(char16_t);
        const size_t skip = std::min(CharLength(text, at) * sizeof(char16_t), inLeft);
        cv.Flush(out);
        out.push_back('?');
        in += skip;
        inLeft -= skip;
    }
    cv.Flush(out);
    return out;
}

std::optional<unsigned char> MacSingleByte(char16_t unit) {
    for (const auto& [byte, macUnit] : kMacSingleBytes) {
        if (macUnit == unit) return byte;
    }
    return std::nullopt;
}

std::optional<std::string> Encode(std::u16string_view text, CodePage page, bool strict) {
    if (AsciiIsIdentity(page)) {
        if (auto ascii = NarrowAscii(text)) return ascii;
    }
    if (page != CodePage::Macintosh) return EncodeRun(text, page, strict);
    // The Mac page's own single bytes take precedence over EUC-CN's forms.
    std::string out;
    size_t runStart = 0;
    for (size_t i = 0; i <= text.size(); ++i) {
        const auto single = i < text.size() ? MacSingleByte(text[i]) : std::nullopt;
        if (i < text.size() && !single) continue;
        const auto run = EncodeRun(text.substr(runStart, i - runStart), page, strict);
        if (!run) return std::nullopt;
        out += *run;
        if (single) out.push_back(static_cast<char>(*single));
        runStart = i + 1;
    }
    return out;
}

}  // namespace

std::string EncodeText(std::u16string_view text, CodePage page) {
    return Encode(text, page, false).value_or("");
}

std::optional<std::string> EncodeTextStrict(std::u16string_view text, CodePage page) {
    return Encode(text, page, true);
}

std::u16string DecodeText(std::string_view bytes, CodePage page) {
    if (AsciiIsIdentity(page)) {
        if (auto ascii = WidenAscii(bytes)) return std::move(*ascii);
    }
    Converter& cv = CachedConverter(page, false);
    if (!cv.valid()) return {};
    std::string out;
    const char* in = bytes.data();
    size_t inLeft = bytes.size();
    while (!cv.Convert(in, inLeft, out)) {
        const auto byte = static_cast<unsigned char>(*in);
        char16_t unit = u'?';
        if (page == CodePage::Macintosh) {
            for (const auto& [macByte, macUnit] : kMacSingleBytes) {
                if (macByte == byte) unit = macUnit;
            }
        }
        out.push_back(static_cast<char>(unit & 0xFF));
        out.push_back(static_cast<char>(unit >> 8));
        ++in;
        --inLeft;
        cv.Reset();
    }
    return BytesToUtf16(out);
}

std::string Utf16ToUtf8(std::u16string_view text) {
    return EncodeText(text, CodePage::Utf8);
}

std::u16string Utf8ToUtf16(std::string_view text) {
    return DecodeText(text, CodePage::Utf8);
}

}  // namespace viz
