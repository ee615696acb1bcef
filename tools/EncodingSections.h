#pragma once

#include <string>
#include <string_view>

namespace viz {

// How the encoding page writes numbers: 0 "0x41,0x42", 1 "41,42", 2 "41 42".
enum class DisplayStyle { Style1 = 0, Style2 = 1, Style3 = 2 };

// Bytes as two hexadecimal digits each, separated by the style; no separator
// after the last.
std::u16string FormatEncodedBytes(std::string_view bytes, DisplayStyle style);

// UTF-16 code units as four hexadecimal digits each, separated by the style.
std::u16string FormatCodeUnits(std::u16string_view units, DisplayStyle style);

// The whole display for `text` (line breaks as CR LF): six sections, ANSI,
// OEM, Macintosh, UTF-7, UTF-8 and UTF-16 code units, each a heading, the
// values and a blank line. A conversion that fails leaves its values empty.
std::u16string BuildEncodingDisplay(std::u16string_view text, DisplayStyle style);

}  // namespace viz
