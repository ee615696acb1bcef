#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace viz {

// The code pages the product exchanges text in. "ANSI" and "OEM" are both
// code page 936 (GBK) on the Chinese desktop the texts are written for.
enum class CodePage { Ansi, Oem, Macintosh, Utf7, Utf8 };

// UTF-16 to the code page; a character without a mapping (or a lone
// surrogate) becomes '?', the code page's default character.
std::string EncodeText(std::u16string_view text, CodePage page);

// As EncodeText, but any character without a mapping fails the whole text.
std::optional<std::string> EncodeTextStrict(std::u16string_view text, CodePage page);

// Code page bytes to UTF-16; a byte that starts no valid sequence becomes '?'.
std::u16string DecodeText(std::string_view bytes, CodePage page);

// UTF-8 <-> UTF-16 for the program's own files and Qt-free interfaces.
std::string Utf16ToUtf8(std::u16string_view text);
std::u16string Utf8ToUtf16(std::string_view text);

}  // namespace viz
