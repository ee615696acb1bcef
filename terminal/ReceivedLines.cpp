#include "terminal/ReceivedLines.h"

#include <algorithm>

namespace viz {

void LineAssembler::Feed(std::u16string_view text, std::chrono::system_clock::time_point readTime,
                         std::uint64_t source, ReceivedLineSink& sink) {
    std::size_t at = 0;
    if (afterCr_ && !text.empty()) {
        // The LF of a CR LF whose CR ended the last read ends nothing more.
        if (text.front() == u'\n') at = 1;
        afterCr_ = false;
    }
    while (at < text.size()) {
        if (!open_) {
            open_ = true;
            partialTime_ = readTime;
        }
        const std::size_t stop = text.find_first_of(u"\r\n", at);
        const std::size_t end = stop == std::u16string_view::npos ? text.size() : stop;
        const std::u16string_view piece = text.substr(at, end - at);
        // Whole lines inside one read go out without a copy.
        const bool whole =
            partial_.empty() && stop != std::u16string_view::npos && piece.size() <= kMaxLineUnits;
        if (!whole) partial_.append(piece);
        while (partial_.size() >= kMaxLineUnits) {
            sink.OnLine({source, partialTime_, std::u16string_view(partial_).substr(0, kMaxLineUnits), true});
            partial_.erase(0, kMaxLineUnits);
            partialTime_ = readTime;
        }
        if (stop == std::u16string_view::npos) return;
        sink.OnLine({source, partialTime_, whole ? piece : std::u16string_view(partial_)});
        partial_.clear();
        open_ = false;
        at = stop + 1;
        if (text[stop] == u'\r') {
            if (at == text.size())
                afterCr_ = true;
            else if (text[at] == u'\n')
                ++at;
        }
    }
}

}  // namespace viz
