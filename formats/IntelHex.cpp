#include "formats/IntelHex.h"

#include <algorithm>
#include <array>

#include "base/TextFill.h"
#include "base/TextFormat.h"
#include "formats/BlockOutput.h"
#include "formats/IntelHexTexts.h"

namespace viz {
namespace {

namespace t = texts::intelhex;

constexpr std::size_t kWindow = std::size_t{1} << 20;
constexpr std::uint64_t kAddressLimit = std::uint64_t{1} << 32;

// A character's value as a hexadecimal digit; 0xFF for any other character.
constexpr std::array<std::uint8_t, 256> kHexValue = [] {
    std::array<std::uint8_t, 256> table{};
    table.fill(0xFF);
    for (int i = 0; i < 10; ++i) table['0' + i] = static_cast<std::uint8_t>(i);
    for (int i = 0; i < 6; ++i) {
        table['A' + i] = static_cast<std::uint8_t>(10 + i);
        table['a' + i] = static_cast<std::uint8_t>(10 + i);
    }
    return table;
}();

std::uint8_t HexValue(char c) {
    return kHexValue[static_cast<unsigned char>(c)];
}

std::u16string HexText(std::uint8_t value) {
    std::string digits;
    AppendHexByte(digits, value);
    return std::u16string(digits.begin(), digits.end());
}

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r';
}

}  // namespace

void HexImage::Add(std::uint64_t address, const std::uint8_t* data, std::size_t size) {
    if (size == 0) return;
    if (segments_.empty()) {
        first_ = address;
        end_ = address;
    }
    if (!segments_.empty() && segments_.back().end() == address) {
        segments_.back().length += size;
    } else {
        segments_.push_back({address, size, pool_.size()});
    }
    pool_.insert(pool_.end(), data, data + size);
    first_ = std::min(first_, address);
    end_ = std::max(end_, address + size);
}

bool HexImage::Emit(const Consumer& consumer) const {
    if (segments_.empty()) return true;
    // Segment numbers by start address; equal starts keep file order.
    std::vector<std::size_t> byStart(segments_.size());
    for (std::size_t i = 0; i < byStart.size(); ++i) byStart[i] = i;
    std::stable_sort(byStart.begin(), byStart.end(), [this](std::size_t a, std::size_t b) {
        return segments_[a].start < segments_[b].start;
    });

    static const std::array<std::uint8_t, kWindow> kErased = [] {
        std::array<std::uint8_t, kWindow> erased;
        erased.fill(0xFF);
        return erased;
    }();
    std::vector<std::uint8_t> window(kWindow);
    std::vector<std::size_t> active;
    std::size_t next = 0;
    std::uint64_t position = first_;
    while (position < end_) {
        // A gap with no record in it is erased flash, handed on as it is.
        if (active.empty() && next < byStart.size() && segments_[byStart[next]].start > position) {
            const std::uint64_t gapEnd = std::min(segments_[byStart[next]].start, position + kWindow);
            if (!consumer(kErased.data(), static_cast<std::size_t>(gapEnd - position))) return false;
            position = gapEnd;
            continue;
        }
        const std::uint64_t windowEnd = std::min(position + kWindow, end_);
        while (next < byStart.size() && segments_[byStart[next]].start < windowEnd)
            active.push_back(byStart[next++]);
        // Applied in file order, so a later record overwrites an earlier one.
        std::sort(active.begin(), active.end());
        std::fill(window.begin(), window.end(), 0xFF);
        for (std::size_t index : active) {
            const Segment& segment = segments_[index];
            const std::uint64_t from = std::max(segment.start, position);
            const std::uint64_t to = std::min(segment.end(), windowEnd);
            if (from >= to) continue;
            std::copy_n(pool_.begin() + static_cast<std::ptrdiff_t>(segment.pool + (from - segment.start)),
                        to - from, window.begin() + static_cast<std::ptrdiff_t>(from - position));
        }
        if (!consumer(window.data(), static_cast<std::size_t>(windowEnd - position))) return false;
        std::erase_if(active, [&](std::size_t index) { return segments_[index].end() <= windowEnd; });
        position = windowEnd;
    }
    return true;
}

bool IntelHexReader::Feed(std::string_view block) {
    if (problem_) return false;
    while (!block.empty() && !ended_) {
        const std::size_t newline = block.find('\n');
        if (newline == std::string_view::npos) {
            partialLine_.append(block);
            return true;
        }
        bool read;
        if (partialLine_.empty()) {
            read = ReadLine(block.substr(0, newline));
        } else {
            partialLine_.append(block.substr(0, newline));
            read = ReadLine(partialLine_);
            partialLine_.clear();
        }
        if (!read) return false;
        block.remove_prefix(newline + 1);
    }
    return true;
}

