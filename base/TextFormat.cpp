#include "base/TextFormat.h"

#include <algorithm>
#include <climits>

namespace viz {

std::u16string FormatCounts(std::u16string_view format, const std::vector<std::int64_t>& numbers) {
    std::u16string text;
    auto next = numbers.begin();
    std::size_t at = 0;
    while (at < format.size()) {
        const std::size_t mark = format.find(u"%d", at);
        if (mark == std::u16string_view::npos || next == numbers.end()) break;
        text.append(format.substr(at, mark - at));
        for (const char c : std::to_string(*next++)) text.push_back(static_cast<char16_t>(c));
        at = mark + 2;
    }
    text.append(format.substr(at));
    return text;
}

int FieldInteger(std::u16string_view field) {
    std::size_t at = 0;
    while (at < field.size() && (field[at] == u' ' || field[at] == u'\t')) ++at;
    bool negative = false;
    if (at < field.size() && (field[at] == u'-' || field[at] == u'+')) negative = field[at++] == u'-';
    long long value = 0;
    for (; at < field.size() && field[at] >= u'0' && field[at] <= u'9'; ++at) {
        value = value * 10 + (field[at] - u'0');
        if (value > INT_MAX) value = INT_MAX + 1LL;
    }
    if (negative) value = -value;
    return static_cast<int>(std::clamp<long long>(value, INT_MIN, INT_MAX));
}

std::optional<std::uint32_t> WholeNumberIn(std::u16string_view field, std::uint32_t low, std::uint32_t high) {
    const std::size_t first = field.find_first_not_of(u" \t");
    if (first == std::u16string_view::npos) return std::nullopt;
    const std::size_t last = field.find_last_not_of(u" \t");
    std::uint64_t value = 0;
    for (const char16_t c : field.substr(first, last - first + 1)) {
        if (c < u'0' || c > u'9') return std::nullopt;
        value = value * 10 + static_cast<std::uint64_t>(c - u'0');
        if (value > high) return std::nullopt;
    }
    if (value < low) return std::nullopt;
    return static_cast<std::uint32_t>(value);
}

}  // namespace viz
