#pragma once

#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace viz {

// Replaces each "%d" of a page's counter text, in order, by the next number
// ("发送区：TCP已发送%d字节，UDP已发送%d字节" takes two). Extra "%d" stay as
// they are; extra numbers are ignored.
std::u16string FormatCounts(std::u16string_view format, const std::vector<std::int64_t>& numbers);
inline std::u16string FormatCounts(std::u16string_view format, std::initializer_list<std::int64_t> numbers) {
    return FormatCounts(format, std::vector<std::int64_t>(numbers));
}

// A number field's integer value as a C integer conversion reads it: leading
// spaces, an optional sign, then digits up to the first other character; 0
// when there is no digit. Values beyond the int range are clamped.
int FieldInteger(std::u16string_view field);

// A field that must hold a whole number from `low` to `high`: digits only,
// spaces around them allowed. Anything else (a sign, letters, a number out of
// range however long) gives nothing, so a caller refuses it instead of
// taking some other value.
std::optional<std::uint32_t> WholeNumberIn(std::u16string_view field, std::uint32_t low, std::uint32_t high);

}  // namespace viz
