#include "tools/CArrayText.h"

namespace viz {

CArrayText::CArrayText(BlockOutput& out, std::string_view firstLine, std::uint64_t total)
    : out_(out), total_(total) {
    out_.Append(firstLine);
}

bool CArrayText::Add(const std::uint8_t* data, std::size_t size) {
    for (std::size_t i = 0; i < size; ++i) {
        AddOne(data[i]);
        if (!out_.FlushIfFull()) return false;
    }
    return true;
}

void CArrayText::AddOne(std::uint8_t value) {
    std::string& text = out_.text();
    const std::uint64_t position = ++written_;
    // The last byte wins over a line start: it never gets an offset comment.
    if (position == total_) {
        text += "0x";
        AppendHexByte(text, value);
        text += "\r\n";
        return;
    }
    if (position % 16 == 1) {
        text += "/*";
        AppendHexNumber(text, position - 1, 8);
        text += "H:*/";
    }
    text += "0x";
    AppendHexByte(text, value);
    text += position % 16 == 0 ? ",\r\n" : ",";
}

bool CArrayText::Finish() {
    out_.Append("};\r\n");
    return out_.Finish();
}

}  // namespace viz
