#include "terminal/AreaText.h"

#include <algorithm>

namespace viz {
namespace {

// How much longer than the kept text the dropped text may grow before it
// goes: more moves less often, at the cost of memory.
constexpr std::size_t kDroppedPerKept = 3;

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
    text_.erase(0, lineStarts_[lineBase_]);
    Restart();
    Reserve();
}

void AreaText::SetKeptLines(std::size_t lines) {
    keptLines_ = lines;
    Reserve();
    Trim();
}

void AreaText::Reserve() {
    // A screen line holds at most its columns and a line break, and dropped
    // text goes once it is kDroppedPerKept times the kept: with room for both reserved,
    // the text never moves to a larger buffer while data streams in (the
    // memory is only touched as text arrives).
    if (keptLines_ == 0 || columns_ == 0) return;
    text_.reserve((kDroppedPerKept + 1) * keptLines_ * (columns_ + 2) + (std::size_t{1} << 16));
    lineStarts_.reserve(2 * keptLines_ + (std::size_t{1} << 12));
}

void AreaText::Append(std::u16string_view text) {
    const std::size_t from = text_.size();
    text_.append(text);
    Count(from);
    Trim();
}

void AreaText::Assign(std::u16string_view text) {
    text_.assign(text);
    Restart();
}

void AreaText::Restart() {
    lineStarts_.assign(1, 0);
    lineBase_ = 0;
    lineOrigin_ = 0;
    lastLineColumns_ = 0;
    Count(0);
    shown_ = 0;
    shownFirst_ = 0;
    reset_ = true;
    Trim();
}

void AreaText::Trim() {
    if (keptLines_ == 0) return;
    std::size_t lines = lineCount();
    if (lines > 1 && lineStarts_.back() == text_.size()) --lines;
    if (lines <= keptLines_) return;
    lineBase_ += lines - keptLines_;
    Compact();
}

void AreaText::Compact() {
    // Every appended character pays for at most a third of a character moved.
    const std::size_t offset = lineStarts_[lineBase_];
    const std::size_t floor = kDroppedPerKept * std::max<std::size_t>(text_.size() - offset, std::size_t{1} << 15);
    if (offset <= floor) return;
    text_.erase(0, offset);
    lineStarts_.erase(lineStarts_.begin(), lineStarts_.begin() + static_cast<std::ptrdiff_t>(lineBase_));
    for (std::size_t& start : lineStarts_) start -= offset;
    lineOrigin_ += lineBase_;
    lineBase_ = 0;
    // Only lines the widget is about to drop are gone from what it shows;
    // if its end went too, it starts over.
    if (shown_ < offset) reset_ = true;
    shown_ = shown_ < offset ? 0 : shown_ - offset;
}

AreaText::Update AreaText::TakeUpdate(std::size_t budget, std::size_t restart) {
    Update update;
    const std::size_t first = firstLine();
    const std::size_t end = endLine();
    std::size_t used = 0;
    if (!reset_) {
        const std::size_t drop = shownFirst_ < first ? first - shownFirst_ : 0;
        const auto fresh = static_cast<std::size_t>(
            lineStarts_.end() - std::upper_bound(lineStarts_.begin(), lineStarts_.end(), shown_));
        // Removing every line the widget shows, or more lines than one
        // update may carry: start over.
        if (drop >= shownLines_ || drop + fresh > budget) reset_ = true;
        used = drop + fresh;
        update.dropLines = reset_ ? 0 : drop;
    }
    if (reset_) {
        const std::size_t lines = std::min(budget, restart);
        const std::size_t from = std::max(first, end > lines ? end - lines : 0);
        update.reset = true;
        AppendScreenLines(update.text, StartOf(from), text_.size());
        shownFirst_ = from;
        // Starting over was the update's work; older lines come next time.
        used = budget;
    } else {
        shownFirst_ += update.dropLines;
        // The last update filled its screen line exactly: the new text starts
        // the next one.
        const bool startsLine = shown_ > StartOf(shownFirst_) && shown_ < text_.size() &&
                                !shownEndsWithBreak_ &&
                                std::binary_search(lineStarts_.begin(), lineStarts_.end(), shown_);
        if (startsLine) update.text += u'\n';
        AppendScreenLines(update.text, shown_, text_.size());
    }
    if (!update.text.empty() || update.reset) {
        shownEndsWithBreak_ = !update.text.empty() && update.text.back() == u'\n';
    }
    reset_ = false;
    shown_ = text_.size();
    // Older kept lines the widget has not got yet, newest first.
    const std::size_t room = budget > used ? budget - used : 0;
    if (shownFirst_ > first && room > 0) {
        const std::size_t from = std::max(first, shownFirst_ > room ? shownFirst_ - room : 0);
        AppendScreenLines(update.prepend, StartOf(from), StartOf(shownFirst_));
        shownFirst_ = from;
    }
    update.complete = shownFirst_ == first;
    shownLines_ = end - shownFirst_;
    return update;
}

void AreaText::AppendScreenLines(std::u16string& out, std::size_t from, std::size_t to) const {
    auto line = std::upper_bound(lineStarts_.begin(), lineStarts_.end(), from);
    const auto last = std::upper_bound(line, lineStarts_.end(), to);
    const std::size_t at = out.size();
    out.resize(at + (to - from) + static_cast<std::size_t>(last - line));
    char16_t* p = out.data() + at;
    std::size_t i = from;
    for (;;) {
        const std::size_t stop = line != last ? *line : to;
        for (; i < stop; ++i) {
            const char16_t unit = text_[i];
            *p = unit;
            p += unit != u'\r' && unit != u'\n';
        }
        if (line == last) break;
        *p++ = u'\n';
        ++line;
    }
    out.resize(static_cast<std::size_t>(p - out.data()));
}

std::optional<std::u16string> AreaText::ShownText(std::size_t fromLine, std::size_t fromColumn,
                                                  std::size_t toLine, std::size_t toColumn) const {
    if (reset_ || shownFirst_ + fromLine < lineOrigin_) return std::nullopt;
    const std::size_t from = TextIndex(fromLine, fromColumn);
    const std::size_t to = TextIndex(toLine, toColumn);
    return text_.substr(from, to > from ? to - from : 0);
}

std::size_t AreaText::TextIndex(std::size_t line, std::size_t column) const {
    const std::size_t index = shownFirst_ + line - lineOrigin_;
    if (index >= lineStarts_.size()) return text_.size();
    const std::size_t end = index + 1 < lineStarts_.size() ? lineStarts_[index + 1] : text_.size();
    std::size_t i = lineStarts_[index];
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
