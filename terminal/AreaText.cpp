#include "terminal/AreaText.h"

#include <algorithm>

namespace viz {
namespace {

// The end of the run from `p` of printable ASCII characters (one column each).
const char16_t* SingleColumnRunEnd(const char16_t* p, const char16_t* end) {
    return std::find_if_not(p, end, [](char16_t unit) { return unit >= 0x20 && unit < 0x80; });
}

}  // namespace

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
    // Breaks before the characters of this update, and one at its end when
    // the last screen line has just been ended.
    auto line = std::upper_bound(lineStarts_.begin(), lineStarts_.end(), from);
    // The last update filled its screen line exactly: the new text starts
    // the next one.
    const bool startsLine = !reset_ && from > 0 && from < text_.size() && !shownEndsWithBreak_ &&
                            std::binary_search(lineStarts_.begin(), line, from);
    update.text.resize(text_.size() - from + static_cast<std::size_t>(lineStarts_.end() - line) + 1);
    char16_t* out = update.text.data();
    if (startsLine) *out++ = u'\n';
    std::size_t i = from;
    for (;;) {
        const std::size_t stop = line != lineStarts_.end() ? *line : text_.size();
        for (; i < stop; ++i) {
            const char16_t unit = text_[i];
            *out = unit;
            out += unit != u'\r' && unit != u'\n';
        }
        if (line == lineStarts_.end()) break;
        if (i == text_.size()) {
            if (text_.size() > from) *out++ = u'\n';
            break;
        }
        *out++ = u'\n';
        ++line;
    }
    update.text.resize(static_cast<std::size_t>(out - update.text.data()));
    if (!update.text.empty() || update.reset) {
        shownEndsWithBreak_ = !update.text.empty() && update.text.back() == u'\n';
    }
    reset_ = false;
    shown_ = text_.size();
    return update;
}

std::size_t AreaText::TextIndex(std::size_t line, std::size_t column) const {
    if (line >= lineStarts_.size()) return text_.size();
    const std::size_t end = line + 1 < lineStarts_.size() ? lineStarts_[line + 1] : text_.size();
    std::size_t i = lineStarts_[line];
    for (std::size_t seen = 0; i < end && seen < column; ++i) {
        if (text_[i] != u'\r' && text_[i] != u'\n') ++seen;
    }
    return i;
}

void AreaText::Count(std::size_t from) {
    const char16_t* const begin = text_.data();
    const char16_t* const end = begin + text_.size();
    const char16_t* p = begin + from;
    if (columns_ == 0) {
        // Nothing wraps: only the line breaks count.
        while ((p = std::find(p, end, u'\n')) != end)
            lineStarts_.push_back(static_cast<std::size_t>(++p - begin));
        return;
    }
    while (p != end) {
        // A run of one-column characters (all of hex display text) fills the
        // line arithmetically instead of one character at a time.
        const char16_t* runEnd = SingleColumnRunEnd(p, end);
        while (p != runEnd) {
            if (lastLineColumns_ >= columns_) {
                lineStarts_.push_back(static_cast<std::size_t>(p - begin));
                lastLineColumns_ = 0;
            }
            const auto take = std::min(static_cast<std::size_t>(runEnd - p), columns_ - lastLineColumns_);
            p += take;
            lastLineColumns_ += take;
        }
        if (p == end) break;
        const char16_t unit = *p++;
        if (unit == u'\n') {
            lineStarts_.push_back(static_cast<std::size_t>(p - begin));
            lastLineColumns_ = 0;
            continue;
        }
        const std::size_t width = ScreenColumns(unit);
        if (lastLineColumns_ != 0 && lastLineColumns_ + width > columns_) {
            lineStarts_.push_back(static_cast<std::size_t>(p - 1 - begin));
            lastLineColumns_ = 0;
        }
        lastLineColumns_ += width;
    }
}

}  // namespace viz
