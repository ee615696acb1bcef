#include "tools/CArrayText.h"

namespace viz {

CArrayText::CArrayText(BlockOutput& out, std::string_view firstLine, std::uint64_t total)
    : out_(out), total_(total) {
    out_.Append(firstLine);
}

bool CArrayText::Add(const std::uint8_t* data, std::size_t size) {
    std::size_t i = 0;
    while (i < size) {
        // Whole lines at once while a line starts here and the text's last
        // byte is not among its sixteen: the common case, written fast.
        if (written_ % 16 == 0 && size - i >= 16 && written_ + 16 < total_) {
            AddLine(data + i);
            i += 16;
        } else {
            AddOne(data[i++]);
        }
        if (!out_.FlushIfFull()) return false;
    }
    return true;
}

void CArrayText::AddLine(const std::uint8_t* line) {
    constexpr char kDigits[] = "0123456789ABCDEF";
    std::string& text = out_.text();
    text += "/*";
    AppendHexNumber(text, written_, 8);
    text += "H:*/";
    const std::size_t at = text.size();
    text.resize(at + 16 * 5 + 2);
    char* out = text.data() + at;
    for (int k = 0; k < 16; ++k, out += 5) {
        out[0] = '0';
        out[1] = 'x';
        out[2] = kDigits[line[k] >> 4];
        out[3] = kDigits[line[k] & 0x0F];
        out[4] = ',';
    }
    out[0] = '\r';
    out[1] = '\n';
    written_ += 16;
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
