#include "flash/FlashFirmware.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>

#include "base/TextFill.h"
#include "flash/FlashTexts.h"
#include "formats/IntelHex.h"
#include "platform/CodePage.h"

namespace viz {
namespace {

namespace t = texts::flash;

// The ELF values this check reads (System V ABI).
constexpr std::uint16_t kMachineAvr = 83;
constexpr std::uint32_t kLoadSegment = 1;
// avr-gcc places RAM, EEPROM and fuses at these offsets in its address
// space; only what lies below them goes to the flash.
constexpr std::uint64_t kAvrDataSpace = 0x800000;

FlashFirmware Refused(std::string problem) {
    FlashFirmware firmware;
    firmware.problem = std::move(problem);
    return firmware;
}

std::string HexNumber(std::uint64_t value) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string text;
    do {
        text.insert(text.begin(), kDigits[value & 15]);
        value >>= 4;
    } while (value != 0);
    return text;
}

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

std::uint64_t ReadLittle(const std::string& bytes, std::size_t at, std::size_t size) {
    std::uint64_t value = 0;
    for (std::size_t i = size; i > 0; --i) value = value << 8 | static_cast<unsigned char>(bytes[at + i - 1]);
    return value;
}

// The end of the ELF's flash contents, or a problem. AVR programs are
// 32-bit little-endian ELF files.
FlashFirmware CheckElf(const std::string& bytes, const std::string& name, FlashTarget target) {
    if (target == FlashTarget::StcIsp) return Refused(FillText(t::kElfForStc, {name}));
    if (bytes.size() < 52) return Refused(FillText(t::kElfBroken, {name, "header"}));
    const std::uint64_t machine = ReadLittle(bytes, 18, 2);
    if (bytes[4] != 1 || bytes[5] != 1 || machine != kMachineAvr) {
        // A 64-bit or big-endian file names its machine in the same place.
        const std::uint64_t named =
            bytes[5] == 2
                ? (static_cast<unsigned char>(bytes[18]) << 8 | static_cast<unsigned char>(bytes[19]))
                : machine;
        return Refused(FillText(t::kElfNotAvr, {name, std::to_string(named)}));
    }
    const std::uint64_t table = ReadLittle(bytes, 28, 4);
    const std::uint64_t entrySize = ReadLittle(bytes, 42, 2);
    const std::uint64_t entries = ReadLittle(bytes, 44, 2);
    if (entries == 0 || entrySize < 32 || table + entries * entrySize > bytes.size())
        return Refused(FillText(t::kElfBroken, {name, "program headers"}));
    FlashFirmware firmware;
    for (std::uint64_t i = 0; i < entries; ++i) {
        const std::size_t at = table + i * entrySize;
        const std::uint64_t offset = ReadLittle(bytes, at + 4, 4);
        const std::uint64_t address = ReadLittle(bytes, at + 12, 4);
        const std::uint64_t fileSize = ReadLittle(bytes, at + 16, 4);
        if (ReadLittle(bytes, at, 4) != kLoadSegment || fileSize == 0 || address >= kAvrDataSpace) continue;
        if (offset + fileSize > bytes.size()) return Refused(FillText(t::kElfBroken, {name, "segment"}));
        firmware.codeEnd = std::max(firmware.codeEnd, address + fileSize);
    }
    if (firmware.codeEnd == 0) return Refused(FillText(t::kElfNoCode, {name}));
    firmware.ok = true;
    firmware.format = FirmwareFormat::Elf;
    return firmware;
}

FlashFirmware CheckHex(const std::string& bytes, const std::string& name) {
    IntelHexReader reader(false);
    reader.Feed(bytes);
    if (reader.problem() || !reader.Finish()) {
        const HexProblem& problem = *reader.problem();
        const std::string what = Utf16ToUtf8(problem.what);
        if (problem.line == 0) return Refused(FillText(t::kHexWhole, {name, what}));
        return Refused(FillText(t::kHexProblem, {name, std::to_string(problem.line), what}));
    }
    if (reader.image().empty()) return Refused(FillText(t::kHexEmpty, {name}));
    FlashFirmware firmware;
    firmware.ok = true;
    firmware.format = FirmwareFormat::IntelHex;
    firmware.codeEnd = reader.image().firstAddress() + reader.image().size();
    return firmware;
}

bool ReadWhole(const std::filesystem::path& file, std::string& bytes, std::string& problem) {
    const std::string name = file.string();
    std::error_code error;
    const std::uintmax_t size = std::filesystem::file_size(file, error);
    if (error) {
        problem = FillText(t::kFileUnreadable, {name, error.message()});
        return false;
    }
    if (size > kMaxFirmwareFileBytes) {
        problem = FillText(t::kFileTooLargeToRead, {name, std::to_string(size)});
        return false;
    }
    std::ifstream in(file, std::ios::binary);
    bytes.assign(static_cast<std::size_t>(size), '\0');
    if (!in || !in.read(bytes.data(), static_cast<std::streamsize>(size))) {
        problem = FillText(t::kFileUnreadable, {name, std::strerror(errno)});
        return false;
    }
    if (bytes.empty()) {
        problem = FillText(t::kFileEmpty, {name});
        return false;
    }
    return true;
}

}  // namespace

FlashFirmware CheckFlashFirmware(const std::filesystem::path& file, FlashTarget target,
                                 std::optional<std::uint64_t> flashBytes, const std::string& chipName) {
    const std::string name = file.filename().string();
    std::string bytes;
    std::string problem;
    if (!ReadWhole(file, bytes, problem)) return Refused(problem);
    const std::string extension = Lower(file.extension().string());
    FlashFirmware firmware;
    if (bytes.compare(0, 4,
                      "\x7f"
                      "ELF") == 0) {
        firmware = CheckElf(bytes, name, target);
    } else if (extension == ".hex" || extension == ".ihx" || bytes[0] == ':') {
        firmware = CheckHex(bytes, name);
    } else if (extension == ".bin") {
        firmware.ok = true;
        firmware.format = FirmwareFormat::Binary;
        firmware.codeEnd = bytes.size();
    } else {
        return Refused(FillText(t::kNotFirmware, {name}));
    }
    if (!firmware.ok) return firmware;
    if (flashBytes && firmware.codeEnd > *flashBytes) {
        return Refused(
            FillText(t::kTooLarge, {name, std::to_string(firmware.codeEnd), HexNumber(firmware.codeEnd - 1),
                                    chipName, std::to_string(*flashBytes)}));
    }
    firmware.bytes = std::move(bytes);
    return firmware;
}

}  // namespace viz
