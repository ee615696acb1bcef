#pragma once

// The last lines a child process printed, for saying why it ended.

#include <cstddef>
#include <deque>
#include <string>
#include <string_view>

namespace viz {

// Moves from `pending` what ends on a whole UTF-8 character, so text read in
// pieces is never shown with a character cut in two.
std::string TakeWholeUtf8(std::string& pending);

class OutputTail {
public:
    explicit OutputTail(std::size_t lines = 10) : limit_(lines) {}

    // Any pieces of output; lines end at '\n' (a '\r' before it is dropped).
    void Add(std::string_view text);
    // The kept lines, each ending in '\n', with an unfinished last line.
    std::string Text() const;

private:
    std::size_t limit_;
    std::deque<std::string> lines_;
    std::string partial_;
};

}  // namespace viz
