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
    text_.DropBefore(StartOf(firstLine()));
    Restart();
}

void AreaText::SetKeptLines(std::size_t lines) {
    keptLines_ = lines;
    Trim();
}

void AreaText::Append(std::u16string_view text) {
    const std::size_t from = text_.end();
    text_.Append(text);
    Count(from);
    Trim();
}

void AreaText::Assign(std::u16string_view text) {
    text_.Clear();
    text_.Append(text);
    Restart();
}

void AreaText::Restart() {
    lineStarts_.assign(1, text_.begin());
    lineBase_ = 0;
    lineOrigin_ = 0;
    lastLineColumns_ = 0;
    Count(text_.begin());
    shown_ = text_.begin();
    shownFirst_ = 0;
    reset_ = true;
    Trim();
}

void AreaText::Trim() {
    if (keptLines_ == 0) return;
    std::size_t lines = lineCount();
    if (lines > 1 && lineStarts_.back() == text_.end()) --lines;
    if (lines <= keptLines_) return;
    lineBase_ += lines - keptLines_;
    LetGo();
}

void AreaText::LetGo() {
    // Dropped lines the widget still shows are kept for a copy until it
    // takes the next update, unless more of them went than are kept (no
    // update for long): the memory stays bounded.
    std::size_t holdFrom = firstLine();
    if (!reset_ && shownFirst_ < holdFrom && holdFrom - shownFirst_ <= keptLines_) {
        holdFrom = std::max(shownFirst_, lineOrigin_);
    }
    const std::size_t drop = holdFrom - lineOrigin_;
    if (drop == 0) return;
    lineStarts_.erase(lineStarts_.begin(), lineStarts_.begin() + static_cast<std::ptrdiff_t>(drop));
    lineOrigin_ += drop;
    lineBase_ -= drop;
    text_.DropBefore(lineStarts_.front());
    // If the end of what the widget shows went too, it starts over.
    if (shown_ < text_.begin()) reset_ = true;
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
        AppendScreenLines(update.text, StartOf(from), text_.end());
        shownFirst_ = from;
        // Starting over was the update's work; older lines come next time.
        used = budget;
    } else {
        shownFirst_ += update.dropLines;
        // The last update filled its screen line exactly: the new text starts
        // the next one.
        const bool startsLine = shown_ > StartOf(shownFirst_) && shown_ < text_.end() &&
                                !shownEndsWithBreak_ &&
                                std::binary_search(lineStarts_.begin(), lineStarts_.end(), shown_);
        if (startsLine) update.text += u'\n';
        AppendScreenLines(update.text, shown_, text_.end());
    }
    if (!update.text.empty() || update.reset) {
        shownEndsWithBreak_ = !update.text.empty() && update.text.back() == u'\n';
    }
    reset_ = false;
    shown_ = text_.end();
    // Older kept lines the widget has not got yet, newest first.
    const std::size_t room = budget > used ? budget - used : 0;
    if (shownFirst_ > first && room > 0) {
        const std::size_t from = std::max(first, shownFirst_ > room ? shownFirst_ - room : 0);
        AppendScreenLines(update.prepend, StartOf(from), StartOf(shownFirst_));
        shownFirst_ = from;
    }
    update.complete = shownFirst_ == first;
    shownLines_ = end - shownFirst_;
    LetGo();
    return update;
}

void AreaText::AppendScreenLines(std::u16string& out, std::size_t from, std::size_t to) const {
    auto line = std::upper_bound(lineStarts_.begin(), lineStarts_.end(), from);
    const auto last = std::upper_bound(line, lineStarts_.end(), to);
    const std::size_t at = out.size();
    out.resize(at + (to - from) + static_cast<std::size_t>(last - line));
    char16_t* p = out.data() + at;
    const auto copyShown = [&p](std::u16string_view piece) {
        for (const char16_t unit : piece) {
            *p = unit;
            p += unit != u'\r' && unit != u'\n';
        }
    };
    std::size_t i = from;
    for (;;) {
        const std::size_t stop = line != last ? *line : to;
        text_.ForEachPiece(i, stop, copyShown);
        i = stop;
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
    return text_.Text(from, std::max(from, to));
}

std::size_t AreaText::TextIndex(std::size_t line, std::size_t column) const {
    const std::size_t index = shownFirst_ + line - lineOrigin_;
    if (index >= lineStarts_.size()) return text_.end();
    const std::size_t end = index + 1 < lineStarts_.size() ? lineStarts_[index + 1] : text_.end();
    std::size_t i = lineStarts_[index];
    for (std::size_t seen = 0; i < end && seen < column; ++i) {
        const char16_t unit = text_.at(i);
        if (unit != u'\r' && unit != u'\n') ++seen;
    }
    return i;
}

void AreaText::Count(std::size_t from) {
    std::size_t position = from;
    text_.ForEachPiece(from, text_.end(), [&](std::u16string_view piece) {
        CountPiece(piece, position);
        position += piece.size();
    });
}

void AreaText::CountPiece(std::u16string_view piece, std::size_t position) {
    const char16_t* const begin = piece.data();
    const char16_t* const end = begin + piece.size();
    const auto at = [&](const char16_t* p) { return position + static_cast<std::size_t>(p - begin); };
    const char16_t* p = begin;
    if (columns_ == 0) {
        // Nothing wraps: only the line breaks count.
        while ((p = std::find(p, end, u'\n')) != end) lineStarts_.push_back(at(++p));
        return;
    }
    while (p != end) {
        // A run of one-column characters (all of hex display text) fills the
        // line arithmetically instead of one character at a time.
        const char16_t* runEnd = SingleColumnRunEnd(p, end);
        while (p != runEnd) {
            if (lastLineColumns_ >= columns_) {
                lineStarts_.push_back(at(p));
                lastLineColumns_ = 0;
            }
            const auto take = std::min(static_cast<std::size_t>(runEnd - p), columns_ - lastLineColumns_);
            p += take;
            lastLineColumns_ += take;
        }
        if (p == end) break;
        const char16_t unit = *p++;
        if (unit == u'\n') {
            lineStarts_.push_back(at(p));
            lastLineColumns_ = 0;
            continue;
        }
        const std::size_t width = ScreenColumns(unit);
        if (lastLineColumns_ != 0 && lastLineColumns_ + width > columns_) {
            lineStarts_.push_back(at(p - 1));
            lastLineColumns_ = 0;
        }
        lastLineColumns_ += width;
    }
}

}  // namespace viz
