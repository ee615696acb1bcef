#include "terminal/StreamDecoder.h"

#include <algorithm>
#include <cstring>
#include <string_view>
#include <vector>

#include "platform/CodePage.h"

namespace viz {
namespace {

constexpr char16_t kBad = kReplacementCharacter;

bool IsGbkLead(std::uint8_t byte) {
    return byte >= 0x81 && byte <= 0xFE;
}

bool IsGbkTrail(std::uint8_t byte) {
    return byte >= 0x40 && byte <= 0xFE && byte != 0x7F;
}

// Code page 936 as the system's converter reads it, looked up instead of
// converted: a table of every lead and trail pair, 0 where the pair names no
// character, and the one single byte above ASCII (0x80, the euro sign).
class GbkTable {
public:
    GbkTable() : pairs_(126 * 256, 0) {
        // Every pair in one conversion, each followed by a line feed: a pair
        // that names a character gives one code unit, any other two.
        std::string all;
        all.reserve(126 * 191 * 3);
        for (int lead = 0x81; lead <= 0xFE; ++lead) {
            for (int trail = 0x40; trail <= 0xFE; ++trail) {
                if (trail == 0x7F) continue;
                all += {static_cast<char>(lead), static_cast<char>(trail), '\n'};
            }
        }
        const std::u16string text = DecodeText(all, CodePage::Ansi);
        std::size_t at = 0;
        for (int lead = 0x81; lead <= 0xFE; ++lead) {
            for (int trail = 0x40; trail <= 0xFE; ++trail) {
                if (trail == 0x7F) continue;
                const std::size_t end = text.find(u'\n', at);
                if (end == at + 1) pairs_[static_cast<std::size_t>((lead - 0x81) * 256 + trail)] = text[at];
                at = end + 1;
            }
        }
        const std::u16string euro = DecodeText("\x80", CodePage::Ansi);
        singleEuro_ = euro.size() == 1 && euro[0] != u'?' ? euro[0] : 0;
    }

