#pragma once

// Generated text on its way to a file: appended piece by piece, handed on in
// blocks of about a mebibyte so a conversion of any size needs little memory.
//
//   BlockOutput out([&file](std::string_view block) { return file.Write(block); });
//   out.Append("0x");  AppendHexByte(out.text(), 0x4F);
//   if (!out.FlushIfFull()) return false;      // the consumer refused: stop
//   ...
//   if (!out.Finish()) return false;

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace viz {

class BlockOutput {
public:
    // Returns false to stop the producer (a write failed, or enough was seen).
    using Consumer = std::function<bool(std::string_view)>;

    explicit BlockOutput(Consumer consumer);

    std::string& text() { return buffer_; }
    void Append(std::string_view piece) { buffer_ += piece; }
    // Hands the text on once a block is full.
    bool FlushIfFull() { return buffer_.size() < kBlockSize || Flush(); }
    // Hands on what is left.
    bool Finish() { return buffer_.empty() || Flush(); }

private:
    static constexpr std::size_t kBlockSize = std::size_t{1} << 20;
    bool Flush();

    Consumer consumer_;
    std::string buffer_;
};

// Two upper-case hexadecimal digits.
inline void AppendHexByte(std::string& out, std::uint8_t value) {
    constexpr char kDigits[] = "0123456789ABCDEF";
    out += kDigits[value >> 4];
    out += kDigits[value & 0x0F];
}

// Upper-case hexadecimal, at least `minDigits` digits ("%08X" for 8).
inline void AppendHexNumber(std::string& out, std::uint64_t value, int minDigits) {
    int digits = 1;
    while (digits < 16 && (value >> (4 * digits)) != 0) ++digits;
    if (digits < minDigits) digits = minDigits;
    constexpr char kDigits[] = "0123456789ABCDEF";
    for (int shift = 4 * (digits - 1); shift >= 0; shift -= 4) out += kDigits[(value >> shift) & 0x0F];
}

}  // namespace viz
