#include "tools/Checksums.h"

#include <zlib.h>

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "IconvReference.h"
#include "platform/CodePage.h"

namespace viz {
namespace {

using Data = std::vector<std::uint8_t>;

// One row of the page's results in its own order: odd, even, IntelHex, BCC,
// sum-8, TCP/IP, sum-16, sum-32, CRC-8, CRC-16, CRC-32.
std::vector<std::string> Row(const Data& data, Crc16Kind kind, bool complemented = false) {
    std::vector<std::string> row;
    for (const CheckValue& value : ComputeCheckValues(data, kind))
        row.push_back(FormatCheckValue(value, complemented));
    return row;
}

Data Prepared(const std::string& utf8, CheckInputMode mode) {
    return PrepareCheckInput(Utf8ToUtf16(utf8), mode).bytes;
}

struct ReferenceRow {
    const char* text;
    const char* hex;
    std::vector<std::string> common;  // everything before CRC-16
    std::array<std::string, 3> crc16;
    std::string crc32;
};

TEST(CheckValues, ReferenceRowsInBothInputModes) {
    const std::vector<ReferenceRow> rows{
        {"123456789",
         "31 32 33 34 35 36 37 38 39",
         {"01", "00", "23", "31", "DD", "FE22", "01DD", "000001DD", "07"},
         {"AEE7", "29B1", "4B37"},
         "CBF43926"},
        {"abc",
         "616263",
         {"00", "01", "DA", "60", "26", "FED9", "0126", "00000126", "35"},
         {"44D8", "514A", "5749"},
         "352441C2"},
        {"",
         "",
         {"00", "01", "00", "00", "00", "FFFF", "0000", "00000000", "00"},
         {"FFFF", "FFFF", "FFFF"},
         "00000000"},
    };
    for (const ReferenceRow& ref : rows) {
        SCOPED_TRACE(ref.text);
        const Data text = Prepared(ref.text, CheckInputMode::Text);
        const Data hex = Prepared(ref.hex, CheckInputMode::Hex);
        EXPECT_EQ(text, hex);
        for (int kind = 0; kind < 3; ++kind) {
            std::vector<std::string> expected = ref.common;
            expected.push_back(ref.crc16[static_cast<std::size_t>(kind)]);
            expected.push_back(ref.crc32);
            EXPECT_EQ(Row(text, static_cast<Crc16Kind>(kind)), expected);
            EXPECT_EQ(Row(hex, static_cast<Crc16Kind>(kind)), expected);
        }
    }
}

TEST(CheckValues, ComplementedEmptyRow) {
    const std::vector<std::string> expected{"FF",   "FE",       "FF", "FF",   "FF",      "0000",
                                            "FFFF", "FFFFFFFF", "FF", "0000", "FFFFFFFF"};
    for (int kind = 0; kind < 3; ++kind) EXPECT_EQ(Row({}, static_cast<Crc16Kind>(kind), true), expected);
}

TEST(CheckInput, TextModeUsesCodePage936Bytes) {
    const Data data = Prepared("校验A", CheckInputMode::Text);
    const std::string gbk = testing::Gbk("校验A");
    ASSERT_EQ(gbk.size(), 5u);
    EXPECT_EQ(data, Data(gbk.begin(), gbk.end()));
}

TEST(CheckInput, MoreThanTheBufferIsCutAndFlagged) {
    std::string hex;
    for (int i = 0; i < 4097; ++i) hex += i % 2 ? "AB " : "cd";
    const CheckInput cut = PrepareCheckInput(Utf8ToUtf16(hex), CheckInputMode::Hex);
    EXPECT_TRUE(cut.truncated);
    ASSERT_EQ(cut.bytes.size(), kCheckBufferSize);
    EXPECT_EQ(cut.bytes.back(), 0xAB);

    const CheckInput exact = PrepareCheckInput(std::u16string(4096, u'x'), CheckInputMode::Text);
    EXPECT_FALSE(exact.truncated);
    EXPECT_EQ(exact.bytes.size(), 4096u);
    const CheckInput over = PrepareCheckInput(std::u16string(4095, u'x') + u"中", CheckInputMode::Text);
    EXPECT_TRUE(over.truncated);
    EXPECT_EQ(over.bytes.size(), 4096u);
}

// Textbook bit-at-a-time CRC: the register is fed message bits most
// significant first; reflected variants mirror each input byte and the result.
std::uint32_t Reflect(std::uint32_t value, int width) {
    std::uint32_t out = 0;
    for (int i = 0; i < width; ++i) {
        if (value & (1u << i)) out |= 1u << (width - 1 - i);
    }
    return out;
}

std::uint32_t ReferenceCrc(const Data& data, int width, std::uint32_t poly, std::uint32_t init, bool reflect,
                           std::uint32_t xorOut) {
    const std::uint64_t top = std::uint64_t{1} << (width - 1);
    const std::uint64_t mask = (top << 1) - 1;
    std::uint64_t reg = init;
    for (std::uint8_t byte : data) {
        const std::uint32_t in = reflect ? Reflect(byte, 8) : byte;
        for (int bit = 7; bit >= 0; --bit) {
            const bool feedback = ((reg & top) != 0) != (((in >> bit) & 1) != 0);
            reg = (reg << 1) & mask;
            if (feedback) reg ^= poly;
        }
    }
    std::uint32_t result = static_cast<std::uint32_t>(reg);
    if (reflect) result = Reflect(result, width);
    return result ^ xorOut;
}

TEST(CheckValues, RandomDataAgreesWithIndependentImplementations) {
    std::mt19937 random(20240611);
    std::uniform_int_distribution<int> byteDist(0, 255);
    std::vector<std::size_t> lengths{0, 1, 2, 3, 7, 64, 255, 256, 1000, 4095, 4096};
    for (int i = 0; i < 40; ++i)
        lengths.push_back(std::uniform_int_distribution<std::size_t>(0, 4096)(random));
    for (std::size_t length : lengths) {
        Data data(length);
        for (auto& b : data) b = static_cast<std::uint8_t>(byteDist(random));
        SCOPED_TRACE(length);

        unsigned long long sum = 0;
        int ones = 0;
        std::uint8_t x = 0;
        for (std::uint8_t b : data) {
            sum += b;
            for (int bit = 0; bit < 8; ++bit) ones += (b >> bit) & 1;
            x = static_cast<std::uint8_t>(x ^ b);
        }
        EXPECT_EQ(OddParity(data), ones % 2);
        EXPECT_EQ(EvenParity(data), 1 - ones % 2);
        EXPECT_EQ(Sum8(data), sum % 256);
        EXPECT_EQ(Sum16(data), sum % 65536);
        EXPECT_EQ(Sum32(data), sum % 4294967296ull);
        EXPECT_EQ((Sum8(data) + IntelHexChecksum(data)) % 256, 0);
        EXPECT_EQ(Bcc(data), x);
        unsigned long long folded = sum;
        while (folded >> 16) folded = (folded & 0xFFFF) + (folded >> 16);
        EXPECT_EQ(TcpIpChecksum(data), static_cast<std::uint16_t>(~folded));

        EXPECT_EQ(Crc8(data), ReferenceCrc(data, 8, 0x8C, 0x00, true, 0));
        EXPECT_EQ(Crc16(data, Crc16Kind::Poly8005), ReferenceCrc(data, 16, 0x8005, 0xFFFF, false, 0));
        EXPECT_EQ(Crc16(data, Crc16Kind::Ccitt1021), ReferenceCrc(data, 16, 0x1021, 0xFFFF, false, 0));
        EXPECT_EQ(Crc16(data, Crc16Kind::RtuA001), ReferenceCrc(data, 16, 0x8005, 0xFFFF, true, 0));
        EXPECT_EQ(Crc32(data), ReferenceCrc(data, 32, 0x04C11DB7, 0xFFFFFFFF, true, 0xFFFFFFFF));
        const uLong zlibCrc = crc32(crc32(0L, Z_NULL, 0), data.data(), static_cast<uInt>(data.size()));
        EXPECT_EQ(Crc32(data), zlibCrc);
    }
}

}  // namespace
}  // namespace viz
