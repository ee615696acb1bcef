#pragma once

// The C array text of the "Hex/Bin" conversions: an opening line, sixteen
// bytes a line, each full line led by its offset in a comment, the last byte
// without a comma, then "};".
//
//   const unsigned char ucBinToTextBuf[]={
//
//   /*00000000H:*/0x01,0x02, ... ,0x10,
//   0x11
//   };

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "formats/BlockOutput.h"

namespace viz {

class CArrayText {
public:
    // Writes `firstLine`; `total` is the number of bytes that will follow.
    CArrayText(BlockOutput& out, std::string_view firstLine, std::uint64_t total);

    // False when the output refused more.
    bool Add(const std::uint8_t* data, std::size_t size);
    // The closing line and the rest of the text.
    bool Finish();

private:
    void AddOne(std::uint8_t value);
    void AddLine(const std::uint8_t* line);

    BlockOutput& out_;
    std::uint64_t total_;
    std::uint64_t written_ = 0;
};

}  // namespace viz
