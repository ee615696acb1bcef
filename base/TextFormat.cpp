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

}  // namespace viz
