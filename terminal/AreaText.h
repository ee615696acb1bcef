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

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace viz {

class AreaText {
public:
    AreaText() : lineStarts_{0} {}

    // Screen columns per line (an ASCII character takes one, a CJK character
    // two); 0 means lines never wrap. A change redraws the whole area.
    void SetColumns(std::size_t columns);
    std::size_t columns() const { return columns_; }

    void Append(std::u16string_view text);
    void Assign(std::u16string_view text);
    void Clear() { Assign({}); }

    const std::u16string& text() const { return text_; }
    // Screen lines, at least 1 (an empty area has one empty line).
    std::size_t lineCount() const { return lineStarts_.size(); }

    // What the widget must do to show the current text: start over with
    // `text` (`reset`), or append `text` to what it shows. Screen lines are
    // separated by '\n'; CR is left out.
    struct Update {
        bool reset = false;
        std::u16string text;
    };
    Update TakeUpdate();
    bool hasUpdate() const { return reset_ || shown_ != text_.size(); }
    // The widget shows other text than this until the next update.
    bool resetPending() const { return reset_; }

    // Where in text() a place of the widget is: `column` characters into
    // screen line `line` (CR and LF are not shown, so not counted).
    std::size_t TextIndex(std::size_t line, std::size_t column) const;

private:
    void Count(std::size_t from);

    std::u16string text_;
    // Where each screen line starts in text_.
    std::vector<std::size_t> lineStarts_;
    std::size_t columns_ = 0;
    std::size_t lastLineColumns_ = 0;
    std::size_t shown_ = 0;
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
