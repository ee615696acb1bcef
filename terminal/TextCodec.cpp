#include "terminal/TextCodec.h"

#include <algorithm>

#include "platform/CodePage.h"

namespace viz {
namespace {

int HexDigitValue(char16_t c) {
    if (c >= u'0' && c <= u'9') return c - u'0';
    if (c >= u'A' && c <= u'F') return c - u'A' + 10;
    if (c >= u'a' && c <= u'f') return c - u'a' + 10;
    return -1;
}

Bytes ScanHex(std::u16string_view text, std::size_t maxBytes) {
    Bytes bytes;
    std::size_t i = 0;
    while (i < text.size() && bytes.size() < maxBytes) {
        if (text[i] == u' ') {
            ++i;
            continue;
        }
        if (i + 1 >= text.size()) break;
        const int high = HexDigitValue(text[i]);
        const int low = HexDigitValue(text[i + 1]);
        if (high < 0 || low < 0) break;
        bytes.push_back(static_cast<std::uint8_t>(high * 16 + low));
        i += 2;
    }
    return bytes;
}

}  // namespace

Bytes HexToBytes(std::u16string_view text) { return ScanHex(text, text.size()); }

Bytes TextToBytes(std::u16string_view text) {
    const std::string encoded = EncodeText(text, CodePage::Ansi);
    return Bytes(encoded.begin(), encoded.end());
}

std::u16string BytesToHexDisplay(const std::uint8_t* data, std::size_t size) {
    static constexpr char16_t kDigits[] = u"0123456789ABCDEF";
    std::u16string text;
    text.reserve(size * 3);
    for (std::size_t i = 0; i < size; ++i) {
        text.push_back(kDigits[data[i] >> 4]);
        text.push_back(kDigits[data[i] & 0x0F]);
        text.push_back(u' ');
    }
    return text;
}

std::u16string BytesToDisplayText(const std::uint8_t* data, std::size_t size) {
    const std::uint8_t* end = std::find(data, data + size, 0);
    std::string expanded;
    expanded.reserve(static_cast<std::size_t>(end - data) * 2);
    for (const std::uint8_t* p = data; p != end; ++p) {
        if (*p == 0x0A) expanded.push_back('\r');
        expanded.push_back(static_cast<char>(*p));
    }
    return DecodeText(expanded, CodePage::Ansi);
}

std::u16string SerialTextDecoder::Decode(const std::uint8_t* data, std::size_t size) {
    Bytes chunk;
    chunk.reserve(size + 1);
    if (held_) {
        chunk.push_back(heldByte_);
        held_ = false;
    }
    chunk.insert(chunk.end(), data, data + size);
    const auto highBytes = std::count_if(chunk.begin(), chunk.end(), [](std::uint8_t b) { return b >= 0x80; });
    if (highBytes % 2 == 1 && chunk.back() >= 0x80) {
        heldByte_ = chunk.back();
        held_ = true;
        chunk.pop_back();
    }
    return BytesToDisplayText(chunk);
}

std::uint16_t HexToUint16(std::u16string_view text) {
    const Bytes bytes = ScanHex(text, 2);
    const unsigned high = bytes.size() > 0 ? bytes[0] : 0;
    const unsigned low = bytes.size() > 1 ? bytes[1] : 0;
    return static_cast<std::uint16_t>(high * 256 + low);
}

}  // namespace viz
