#include "wizards/c51/Mcu51Log.h"

namespace viz {

namespace {

int CountBreaks(std::string_view text) {
    int count = 0;
    for (std::size_t pos = text.find("\r\n"); pos != std::string_view::npos;
         pos = text.find("\r\n", pos + 2)) {
        ++count;
    }
    return count;
}

}  // namespace

void Mcu51Log::Append(std::string_view sentence) {
    if (lineCount() > kMaxLines) Clear();
    text_ += "> ";
    text_ += sentence;
    text_ += "\r\n";
    // A sentence may carry its own line break.
    breaks_ += CountBreaks(sentence) + 1;
}

void Mcu51Log::Clear() {
    text_.clear();
    breaks_ = 0;
    ++generation_;
}

}  // namespace viz
