#pragma once

// The text of a receive area as the program holds it (CR LF line breaks,
// exactly the characters written to capture and output files), cut into
// the screen lines it takes: a line longer than the area is wide counts once
// per screen line, so one long hex line is not "one line" for the 200-line
// rule.
//
// The widget shows the screen lines as they are cut here (it does not wrap
// by itself), so what it shows always agrees with the count. It takes what
// changed with TakeUpdate() once per pass instead of after every chunk.
//
// With a number of kept lines set, the oldest screen lines go as new ones
// come. The text is held in an AreaTextRing, so dropping a line frees its
// text without moving the rest: what the kept lines cost is their text and
// one position each.

#include <cstddef>
#include <deque>
#include <limits>
#include <optional>
#include <string>
#include <string_view>

#include "terminal/AreaTextRing.h"

namespace viz {

class AreaText {
public:
    AreaText() : lineStarts_{0} {}

    // Screen columns per line (an ASCII character takes one, a CJK character
    // two); 0 means lines never wrap. A change redraws the whole area.
    void SetColumns(std::size_t columns);
    std::size_t columns() const { return columns_; }

    // At most this many screen lines are kept (an empty last line is not
    // counted); 0 keeps everything.
    void SetKeptLines(std::size_t lines);
    std::size_t keptLines() const { return keptLines_; }

    void Append(std::u16string_view text);
    void Assign(std::u16string_view text);
    void Clear() { Assign({}); }

    // A copy of the kept text.
    std::u16string text() const { return text_.Text(StartOf(firstLine()), text_.end()); }
    // The kept text is empty or ends with a line break.
    bool atLineStart() const {
        return StartOf(firstLine()) == text_.end() || text_.at(text_.end() - 1) == u'\n';
    }
    // Bytes that hold the text and the line positions (a bench's figure).
    std::size_t heldBytes() const { return text_.blockBytes() + lineStarts_.size() * sizeof(std::size_t); }
    // Screen lines, at least 1 (an empty area has one empty line).
    std::size_t lineCount() const { return lineStarts_.size() - lineBase_; }

    // What the widget must do to show the current text: start over with
    // `text` (`reset`), or remove its first `dropLines` lines and append
    // `text`; then put `prepend` in front. Screen lines are separated by
    // '\n'; CR is left out. An update holds at most about `budget` lines:
    // when more came, the widget starts over with the newest `restart` (a
    // screenful or so: while text comes that fast, nobody reads older lines)
    // and gets the older ones in the next updates that have room
    // (`complete` is false until then).
    struct Update {
        bool reset = false;
        std::size_t dropLines = 0;
        std::u16string text;
        std::u16string prepend;
        bool complete = true;
    };
    Update TakeUpdate(std::size_t budget = std::numeric_limits<std::size_t>::max(),
                      std::size_t restart = std::numeric_limits<std::size_t>::max());
    bool hasUpdate() const { return reset_ || shown_ != text_.end() || shownFirst_ != firstLine(); }
    // The widget shows other text than this until the next update.
    bool resetPending() const { return reset_; }

    // The text between two places of the widget, each `column` characters
    // into the widget's screen line `line` (CR and LF are not shown, so not
    // counted). Lines dropped since the last update are still there until
    // it takes the next one (unless more went than are kept); none when the
    // widget shows other text.
    std::optional<std::u16string> ShownText(std::size_t fromLine, std::size_t fromColumn, std::size_t toLine,
                                            std::size_t toColumn) const;

private:
    // Absolute numbers of screen lines: they keep counting as lines go.
    std::size_t firstLine() const { return lineOrigin_ + lineBase_; }
    std::size_t endLine() const { return lineOrigin_ + lineStarts_.size(); }
    std::size_t StartOf(std::size_t line) const { return lineStarts_[line - lineOrigin_]; }
    void Count(std::size_t from);
    void CountPiece(std::u16string_view piece, std::size_t position);
    void Trim();
    void LetGo();
    void Restart();
    // The text of [from, to) as screen lines: a '\n' for each line start after from.
    void AppendScreenLines(std::u16string& out, std::size_t from, std::size_t to) const;
    std::size_t TextIndex(std::size_t line, std::size_t column) const;

    // From the start of the first held line; positions count from Assign().
    AreaTextRing text_;
    // Where each held screen line starts; the first lineBase_ are dropped
    // lines the widget still shows.
    std::deque<std::size_t> lineStarts_;
    std::size_t lineBase_ = 0;
    // The absolute number of the line lineStarts_[0] starts.
    std::size_t lineOrigin_ = 0;
    std::size_t columns_ = 0;
    std::size_t lastLineColumns_ = 0;
    std::size_t keptLines_ = 0;
    // What the widget shows: lines from shownFirst_ (absolute) up to position shown_.
    std::size_t shown_ = 0;
    std::size_t shownFirst_ = 0;
    std::size_t shownLines_ = 1;
    // The widget's text ends with a line break; a screen line that filled up
    // at the end of the last update has none yet.
    bool shownEndsWithBreak_ = false;
    bool reset_ = false;
};

// Screen columns of one UTF-16 code unit: CR and the second half of a
// surrogate pair take none, wide (CJK) characters two.
std::size_t WideScreenColumns(char16_t unit);
inline std::size_t ScreenColumns(char16_t unit) {
    if (unit < 0x80) return unit == u'\r' ? 0 : 1;
    return WideScreenColumns(unit);
}

}  // namespace viz