bool IntelHexReader::Finish() {
    if (problem_) return false;
    if (!ended_ && !partialLine_.empty()) {
        const std::string last = std::move(partialLine_);
        partialLine_.clear();
        if (!ReadLine(last)) return false;
    }
    if (!ended_) {
        problem_ = HexProblem{0, t::kHexNoEnd};
        return false;
    }
    return true;
}

bool IntelHexReader::Fail(std::u16string what) {
    problem_ = HexProblem{lineNumber_, std::move(what)};
    return false;
}

bool IntelHexReader::ReadLine(std::string_view line) {
    ++lineNumber_;
    std::size_t begin = 0;
    while (begin < line.size() && IsBlank(line[begin])) ++begin;
    while (line.size() > begin && IsBlank(line.back())) line.remove_suffix(1);
    if (begin == line.size()) return true;
    if (line[begin] != ':') return Fail(t::kHexNoColon);

    // At most 255 data bytes plus length, address, type and checksum. One
    // pass decodes and sums; a bad digit is looked for only once one is seen.
    std::array<std::uint8_t, 260> bytes;
    const std::string_view digits = line.substr(begin + 1);
    const std::size_t count = digits.size() / 2;
    unsigned invalid = count > bytes.size() ? 0x80 : 0;
    unsigned sum = 0;
    for (std::size_t i = 0; i < count && invalid == 0; ++i) {
        const std::uint8_t high = HexValue(digits[2 * i]);
        const std::uint8_t low = HexValue(digits[2 * i + 1]);
        invalid |= (high | low) & 0x80u;
        bytes[i] = static_cast<std::uint8_t>(high << 4 | low);
        sum += bytes[i];
    }
    if (digits.size() % 2 != 0) invalid |= HexValue(digits.back()) & 0x80u;
    if (invalid & 0x80) {
        for (std::size_t i = 0; i < digits.size(); ++i) {
            if (HexValue(digits[i]) == 0xFF) {
                return Fail(FormatCounts(t::kHexNotHexDigit, {static_cast<std::int64_t>(begin + i + 2)}));
            }
        }
    }
    if (digits.size() % 2 != 0) return Fail(t::kHexOddDigits);
    if (count < 5) return Fail(t::kHexTooShort);
    const std::size_t dataSize = count - 5;
    const int declared = HexValue(digits[0]) * 16 + HexValue(digits[1]);
    if (static_cast<std::size_t>(declared) != dataSize) {
        return Fail(FormatCounts(t::kHexLengthMismatch,
                                 {static_cast<std::int64_t>(declared), static_cast<std::int64_t>(dataSize)}));
    }
    if ((sum & 0xFF) != 0) {
        const auto expected = static_cast<std::uint8_t>(bytes[count - 1] - sum);
        return Fail(FillText(t::kHexBadChecksum, {HexText(expected), HexText(bytes[count - 1])}));
    }
    const auto address = static_cast<std::uint16_t>(bytes[1] << 8 | bytes[2]);
    return Apply(bytes[3], address, bytes.data() + 4, dataSize);
}

bool IntelHexReader::Apply(std::uint8_t type, std::uint16_t address, const std::uint8_t* data,
                           std::size_t size) {
    const bool skipped = skipFirstRecord_ && !seenRecord_ && type != 0x01;
    seenRecord_ = true;
    switch (type) {
        case 0x00:
            if (base_ + address + size > kAddressLimit) return Fail(t::kHexAddressTooHigh);
            if (!skipped) image_.Add(base_ + address, data, size);
            return true;
        case 0x01:
            ended_ = true;
            return true;
        case 0x02:
        case 0x04:
            if (size != 2) return Fail(FormatCounts(t::kHexBadAddressRecord, {2}));
            if (!skipped)
                base_ = static_cast<std::uint64_t>(data[0] << 8 | data[1]) << (type == 0x02 ? 4 : 16);
            return true;
        case 0x03:
        case 0x05:
            if (size != 4) return Fail(FormatCounts(t::kHexBadAddressRecord, {4}));
            return true;
        default:
            return Fail(FillText(t::kHexBadType, {HexText(type)}));
    }
}

}  // namespace viz
