#include "terminal/AreaTextRing.h"

#include <algorithm>

namespace viz {

void AreaTextRing::Append(std::u16string_view text) {
    while (!text.empty()) {
        const std::size_t offset = end_ % kBlockUnits;
        // for_overwrite: a block is only touched as text arrives in it.
        if (offset == 0) blocks_.push_back(std::make_unique_for_overwrite<char16_t[]>(kBlockUnits));
        const std::size_t size = std::min(text.size(), kBlockUnits - offset);
        std::copy_n(text.data(), size, blocks_.back().get() + offset);
        text.remove_prefix(size);
        end_ += size;
    }
}

void AreaTextRing::DropBefore(std::size_t position) {
    begin_ = std::clamp(position, begin_, end_);
    // The block holding begin_ stays, unless all of it went (begin_ at its
    // end, where the next block would start).
    const std::size_t keepFrom = begin_ / kBlockUnits;
    while (firstBlock_ < keepFrom && !blocks_.empty()) {
        blocks_.pop_front();
        ++firstBlock_;
    }
}

void AreaTextRing::Clear() {
    blocks_.clear();
    firstBlock_ = 0;
    begin_ = 0;
    end_ = 0;
}

std::u16string AreaTextRing::Text(std::size_t from, std::size_t to) const {
    std::u16string text;
    text.reserve(to > from ? to - from : 0);
    ForEachPiece(from, to, [&](std::u16string_view piece) { text.append(piece); });
    return text;
}

}  // namespace viz
