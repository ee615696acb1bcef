#include "terminal/AreaText.h"

#include <algorithm>

namespace viz {

std::size_t WideScreenColumns(char16_t unit) {
    if (unit >= 0xDC00 && unit <= 0xDFFF) return 0;
    const bool wide = (unit >= 0x1100 && unit <= 0x115F) || (unit >= 0x2E80 && unit <= 0xA4CF) ||
                      (unit >= 0xAC00 && unit <= 0xD7A3) || (unit >= 0xD800 && unit <= 0xDBFF) ||
                      (unit >= 0xF900 && unit <= 0xFAFF) || (unit >= 0xFE30 && unit <= 0xFE4F) ||
                      (unit >= 0xFF00 && unit <= 0xFF60) || (unit >= 0xFFE0 && unit <= 0xFFE6);
    return wide ? 2 : 1;
}

void AreaText::SetColumns(std::size_t columns) {
    if (columns == columns_) return;
    columns_ = columns;
    lineStarts_.assign(1, 0);
    lastLineColumns_ = 0;
    Count(0);
    shown_ = 0;
    reset_ = true;
}

void AreaText::Append(std::u16string_view text) {
    const std::size_t from = text_.size();
    text_.append(text);
    Count(from);
}

void AreaText::Assign(std::u16string_view text) {
    text_.assign(text);
    lineStarts_.assign(1, 0);
    lastLineColumns_ = 0;
    Count(0);
    shown_ = 0;
    reset_ = true;
}

AreaText::Update AreaText::TakeUpdate() {
    Update update{reset_, {}};
    const std::size_t from = reset_ ? 0 : shown_;
    update.text.reserve(text_.size() - from + 8);
    // Breaks before the characters of this update, and one at its end when
    // the last screen line has just been ended.
    auto line = std::upper_bound(lineStarts_.begin(), lineStarts_.end(), from);
    for (std::size_t i = from; i < text_.size(); ++i) {
        if (line != lineStarts_.end() && *line == i) {
            update.text.push_back(u'\n');
            ++line;
        }
        const char16_t unit = text_[i];
        if (unit != u'\r' && unit != u'\n') update.text.push_back(unit);
    }
    if (line != lineStarts_.end() && *line == text_.size() && text_.size() > from)
        update.text.push_back(u'\n');
    reset_ = false;
    shown_ = text_.size();
    return update;
}

void AreaText::Count(std::size_t from) {
    for (std::size_t i = from; i < text_.size(); ++i) {
        const char16_t unit = text_[i];
        if (unit == u'\n') {
            lineStarts_.push_back(i + 1);
            lastLineColumns_ = 0;
            continue;
        }
        const std::size_t width = ScreenColumns(unit);
        if (columns_ != 0 && lastLineColumns_ != 0 && lastLineColumns_ + width > columns_) {
            lineStarts_.push_back(i);
            lastLineColumns_ = 0;
        }
        lastLineColumns_ += width;
    }
}

}  // namespace viz
