// Build-time generator of the small tools page's font tables.
//
//   viz_font_table_generator /usr/share/unifont/unifont.hex FontTables.cpp
//
// Reads GNU Unifont's hex format ("XXXX:" then 32 hex digits for an 8 x 16
// glyph or 64 for a 16 x 16 one) and writes a C++ source defining the arrays
// of res/fonts/FontTables.h. Generating at build time keeps a quarter
// megabyte of derived bytes out of the repository and lets the tables follow
// the installed font; the generator is C++ so the build needs nothing but the
// compiler and the font package.
//
// Which codes hold a character comes from iconv's GB2312 (EUC-CN) table; the
// character drawn there is the code's meaning in code page 936, the code page
// the page encodes typed text in (the two differ on a few punctuation marks,
// e.g. A1A4 is U+30FB in GB2312 but U+00B7 in code page 936).

#include <iconv.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <unordered_map>
#include <vector>

#include "res/fonts/FontTables.h"

namespace {

using Glyphs = std::unordered_map<std::uint32_t, std::vector<std::uint8_t>>;

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

std::optional<std::vector<std::uint8_t>> HexBytes(const std::string& digits) {
    if (digits.size() % 2 != 0) return std::nullopt;
    std::vector<std::uint8_t> bytes;
    for (std::size_t i = 0; i < digits.size(); i += 2) {
        const int high = HexValue(digits[i]);
        const int low = HexValue(digits[i + 1]);
        if (high < 0 || low < 0) return std::nullopt;
        bytes.push_back(static_cast<std::uint8_t>(high * 16 + low));
    }
    return bytes;
}

bool ReadUnifont(const char* path, Glyphs& glyphs) {
    std::ifstream in(path);
    if (!in) {
        std::fprintf(stderr, "cannot read %s: %s\n", path, std::strerror(errno));
        return false;
    }
    std::string line;
    int number = 0;
    while (std::getline(in, line)) {
        ++number;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty()) continue;
        const std::size_t colon = line.find(':');
        std::optional<std::vector<std::uint8_t>> bytes;
        if (colon != std::string::npos) bytes = HexBytes(line.substr(colon + 1));
        if (colon == std::string::npos || !bytes || (bytes->size() != 16 && bytes->size() != 32)) {
            std::fprintf(stderr, "%s:%d: not a glyph line\n", path, number);
            return false;
        }
        glyphs[static_cast<std::uint32_t>(std::stoul(line.substr(0, colon), nullptr, 16))] = *bytes;
    }
    return true;
}

// One character of `charset` to its code point, or nothing when the bytes
// are not a character there.
class Decoder {
public:
    explicit Decoder(const char* charset) : cd_(iconv_open("UTF-32LE", charset)) {}
    ~Decoder() {
        if (valid()) iconv_close(cd_);
    }
    Decoder(const Decoder&) = delete;
    Decoder& operator=(const Decoder&) = delete;

    bool valid() const { return cd_ != reinterpret_cast<iconv_t>(-1); }

    std::optional<std::uint32_t> Decode(std::array<char, 2> code) {
        iconv(cd_, nullptr, nullptr, nullptr, nullptr);
        char* in = code.data();
        std::size_t inLeft = code.size();
        std::array<unsigned char, 8> out{};
        char* outPtr = reinterpret_cast<char*>(out.data());
        std::size_t outLeft = out.size();
        if (iconv(cd_, &in, &inLeft, &outPtr, &outLeft) == static_cast<std::size_t>(-1) || inLeft != 0 ||
            outLeft != 4) {
            return std::nullopt;
        }
        return static_cast<std::uint32_t>(out[0] | out[1] << 8 | out[2] << 16 | out[3] << 24);
    }

private:
    iconv_t cd_;
};

