#pragma once

// The characters of a receive area, addressed by their position in the
// stream (counting from the last Clear()), held in fixed blocks: appending
// fills the last block, dropping the oldest text frees whole blocks. No
// character moves once stored, and the memory is the held text and at most
// two partly used blocks.
//
//   AreaTextRing ring;
//   ring.Append(u"line 1\r\nline 2\r\n");     // positions 0..15
//   ring.DropBefore(8);                        // "line 1\r\n" goes
//   ring.ForEachPiece(8, ring.end(), [](std::u16string_view piece) { ... });

#include <algorithm>
#include <cstddef>
#include <deque>
#include <memory>
#include <string>
#include <string_view>

namespace viz {

class AreaTextRing {
public:
    // 16 KiB blocks: small against the kept text, large against a line.
    static constexpr std::size_t kBlockUnits = 8192;

    void Append(std::u16string_view text);
    // Lets go of the text before `position` (at most end()).
    void DropBefore(std::size_t position);
    void Clear();

    // Held text is [begin(), end()).
    std::size_t begin() const { return begin_; }
    std::size_t end() const { return end_; }
    char16_t at(std::size_t position) const {
        return blocks_[position / kBlockUnits - firstBlock_][position % kBlockUnits];
    }

    // Calls `visit` with the text of [from, to) in contiguous pieces, in order.
    template <typename Visit>
    void ForEachPiece(std::size_t from, std::size_t to, Visit&& visit) const {
        while (from < to) {
            const std::size_t offset = from % kBlockUnits;
            const std::size_t size = std::min(to - from, kBlockUnits - offset);
            visit(std::u16string_view(blocks_[from / kBlockUnits - firstBlock_].get() + offset, size));
            from += size;
        }
    }
    std::u16string Text(std::size_t from, std::size_t to) const;

    // Bytes taken by the blocks (what holding the text costs).
    std::size_t blockBytes() const { return blocks_.size() * kBlockUnits * sizeof(char16_t); }

private:
    std::deque<std::unique_ptr<char16_t[]>> blocks_;
    // The block number (position / kBlockUnits) of blocks_.front().
    std::size_t firstBlock_ = 0;
    std::size_t begin_ = 0;
    std::size_t end_ = 0;
};

}  // namespace viz
