#include "tools/BmpFile.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>

#include "base/TextFormat.h"
#include "tools/Bmp2HexTexts.h"

namespace viz {
namespace {

namespace t = texts::bmp;

constexpr std::uint32_t kFileHeaderSize = 14;
constexpr std::uint32_t kCoreHeaderSize = 12;
constexpr std::uint32_t kInfoHeaderSize = 40;
constexpr std::uint32_t kRgb = 0;
constexpr std::uint32_t kRle8 = 1;
constexpr std::uint32_t kRle4 = 2;
constexpr std::uint32_t kBitfields = 3;

std::uint16_t U16(std::span<const std::uint8_t> file, std::size_t at) {
    return static_cast<std::uint16_t>(file[at] | file[at + 1] << 8);
}

std::uint32_t U32(std::span<const std::uint8_t> file, std::size_t at) {
    return static_cast<std::uint32_t>(file[at]) | static_cast<std::uint32_t>(file[at + 1]) << 8 |
           static_cast<std::uint32_t>(file[at + 2]) << 16 | static_cast<std::uint32_t>(file[at + 3]) << 24;
}

bool Uncompressed(std::uint32_t compression) {
    return compression == kRgb || compression == kBitfields;
}

void ReadPalette(std::span<const std::uint8_t> file, std::size_t at, std::size_t count, std::size_t entrySize,
                 BmpPicture& picture) {
    for (std::size_t i = 0; i < count; ++i) {
        const std::size_t entry = at + i * entrySize;
        picture.palette.push_back({.red = file[entry + 2], .green = file[entry + 1], .blue = file[entry]});
    }
}

}  // namespace

bool BmpPicture::decodable() const {
    if (width <= 0 || height == 0) return false;
    switch (bitsPerPixel) {
        case 1:
        case 24:
            return compression == kRgb;
        case 4:
            return compression == kRgb || compression == kRle4;
        case 8:
            return compression == kRgb || compression == kRle8;
        case 16:
        case 32:
            return Uncompressed(compression);
        default:
            return false;
    }
}

const std::uint8_t* BmpPicture::Row(std::span<const std::uint8_t> file, std::uint64_t y) const {
    const std::uint64_t stored = topDown() ? y : rows - 1 - y;
    return file.data() + pixelOffset + stored * stride;
}

BmpColour BmpPicture::Colour(std::size_t index) const {
    return index < palette.size() ? palette[index] : BmpColour{};
}

std::variant<BmpPicture, std::u16string> ReadBmpHeader(std::span<const std::uint8_t> file) {
    if (file.size() < 2 || file[0] != 'B' || file[1] != 'M') return std::u16string(t::kNotBmp);
    if (file.size() < kFileHeaderSize + 4) return std::u16string(t::kTooShort);
    BmpPicture picture;
    picture.pixelOffset = U32(file, 10);
    picture.headerSize = U32(file, kFileHeaderSize);
    const bool core = picture.headerSize == kCoreHeaderSize;
    if (!core && picture.headerSize < kInfoHeaderSize) {
        return FormatCounts(t::kHeaderSize, {static_cast<std::int64_t>(picture.headerSize)});
    }
    if (file.size() - kFileHeaderSize < picture.headerSize) return std::u16string(t::kTooShort);

    std::uint32_t coloursUsed = 0;
    if (core) {
        picture.width = U16(file, 18);
        picture.height = U16(file, 20);
        picture.bitsPerPixel = U16(file, 24);
    } else {
        picture.width = static_cast<std::int32_t>(U32(file, 18));
        picture.height = static_cast<std::int32_t>(U32(file, 22));
        picture.bitsPerPixel = U16(file, 28);
        picture.compression = U32(file, 30);
        picture.imageSize = U32(file, 34);
        coloursUsed = U32(file, 46);
    }
    constexpr std::uint16_t kDepths[] = {0, 1, 4, 8, 16, 24, 32};
    if (std::find(std::begin(kDepths), std::end(kDepths), picture.bitsPerPixel) == std::end(kDepths)) {
        return FormatCounts(t::kBadDepth, {picture.bitsPerPixel});
    }

    if (picture.bitsPerPixel != 0 && picture.bitsPerPixel <= 8) {
        const std::size_t full = std::size_t{1} << picture.bitsPerPixel;
        const std::size_t count = coloursUsed == 0 ? full : std::min<std::size_t>(coloursUsed, full);
        const std::size_t entrySize = core ? 3 : 4;
        // A 40-byte header with bit fields is followed by its three masks.
        const std::size_t masks =
            picture.headerSize == kInfoHeaderSize && picture.compression == kBitfields ? 12 : 0;
        const std::size_t at = kFileHeaderSize + picture.headerSize + masks;
        if (at + count * entrySize > file.size()) return std::u16string(t::kPaletteOutside);
        ReadPalette(file, at, count, entrySize, picture);
    }

    if (picture.width <= 0 || picture.height == 0 || picture.bitsPerPixel == 0) return picture;
    picture.rows = static_cast<std::uint64_t>(std::llabs(static_cast<long long>(picture.height)));
    picture.stride =
        (static_cast<std::uint64_t>(picture.bitsPerPixel) * static_cast<std::uint32_t>(picture.width) + 31) /
        32 * 4;
    // Compressed pixels take the size the header gives; the rest a full grid.
    const std::uint64_t available = file.size() > picture.pixelOffset ? file.size() - picture.pixelOffset : 0;
    const bool fits = Uncompressed(picture.compression) ? picture.stride <= available / picture.rows
                                                        : picture.imageSize <= available;
    if (!fits || picture.pixelOffset > file.size()) {
        std::uint64_t pixels = picture.imageSize;
        if (Uncompressed(picture.compression) &&
            __builtin_mul_overflow(picture.stride, picture.rows, &pixels)) {
            pixels = INT64_MAX;
        }
        const std::uint64_t needed = std::min<std::uint64_t>(picture.pixelOffset + pixels, INT64_MAX);
        return FormatCounts(t::kPixelsOutside,
                            {static_cast<std::int64_t>(needed), static_cast<std::int64_t>(file.size())});
    }
    return picture;
}

}  // namespace viz
