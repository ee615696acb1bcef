#include "platform/OutputTail.h"

namespace viz {

std::string TakeWholeUtf8(std::string& pending) {
    std::size_t end = pending.size();
    // Back over at most three continuation bytes to the lead byte of the last character.
    std::size_t lead = end;
    while (lead > 0 && end - lead < 4 && (static_cast<unsigned char>(pending[lead - 1]) & 0xC0) == 0x80)
        --lead;
    if (lead > 0) {
        const auto first = static_cast<unsigned char>(pending[lead - 1]);
        const std::size_t length = first >= 0xF0 ? 4 : first >= 0xE0 ? 3 : first >= 0xC0 ? 2 : 1;
        if (length > 1 && end - (lead - 1) < length) end = lead - 1;
    }
    std::string whole = pending.substr(0, end);
    pending.erase(0, end);
    return whole;
}

void OutputTail::Add(std::string_view text) {
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        partial_.append(text.substr(0, end));
        if (end == std::string_view::npos) break;
        if (!partial_.empty() && partial_.back() == '\r') partial_.pop_back();
        lines_.push_back(std::move(partial_));
        partial_.clear();
        if (lines_.size() > limit_) lines_.pop_front();
        text.remove_prefix(end + 1);
    }
}

std::string OutputTail::Text() const {
    std::string text;
    for (const std::string& line : lines_) text.append(line).append("\n");
    return text + partial_;
}

}  // namespace viz
