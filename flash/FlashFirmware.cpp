#include "flash/FlashFirmware.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>

#include "base/TextFill.h"
#include "flash/FlashTexts.h"
#include "formats/AvrElf.h"
#include "formats/FirmwareCheck.h"
#include "formats/IntelHex.h"
#include "platform/CodePage.h"

namespace viz {
namespace {

namespace t = texts::flash;

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

// The end of the ELF's flash contents, or a problem. AVR programs are
// 32-bit little-endian ELF files.
FlashFirmware CheckElf(const std::string& bytes, const std::string& name, FlashTarget target) {
    if (target == FlashTarget::StcIsp) return Refused(FillText(t::kElfForStc, {name}));
    const AvrElfFlash flash = ReadAvrElfFlash(bytes);
    switch (flash.fault) {
        case AvrElfFault::HeaderCut:
            return Refused(FillText(t::kElfBroken, {name, "header"}));
        case AvrElfFault::NotAvr:
            return Refused(FillText(t::kElfNotAvr, {name, std::to_string(flash.machine)}));
        case AvrElfFault::ProgramHeadersCut:
            return Refused(FillText(t::kElfBroken, {name, "program headers"}));
        case AvrElfFault::SegmentCut:
            return Refused(FillText(t::kElfBroken, {name, "segment"}));
        case AvrElfFault::None:
            break;
    }
    if (flash.programHeaders == 0) return Refused(FillText(t::kElfBroken, {name, "program headers"}));
    if (flash.codeEnd == 0) return Refused(FillText(t::kElfNoCode, {name}));
    FlashFirmware firmware;
    firmware.ok = true;
    firmware.format = FirmwareFormat::Elf;
    firmware.codeEnd = flash.codeEnd;
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
    if (size > kFirmwareFileLimit) {
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
