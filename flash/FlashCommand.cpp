#include "flash/FlashCommand.h"

#include <cctype>

#include "flash/FlashTexts.h"

namespace viz {
namespace {

namespace t = texts::flash;

char AvrdudeFormat(FirmwareFormat format) {
    switch (format) {
        case FirmwareFormat::IntelHex:
            return 'i';
        case FirmwareFormat::Binary:
            return 'r';
        case FirmwareFormat::Elf:
            return 'e';
    }
    return 'i';
}

std::string Hex(std::uint8_t value) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    return std::string("0x") + kDigits[value >> 4] + kDigits[value & 15];
}

std::vector<std::string> AvrdudeArguments(const FlashRequest& request, const std::filesystem::path& firmware,
                                          FirmwareFormat format) {
    const bool bootloader = request.target == FlashTarget::AvrBootloader;
    std::vector<std::string> args{"-c", bootloader ? request.protocol : request.programmer, "-p",
                                  request.part};
    if (bootloader) {
        args.insert(args.end(), {"-P", request.port});
        if (request.baud != 0) args.insert(args.end(), {"-b", std::to_string(request.baud)});
    }
    // avrdude splits this at ':'; the file is the session's own copy, whose
    // path holds none.
    args.insert(args.end(), {"-U", "flash:w:" + firmware.string() + ":" + AvrdudeFormat(format)});
    if (request.fuses) {
        const std::pair<const char*, std::optional<std::uint8_t>> fuses[] = {
            {"lfuse", request.fuses->low},
            {"hfuse", request.fuses->high},
            {"efuse", request.fuses->extended},
            {"lock", request.fuses->lock}};
        for (const auto& [memory, value] : fuses) {
            if (value) args.insert(args.end(), {"-U", std::string(memory) + ":w:" + Hex(*value) + ":m"});
        }
    }
    return args;
}

std::vector<std::string> StcgalArguments(const FlashRequest& request, const std::filesystem::path& firmware) {
    std::vector<std::string> args{"-P", request.protocol.empty() ? "auto" : request.protocol, "-p",
                                  request.port};
    if (request.baud != 0) args.insert(args.end(), {"-b", std::to_string(request.baud)});
    if (request.powerCycleByDtr) args.push_back("-a");
    args.push_back(firmware.string());
    return args;
}

}  // namespace

FlashTool ToolFor(FlashTarget target) {
    return target == FlashTarget::StcIsp ? FlashTool::Stcgal : FlashTool::Avrdude;
}

const char* ToolProgram(FlashTool tool) {
    return tool == FlashTool::Stcgal ? "stcgal" : "avrdude";
}

const char* MissingToolText(FlashTool tool) {
    return tool == FlashTool::Stcgal ? t::kMissingStcgal : t::kMissingAvrdude;
}

bool UsesSerialPort(FlashTarget target) {
    return target != FlashTarget::AvrProgrammer;
}

std::vector<std::string> FlashArguments(const FlashRequest& request, const std::filesystem::path& firmware,
                                        FirmwareFormat format) {
    if (request.target == FlashTarget::StcIsp) return StcgalArguments(request, firmware);
    return AvrdudeArguments(request, firmware, format);
}

const std::vector<std::string>& StcProtocols() {
    static const std::vector<std::string> kProtocols{"auto",   "stc89", "stc89a", "stc12a", "stc12b", "stc12",
                                                     "stc15a", "stc15", "stc8",   "stc8d",  "stc8g"};
    return kProtocols;
}

std::optional<std::uint8_t> ParseFuseByte(const std::string& text) {
    std::string digits = text;
    while (!digits.empty() && std::isspace(static_cast<unsigned char>(digits.back()))) digits.pop_back();
    while (!digits.empty() && std::isspace(static_cast<unsigned char>(digits.front()))) digits.erase(0, 1);
    if (digits.size() > 2 && digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'X')) {
        digits.erase(0, 2);
    } else if (!digits.empty() && (digits.back() == 'h' || digits.back() == 'H')) {
        digits.pop_back();
    }
    if (digits.empty() || digits.size() > 2) return std::nullopt;
    unsigned value = 0;
    for (const char c : digits) {
        if (!std::isxdigit(static_cast<unsigned char>(c))) return std::nullopt;
        value = value * 16 + static_cast<unsigned>(std::isdigit(static_cast<unsigned char>(c))
                                                       ? c - '0'
                                                       : (c | 0x20) - 'a' + 10);
    }
    return static_cast<std::uint8_t>(value);
}

}  // namespace viz