// A 16 x 16 cell for `glyph`: full-width glyphs as they are, half-width ones
// centred (4 blank columns either side), as a full-width font shows them.
std::array<std::uint8_t, 32> FullWidthCell(const std::vector<std::uint8_t>& glyph) {
    std::array<std::uint8_t, 32> cell{};
    if (glyph.size() == 32) {
        std::copy(glyph.begin(), glyph.end(), cell.begin());
        return cell;
    }
    for (std::size_t row = 0; row < 16; ++row) {
        cell[2 * row] = static_cast<std::uint8_t>(glyph[row] >> 4);
        cell[2 * row + 1] = static_cast<std::uint8_t>(glyph[row] << 4);
    }
    return cell;
}

void WriteArray(std::ostream& out, const char* name, const std::vector<std::uint8_t>& bytes,
                std::size_t perLine) {
    out << "const std::uint8_t " << name << "[" << bytes.size() << "] = {\n";
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        out << static_cast<unsigned>(bytes[i]) << ',';
        if ((i + 1) % perLine == 0) out << '\n';
    }
    out << "};\n\n";
}

}  // namespace

int main(int argc, char** argv) {
    using namespace viz::fonts;
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s UNIFONT_HEX OUTPUT_CPP\n", argv[0]);
        return 2;
    }
    Glyphs glyphs;
    if (!ReadUnifont(argv[1], glyphs)) return 1;
    Decoder gb2312("EUC-CN");
    Decoder cp936("CP936");
    if (!gb2312.valid() || !cp936.valid()) {
        std::fprintf(stderr, "iconv lacks EUC-CN or CP936\n");
        return 1;
    }

    std::vector<std::uint8_t> table(kGb2312TableSize, 0);
    std::vector<std::uint8_t> present((kGb2312GlyphCount + 7) / 8, 0);
    std::size_t characters = 0;
    for (std::size_t number = 0; number < kGb2312GlyphCount; ++number) {
        const std::array<char, 2> code{static_cast<char>(0xA1 + number / 94),
                                       static_cast<char>(0xA1 + number % 94)};
        const std::optional<std::uint32_t> inGb2312 = gb2312.Decode(code);
        if (!inGb2312) continue;
        const std::uint32_t character = cp936.Decode(code).value_or(*inGb2312);
        present[number / 8] = static_cast<std::uint8_t>(present[number / 8] | 1u << (number % 8));
        ++characters;
        const auto glyph = glyphs.find(character);
        if (glyph == glyphs.end()) continue;
        const std::array<std::uint8_t, 32> cell = FullWidthCell(glyph->second);
        std::copy(cell.begin(), cell.end(),
                  table.begin() + static_cast<std::ptrdiff_t>(number * kGb2312GlyphSize));
    }

    // Only half-width glyphs fit the 8 x 16 table; Unifont draws the control
    // codes as 16-wide boxes, which stay blank here.
    std::vector<std::uint8_t> latin(kLatinTableSize, 0);
    for (std::uint32_t code = 0; code < kLatinGlyphCount; ++code) {
        const auto glyph = glyphs.find(code);
        if (glyph == glyphs.end() || glyph->second.size() != kLatinGlyphSize) continue;
        std::copy(glyph->second.begin(), glyph->second.end(), latin.begin() + code * kLatinGlyphSize);
    }

    if (characters < 7000) {
        std::fprintf(stderr, "iconv's GB2312 table gave only %zu characters\n", characters);
        return 1;
    }
    std::ostringstream source;
    source << "// Generated from GNU Unifont by FontTableGenerator.cpp; do not edit.\n"
              "#include \"res/fonts/FontTables.h\"\n\nnamespace viz::fonts {\n\n";
    WriteArray(source, "kGb2312Glyphs", table, kGb2312GlyphSize);
    WriteArray(source, "kGb2312Present", present, 32);
    WriteArray(source, "kLatinGlyphs", latin, kLatinGlyphSize);
    source << "}  // namespace viz::fonts\n";

    std::ofstream out(argv[2], std::ios::binary | std::ios::trunc);
    out << source.str();
    out.close();
    if (!out) {
        std::fprintf(stderr, "cannot write %s\n", argv[2]);
        std::remove(argv[2]);
        return 1;
    }
    return 0;
}
