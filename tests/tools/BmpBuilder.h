#pragma once

#include <array>
#include <cstdint>
#include <vector>

namespace viz::testing {

using Row = std::vector<std::uint8_t>;

// A picture laid out byte by byte as the format describes it, independent of
// the reader: 14-byte file header, 40-byte information header, palette
// (blue, green, red, 0), rows padded to four bytes, in file order.
struct Picture {
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::uint16_t bitsPerPixel = 24;
    std::vector<std::array<std::uint8_t, 3>> palette{};  // red, green, blue
    std::vector<Row> rows{};                             // file order, unpadded

    std::vector<std::uint8_t> Bytes() const {
        std::vector<std::uint8_t> out;
        auto u16 = [&out](unsigned v) {
            out.push_back(static_cast<std::uint8_t>(v));
            out.push_back(static_cast<std::uint8_t>(v >> 8));
        };
        auto u32 = [&](std::uint32_t v) {
            u16(v & 0xFFFF);
            u16(v >> 16);
        };
        const std::uint32_t stride = (bitsPerPixel * static_cast<std::uint32_t>(width) + 31) / 32 * 4;
        const auto imageSize = static_cast<std::uint32_t>(stride * rows.size());
        const auto offset = static_cast<std::uint32_t>(14 + 40 + 4 * palette.size());
        out.push_back('B');
        out.push_back('M');
        u32(offset + imageSize);
        u32(0);
        u32(offset);
        u32(40);
        u32(static_cast<std::uint32_t>(width));
        u32(static_cast<std::uint32_t>(height));
        u16(1);
        u16(bitsPerPixel);
        u32(0);
        u32(imageSize);
        u32(2835);
        u32(2835);
        u32(static_cast<std::uint32_t>(palette.size()));
        u32(0);
        for (const auto& [red, green, blue] : palette) out.insert(out.end(), {blue, green, red, 0});
        for (Row row : rows) {
            row.resize(stride, 0);
            out.insert(out.end(), row.begin(), row.end());
        }
        return out;
    }
};

}  // namespace viz::testing