    char16_t Pair(std::uint8_t lead, std::uint8_t trail) const {
        return pairs_[static_cast<std::size_t>((lead - 0x81) * 256 + trail)];
    }
    char16_t Single(std::uint8_t byte) const { return byte == 0x80 ? singleEuro_ : 0; }

private:
    std::vector<char16_t> pairs_;
    char16_t singleEuro_ = 0;
};

const GbkTable& Gbk() {
    static const GbkTable table;
    return table;
}

// One character at `p` (before `end`) written to `out`; returns the bytes it
// took, or 0 when the bytes up to `end` begin a character without ending it.
// Every byte taken gives at most one code unit.
std::size_t GbkCharacter(const std::uint8_t* p, const std::uint8_t* end, char16_t*& out) {
    const std::uint8_t byte = p[0];
    if (byte < 0x80) {
        *out++ = byte;
        return 1;
    }
    const GbkTable& table = Gbk();
    if (const char16_t single = table.Single(byte)) {
        *out++ = single;
        return 1;
    }
    if (!IsGbkLead(byte)) {
        *out++ = kBad;
        return 1;
    }
    if (p + 1 == end) return 0;
    if (!IsGbkTrail(p[1])) {
        *out++ = kBad;
        return 1;
    }
    // A pair that names no character: the lead byte alone is bad, and the
    // next byte is read afresh, so an ASCII byte after it still shows.
    const char16_t unit = table.Pair(byte, p[1]);
    *out++ = unit != 0 ? unit : kBad;
    return unit != 0 ? 2 : 1;
}

std::size_t Utf8Character(const std::uint8_t* p, const std::uint8_t* end, char16_t*& out) {
    const std::uint8_t byte = p[0];
    if (byte < 0x80) {
        *out++ = byte;
        return 1;
    }
    // The ranges of well-formed sequences: the second byte's range depends
    // on the first (no overlong forms, no surrogates, nothing past U+10FFFF).
    std::size_t length = 0;
    std::uint32_t code = 0;
    std::uint8_t low = 0x80;
    std::uint8_t high = 0xBF;
    if (byte >= 0xC2 && byte <= 0xDF) {
        length = 2;
        code = byte & 0x1Fu;
    } else if (byte >= 0xE0 && byte <= 0xEF) {
        length = 3;
        code = byte & 0x0Fu;
        if (byte == 0xE0) low = 0xA0;
        if (byte == 0xED) high = 0x9F;
    } else if (byte >= 0xF0 && byte <= 0xF4) {
        length = 4;
        code = byte & 0x07u;
        if (byte == 0xF0) low = 0x90;
        if (byte == 0xF4) high = 0x8F;
    } else {
        *out++ = kBad;
        return 1;
    }
    for (std::size_t i = 1; i < length; ++i) {
        if (p + i == end) return 0;
        const std::uint8_t next = p[i];
        if (next < low || next > high) {
            *out++ = kBad;
            return 1;
        }
        low = 0x80;
        high = 0xBF;
        code = (code << 6) | (next & 0x3Fu);
    }
    if (code >= 0x10000) {
        code -= 0x10000;
        *out++ = static_cast<char16_t>(0xD800 + (code >> 10));
        *out++ = static_cast<char16_t>(0xDC00 + (code & 0x3FF));
    } else {
        *out++ = static_cast<char16_t>(code);
    }
    return length;
}

using CharacterFn = std::size_t (*)(const std::uint8_t*, const std::uint8_t*, char16_t*&);

CharacterFn CharacterOf(TextEncoding encoding) {
    return encoding == TextEncoding::Utf8 ? Utf8Character : GbkCharacter;
}

// Decodes from `p` until the end or an unfinished character; returns where
// it stopped. ASCII runs, most of any terminal's traffic, go eight at a time.
const std::uint8_t* DecodeRun(CharacterFn character, const std::uint8_t* p, const std::uint8_t* end,
                              char16_t*& out) {
    while (p != end) {
        while (end - p >= 8) {
            std::uint64_t eight;
            std::memcpy(&eight, p, sizeof eight);
            if ((eight & 0x8080808080808080ULL) != 0) break;
            for (int i = 0; i < 8; ++i) out[i] = p[i];
            p += 8;
            out += 8;
        }
        if (p == end) break;
        const std::size_t taken = character(p, end, out);
        if (taken == 0) break;
        p += taken;
    }
    return p;
}

}  // namespace

void StreamDecoder::Decode(const std::uint8_t* data, std::size_t size, std::u16string& out) {
    const CharacterFn character = CharacterOf(encoding_);
    const std::size_t base = out.size();
    out.resize(base + keptSize_ + size);
    char16_t* write = out.data() + base;
    const std::uint8_t* p = data;
    const std::uint8_t* const end = data + size;
    if (keptSize_ > 0) {
        // The kept bytes and enough of this read to end the character they begin.
        std::array<std::uint8_t, 7> joint{};
        const std::size_t taken = std::min<std::size_t>(size, 4);
        std::copy_n(kept_.begin(), keptSize_, joint.begin());
        std::copy_n(data, taken, joint.begin() + static_cast<std::ptrdiff_t>(keptSize_));
        const std::uint8_t* j = joint.data();
        const std::uint8_t* const jointEnd = j + keptSize_ + taken;
        while (j < joint.data() + keptSize_) {
            const std::size_t used = character(j, jointEnd, write);
            if (used == 0) {
                // Still unfinished, so all of this read is in the joint.
                keptSize_ = static_cast<std::size_t>(jointEnd - j);
                std::copy(j, jointEnd, kept_.begin());
                out.resize(static_cast<std::size_t>(write - out.data()));
                return;
            }
            j += used;
        }
        p += (j - joint.data()) - static_cast<std::ptrdiff_t>(keptSize_);
        keptSize_ = 0;
    }
    p = DecodeRun(character, p, end, write);
    keptSize_ = static_cast<std::size_t>(end - p);
    std::copy(p, end, kept_.begin());
    out.resize(static_cast<std::size_t>(write - out.data()));
}

void StreamDecoder::Finish(std::u16string& out) {
    out.append(keptSize_, kBad);
    keptSize_ = 0;
}

std::u16string DecodeBytes(const std::uint8_t* data, std::size_t size, TextEncoding encoding) {
    StreamDecoder decoder(encoding);
    std::u16string text;
    decoder.Decode(data, size, text);
    decoder.Finish(text);
    return text;
}

}  // namespace viz
