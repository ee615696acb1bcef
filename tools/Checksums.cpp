#include "tools/Checksums.h"

#include <bit>
#include <cstdio>

#include "terminal/TextCodec.h"

namespace viz {
namespace {

std::uint32_t ByteSum(ByteSpan data) {
    std::uint32_t sum = 0;
    for (std::uint8_t byte : data) sum += byte;
    return sum;
}

std::uint16_t Crc16MsbFirst(ByteSpan data, std::uint16_t polynomial) {
    std::uint16_t crc = 0xFFFF;
    for (std::uint8_t byte : data) {
        crc = static_cast<std::uint16_t>(crc ^ (byte << 8));
        for (int bit = 0; bit < 8; ++bit) {
            const bool top = (crc & 0x8000) != 0;
            crc = static_cast<std::uint16_t>(crc << 1);
            if (top) crc = static_cast<std::uint16_t>(crc ^ polynomial);
        }
    }
    return crc;
}

std::uint16_t Crc16LsbFirst(ByteSpan data) {
    std::uint16_t crc = 0xFFFF;
    for (std::uint8_t byte : data) {
        crc = static_cast<std::uint16_t>(crc ^ byte);
        for (int bit = 0; bit < 8; ++bit) {
            const bool low = (crc & 1) != 0;
            crc = static_cast<std::uint16_t>(crc >> 1);
            if (low) crc = static_cast<std::uint16_t>(crc ^ 0xA001);
        }
    }
    return crc;
}

constexpr std::array<std::uint32_t, 256> MakeCrc32Table() {
    std::array<std::uint32_t, 256> table{};
    for (std::uint32_t i = 0; i < 256; ++i) {
        std::uint32_t r = i;
        for (int bit = 0; bit < 8; ++bit) r = (r & 1) ? (r >> 1) ^ 0xEDB88320u : r >> 1;
        table[i] = r;
    }
    return table;
}

constexpr std::array<std::uint32_t, 256> kCrc32Table = MakeCrc32Table();

}  // namespace

std::uint8_t OddParity(ByteSpan data) {
    unsigned ones = 0;
    for (std::uint8_t byte : data) ones += static_cast<unsigned>(std::popcount(byte));
    return static_cast<std::uint8_t>(ones & 1);
}

std::uint8_t EvenParity(ByteSpan data) {
    return static_cast<std::uint8_t>(OddParity(data) ^ 1);
}

std::uint8_t Sum8(ByteSpan data) {
    return static_cast<std::uint8_t>(ByteSum(data));
}

std::uint16_t Sum16(ByteSpan data) {
    return static_cast<std::uint16_t>(ByteSum(data));
}

std::uint32_t Sum32(ByteSpan data) {
    return ByteSum(data);
}

std::uint8_t IntelHexChecksum(ByteSpan data) {
    return static_cast<std::uint8_t>(0x100 - Sum8(data));
}

std::uint16_t TcpIpChecksum(ByteSpan data) {
    const std::uint32_t sum = ByteSum(data);
    const std::uint32_t folded = (sum >> 16) + (sum & 0xFFFF);
    const std::uint32_t carried = folded + (folded >> 16);
    return static_cast<std::uint16_t>(~carried);
}

std::uint8_t Bcc(ByteSpan data) {
    std::uint8_t bcc = 0;
    for (std::uint8_t byte : data) bcc ^= byte;
    return bcc;
}

std::uint8_t Crc8(ByteSpan data) {
    std::uint8_t crc = 0;
    for (std::uint8_t byte : data) {
        crc ^= byte;
        for (int bit = 0; bit < 8; ++bit) {
            if (crc & 1) crc ^= 0x62;
            crc = static_cast<std::uint8_t>(crc >> 1);
        }
    }
    return crc;
}

std::uint16_t Crc16(ByteSpan data, Crc16Kind kind) {
    switch (kind) {
        case Crc16Kind::Poly8005:
            return Crc16MsbFirst(data, 0x8005);
        case Crc16Kind::Ccitt1021:
            return Crc16MsbFirst(data, 0x1021);
        case Crc16Kind::RtuA001:
            return Crc16LsbFirst(data);
    }
    return Crc16MsbFirst(data, 0x8005);
}

std::uint32_t Crc32(ByteSpan data) {
    std::uint32_t crc = 0xFFFFFFFFu;
    for (std::uint8_t byte : data) crc = (crc >> 8) ^ kCrc32Table[(crc ^ byte) & 0xFF];
    return ~crc;
}

CheckValues ComputeCheckValues(ByteSpan data, Crc16Kind kind) {
    CheckValues values{};
    auto set = [&values](CheckItem item, std::uint32_t value, int digits) {
        values[static_cast<std::size_t>(item)] = CheckValue{value, digits};
    };
    set(CheckItem::OddParity, OddParity(data), 2);
    set(CheckItem::EvenParity, EvenParity(data), 2);
    set(CheckItem::IntelHex, IntelHexChecksum(data), 2);
    set(CheckItem::Bcc, Bcc(data), 2);
    set(CheckItem::Sum8, Sum8(data), 2);
    set(CheckItem::TcpIp, TcpIpChecksum(data), 4);
    set(CheckItem::Sum16, Sum16(data), 4);
    set(CheckItem::Sum32, Sum32(data), 8);
    set(CheckItem::Crc8, Crc8(data), 2);
    set(CheckItem::Crc16, Crc16(data, kind), 4);
    set(CheckItem::Crc32, Crc32(data), 8);
    return values;
}

std::string FormatCheckValue(const CheckValue& value, bool complemented) {
    const std::uint32_t max = value.digits >= 8 ? 0xFFFFFFFFu : (1u << (4 * value.digits)) - 1;
    const std::uint32_t shown = complemented ? max - value.value : value.value;
    char text[16];
    std::snprintf(text, sizeof text, "%0*X", value.digits, static_cast<unsigned>(shown));
    return text;
}

CheckInput PrepareCheckInput(std::u16string_view text, CheckInputMode mode) {
    CheckInput input;
    input.bytes = mode == CheckInputMode::Hex ? HexToBytes(text) : TextToBytes(text);
    if (input.bytes.size() > kCheckBufferSize) {
        input.bytes.resize(kCheckBufferSize);
        input.truncated = true;
    }
    return input;
}

}  // namespace viz
