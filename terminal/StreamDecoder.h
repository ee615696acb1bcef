#pragma once

// Received bytes to text in a page's encoding, one read at a time.
//
//   StreamDecoder decoder(TextEncoding::Utf8);
//   std::u16string text;
//   decoder.Decode(chunk.bytes.data(), chunk.bytes.size(), text);  // appends
//
// A character split across two reads comes out whole with the second read;
// until then its first bytes are kept. A byte that begins no valid
// character comes out as U+FFFD, one for each such byte, and what follows it
// is read afresh, so a bad byte never takes the next character with it. In
// GBK (code page 936 as iconv reads it) a lead byte followed by a byte of
// the trail range is one character or, when it names none, one bad byte
// followed by whatever the second byte begins (as Python's decoder reads it).

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

#include "terminal/TextCodec.h"

namespace viz {

inline constexpr char16_t kReplacementCharacter = 0xFFFD;

class StreamDecoder {
public:
    explicit StreamDecoder(TextEncoding encoding = TextEncoding::Gbk) : encoding_(encoding) {}

    // Bytes kept from the last read are read in the new encoding.
    void setEncoding(TextEncoding encoding) { encoding_ = encoding; }
    TextEncoding encoding() const { return encoding_; }

    void Decode(const std::uint8_t* data, std::size_t size, std::u16string& out);
    // The stream is cut here (a zero byte): kept bytes come out as U+FFFD each.
    void Finish(std::u16string& out);

    // The first bytes of a character that has not been completed yet.
    std::span<const std::uint8_t> kept() const { return {kept_.data(), keptSize_}; }

private:
    TextEncoding encoding_;
    std::array<std::uint8_t, 3> kept_{};
    std::size_t keptSize_ = 0;
};

// Bytes that stand alone (a monitor record): a character cut at the end
// shows as U+FFFD per byte.
std::u16string DecodeBytes(const std::uint8_t* data, std::size_t size, TextEncoding encoding);

}  // namespace viz
