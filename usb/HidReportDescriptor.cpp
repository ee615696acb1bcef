#include "usb/HidReportDescriptor.h"

#include <algorithm>
#include <limits>
#include <map>
#include <vector>

namespace viz {
namespace {

// Item types and tags of the short items that matter here.
constexpr int kMain = 0;
constexpr int kGlobal = 1;
constexpr int kInput = 0x8;
constexpr int kOutput = 0x9;
constexpr int kReportSize = 0x7;
constexpr int kReportId = 0x8;
constexpr int kReportCount = 0x9;
constexpr int kPush = 0xA;
constexpr int kPop = 0xB;
constexpr std::uint8_t kLongItem = 0xFE;

struct Globals {
    std::uint64_t reportSize = 0;
    std::uint64_t reportCount = 0;
    std::uint8_t reportId = 0;
};

using BitsById = std::map<std::uint8_t, std::uint64_t>;

void AddBits(BitsById& bits, const Globals& globals) {
    std::uint64_t& total = bits[globals.reportId];
    // Both factors are at most 32 bits wide, so only the sum can overflow.
    const std::uint64_t field = globals.reportSize * globals.reportCount;
    total = field > std::numeric_limits<std::uint64_t>::max() - total
                ? std::numeric_limits<std::uint64_t>::max()
                : total + field;
}

std::size_t LongestReport(const BitsById& bits) {
    std::uint64_t longest = 0;
    for (const auto& [id, count] : bits) longest = std::max(longest, count);
    if (bits.empty()) return 0;
    const std::uint64_t bytes = longest / 8 + (longest % 8 != 0);
    return static_cast<std::size_t>(
               std::min<std::uint64_t>(bytes, std::numeric_limits<std::size_t>::max() - 1)) +
           1;
}

}  // namespace

HidReportLayout ParseReportDescriptor(const std::uint8_t* data, std::size_t size) {
    HidReportLayout layout;
    Globals globals;
    std::vector<Globals> pushed;
    BitsById input;
    BitsById output;
    std::size_t at = 0;
    while (at < size) {
        const std::uint8_t prefix = data[at];
        if (prefix == kLongItem) {
            // Long items carry their own length and describe no report field.
            if (at + 1 >= size) break;
            at += 3 + std::size_t{data[at + 1]};
            continue;
        }
        const std::size_t length = (prefix & 3) == 3 ? 4 : (prefix & 3);
        if (at + 1 + length > size) break;
        std::uint32_t value = 0;
        for (std::size_t i = 0; i < length; ++i) value |= std::uint32_t{data[at + 1 + i]} << (8 * i);
        at += 1 + length;

        const int type = (prefix >> 2) & 3;
        const int tag = prefix >> 4;
        if (type == kGlobal) {
            switch (tag) {
                case kReportSize:
                    globals.reportSize = value;
                    break;
                case kReportCount:
                    globals.reportCount = value;
                    break;
                case kReportId:
                    globals.reportId = static_cast<std::uint8_t>(value);
                    layout.numbered = true;
                    break;
                case kPush:
                    pushed.push_back(globals);
                    break;
                case kPop:
                    if (!pushed.empty()) {
                        globals = pushed.back();
                        pushed.pop_back();
                    }
                    break;
                default:
                    break;
            }
        } else if (type == kMain && tag == kInput) {
            AddBits(input, globals);
        } else if (type == kMain && tag == kOutput) {
            AddBits(output, globals);
        }
    }
    layout.inputLength = LongestReport(input);
    layout.outputLength = LongestReport(output);
    return layout;
}

}  // namespace viz
