#include "formats/FirmwareCheck.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>

#include "base/TextFill.h"
#include "formats/AvrElf.h"
#include "formats/FirmwareCheckTexts.h"
#include "formats/IntelHex.h"
#include "platform/CodePage.h"

namespace viz {
namespace {

namespace t = texts::firmware;

std::string Number(std::uint64_t value) {
    return std::to_string(value);
}

std::string Hex(std::uint64_t value) {
    char text[24];
    std::snprintf(text, sizeof text, "%llX", static_cast<unsigned long long>(value));
    return text;
}

FirmwareCheck Refused(std::string problem) {
    FirmwareCheck check;
    check.problem = std::move(problem);
    return check;
}

FirmwareCheck CheckHex(const std::string& bytes, const std::string& name, const FirmwareChip& chip) {
    IntelHexReader reader(false);
    std::uint64_t line = 0;
    std::size_t from = 0;
    const auto tooLarge = [&] {
        const HexImage& image = reader.image();
        return !image.empty() && image.firstAddress() + image.size() > chip.codeBytes;
    };
    const auto refuseTooLarge = [&] {
        const HexImage& image = reader.image();
        return Refused(
            FillText(t::kHexTooLarge, {name, Number(line), Hex(image.firstAddress() + image.size() - 1),
                                       chip.name, Number(chip.codeBytes)}));
    };
    // Line by line, so a record that reaches past the chip's memory is named.
    while (from < bytes.size()) {
        std::size_t end = bytes.find('\n', from);
        end = end == std::string::npos ? bytes.size() : end + 1;
        ++line;
        const bool read = reader.Feed(std::string_view(bytes).substr(from, end - from));
        from = end;
        if (!read) break;
        if (tooLarge()) return refuseTooLarge();
    }
    if (!reader.problem() && reader.Finish() && tooLarge()) return refuseTooLarge();
    if (const auto& problem = reader.problem()) {
        if (problem->line == 0) return Refused(FillText(t::kHexCut, {name, Number(line)}));
        return Refused(FillText(t::kHexLine, {name, Number(problem->line), Utf16ToUtf8(problem->what)}));
    }
    if (reader.image().empty()) return Refused(FillText(t::kNoCode, {name}));
    FirmwareCheck check;
    check.ok = true;
    check.kind = FirmwareKind::IntelHex;
    check.codeEnd = reader.image().firstAddress() + reader.image().size();
    return check;
}

FirmwareCheck CheckElf(const std::string& bytes, const std::string& name, const FirmwareChip& chip) {
    if (!chip.avr) return Refused(FillText(t::kElfFor8051, {name}));
    const AvrElfFlash flash = ReadAvrElfFlash(bytes);
    if (flash.fault == AvrElfFault::NotAvr)
        return Refused(FillText(t::kElfNotAvr, {name, Number(flash.machine)}));
    if (flash.fault != AvrElfFault::None)
        return Refused(FillText(t::kElfBroken, {name, Number(bytes.size())}));
    if (const long bad = AvrElfSectionProblem(bytes); bad != 0) {
        return Refused(
            bad < 0 ? FillText(t::kElfSectionsDamaged, {name})
                    : FillText(t::kElfSectionDamaged, {name, Number(static_cast<std::uint64_t>(bad))}));
    }
    if (flash.codeEnd == 0) return Refused(FillText(t::kNoCode, {name}));
    if (flash.codeEnd > chip.codeBytes)
        return Refused(
            FillText(t::kElfTooLarge, {name, Number(flash.codeEnd), chip.name, Number(chip.codeBytes)}));
    FirmwareCheck check;
    check.ok = true;
    check.kind = FirmwareKind::Elf;
    check.codeEnd = flash.codeEnd;
    return check;
}

}  // namespace

FirmwareCheck CheckFirmware(const std::filesystem::path& file, const FirmwareChip& chip) {
    const std::string name = file.filename().string();
    if (file.extension() == ".c") {
        FirmwareCheck check;
        check.ok = true;
        check.kind = FirmwareKind::CSource;
        return check;
    }
    std::error_code error;
    const std::uintmax_t size = std::filesystem::file_size(file, error);
    if (error) return Refused(FillText(t::kCannotRead, {name, error.message()}));
    if (size > kFirmwareFileLimit)
        return Refused(FillText(t::kFileTooBig, {name, Number(kFirmwareFileLimit)}));
    std::ifstream in(file, std::ios::binary);
    if (!in) return Refused(FillText(t::kCannotRead, {name, std::strerror(errno)}));
    const std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};

    if (bytes.compare(0, 4,
                      "\x7f"
                      "ELF") == 0)
        return CheckElf(bytes, name, chip);
    const std::size_t first = bytes.find_first_not_of(" \t\r\n");
    if (first == std::string::npos) return Refused(FillText(t::kNoCode, {name}));
    if (bytes[first] == ':') return CheckHex(bytes, name, chip);
    const auto line = static_cast<std::uint64_t>(std::count(
                          bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(first), '\n')) +
                      1;
    return Refused(FillText(chip.avr ? t::kNotHexOrElf : t::kNotHex, {name, Number(line)}));
}

}  // namespace viz
