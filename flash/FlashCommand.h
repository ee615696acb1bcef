#pragma once

// What a download asks of the tool, and the command line that says it. The
// tool is never run through a shell: every value is one argument of its own.
//
//   FlashRequest request{FlashTarget::AvrBootloader};
//   request.port = "/dev/ttyUSB0"; request.baud = 115200; request.protocol = "arduino"; request.part =
//   "m328p"; ChildSpec spec{toolPath, FlashArguments(request, "/tmp/x/firmware.hex",
//   FirmwareFormat::IntelHex)};

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace viz {

enum class FlashTarget {
    StcIsp,         // stcgal over the serial port
    AvrBootloader,  // avrdude talking to a bootloader over the serial port
    AvrProgrammer,  // avrdude with a USB programmer (AVR and AT89S5x)
};

enum class FirmwareFormat { IntelHex, Binary, Elf };

enum class FlashTool { Avrdude, Stcgal };

// Fuse and lock bytes; only those given are written.
struct FuseBytes {
    std::optional<std::uint8_t> low;
    std::optional<std::uint8_t> high;
    std::optional<std::uint8_t> extended;
    std::optional<std::uint8_t> lock;
    bool any() const { return low || high || extended || lock; }
};

struct FlashRequest {
    FlashTarget target = FlashTarget::StcIsp;
    std::string port;              // the serial targets
    std::uint32_t baud = 0;        // 0: the tool's own default
    std::string protocol;          // stcgal's -P ("auto", "stc89", ...) or the bootloader's avrdude -c
    std::string part;              // avrdude -p
    std::string programmer;        // avrdude -c for USB programmers
    bool powerCycleByDtr = false;  // stcgal switches the board's power with DTR
    // Written only when the user asked for it in the fuse section.
    std::optional<FuseBytes> fuses;
};

FlashTool ToolFor(FlashTarget target);
const char* ToolProgram(FlashTool tool);  // "avrdude", "stcgal"
// "缺少下载工具avrdude：请执行 sudo apt install avrdude 安装。"
const char* MissingToolText(FlashTool tool);
bool UsesSerialPort(FlashTarget target);

// The tool's arguments: program memory written and verified, and the fuses
// only when the request holds them.
std::vector<std::string> FlashArguments(const FlashRequest& request, const std::filesystem::path& firmware,
                                        FirmwareFormat format);

// The protocols stcgal offers for -P, "auto" first.
const std::vector<std::string>& StcProtocols();

// "0xA2", "a2", "A2h" → 0xA2; nothing for anything else.
std::optional<std::uint8_t> ParseFuseByte(const std::string& text);

}  // namespace viz
