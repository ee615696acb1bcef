#pragma once

#include <string>
#include <string_view>

namespace viz {

// The wizard's "警告与建议" box: one "> sentence" line per change. A box that
// already holds more than 200 lines is emptied before the next line, so it
// never grows without bound.
class Mcu51Log {
public:
    static constexpr int kMaxLines = 200;

    void Append(std::string_view sentence);
    void Clear();

    // UTF-8, lines ending in CR LF.
    const std::string& text() const { return text_; }
    // Lines as an edit box counts them: the empty line after the last break counts too.
    int lineCount() const { return breaks_ + 1; }
    // Goes up every time the box is emptied, so a viewer knows to start over.
    unsigned generation() const { return generation_; }

private:
    std::string text_;
    int breaks_ = 0;
    unsigned generation_ = 0;
};

}  // namespace viz
