#pragma once

#include <initializer_list>
#include <string>
#include <string_view>

namespace viz {

// `format` with each "%s", in order, replaced by the next of `values`.
inline std::u16string FillText(std::u16string_view format,
                               std::initializer_list<std::u16string_view> values) {
    std::u16string text(format);
    std::size_t from = 0;
    for (const std::u16string_view value : values) {
        const std::size_t at = text.find(u"%s", from);
        if (at == std::u16string::npos) break;
        text.replace(at, 2, value);
        from = at + value.size();
    }
    return text;
}

}  // namespace viz
