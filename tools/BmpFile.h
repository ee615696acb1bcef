#pragma once

// The Windows BMP format as far as the bitmap page needs it: the file and
// information headers (the 12-byte core header and every header of 40 bytes
// or more), the palette, and the rows of uncompressed pixels, bottom-up or
// top-down. Every size the header states is checked against the file before
// anything is read, so a damaged file is refused, never read past its end.
//
//   std::variant<BmpPicture, std::u16string> read = ReadBmpHeader(fileBytes);
//   if (auto* reason = std::get_if<std::u16string>(&read)) refuse(*reason);
//   const BmpPicture& picture = std::get<BmpPicture>(read);
//   const std::uint8_t* top = picture.Row(fileBytes, 0);

#include <cstdint>
#include <span>
#include <string>
#include <variant>
#include <vector>

namespace viz {

struct BmpColour {
    std::uint8_t red = 0;
    std::uint8_t green = 0;
    std::uint8_t blue = 0;
};

struct BmpPicture {
    std::uint32_t headerSize = 0;
    std::uint32_t pixelOffset = 0;
    // As stored; a negative height marks a top-down picture.
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::uint16_t bitsPerPixel = 0;
    std::uint32_t compression = 0;
    std::uint32_t imageSize = 0;
    std::vector<BmpColour> palette;
    // Bytes from one row to the next, and the number of rows.
    std::uint64_t stride = 0;
    std::uint64_t rows = 0;

    bool topDown() const { return height < 0; }
    // Whether the pixels can be taken from the file: a picture of at least
    // one pixel, stored with a compression its depth allows.
    bool decodable() const;
    // Row `y` counted from the top of the picture (uncompressed pictures).
    const std::uint8_t* Row(std::span<const std::uint8_t> file, std::uint64_t y) const;
    // The palette colour of `index`; black for an index past the palette.
    BmpColour Colour(std::size_t index) const;
};

// The headers and the palette, every size checked against the file; the
// reason (for "读取BMP文件失败：") when the file is no BMP or is damaged.
std::variant<BmpPicture, std::u16string> ReadBmpHeader(std::span<const std::uint8_t> file);

}  // namespace viz
