#pragma once

#include <initializer_list>
#include <string>
#include <string_view>

namespace viz {

// `format` with each "%s", in order, replaced by the next of `values`.
template <typename Char>
std::basic_string<Char> FillText(std::basic_string_view<Char> format,
                                 std::initializer_list<std::basic_string_view<Char>> values) {
    constexpr Char kMarker[] = {'%', 's', 0};
    std::basic_string<Char> text(format);
    std::size_t from = 0;
    for (const std::basic_string_view<Char> value : values) {
        const std::size_t at = text.find(kMarker, from);
        if (at == std::basic_string<Char>::npos) break;
        text.replace(at, 2, value);
        from = at + value.size();
    }
    return text;
}

inline std::u16string FillText(std::u16string_view format,
                               std::initializer_list<std::u16string_view> values) {
    return FillText<char16_t>(format, values);
}

inline std::string FillText(std::string_view format, std::initializer_list<std::string_view> values) {
    return FillText<char>(format, values);
}

}  // namespace viz
