#pragma once

// The firmware file checked before any tool starts: its kind told from its
// content and name, Intel HEX read record by record (a bad checksum names its
// line), an ELF's machine and flash segments read from its headers, and the
// program's end compared with the chip's flash when that size is known.
//
//   const FlashFirmware firmware = CheckFlashFirmware(path, FlashTarget::AvrBootloader, 32768, "m328p");
//   if (!firmware.ok) show(firmware.problem);
//   else hand firmware.bytes to the tool as a file of firmware.format

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

#include "flash/FlashCommand.h"

namespace viz {

struct FlashFirmware {
    bool ok = false;
    std::string problem;  // why it was refused, with the line for HEX files
    FirmwareFormat format = FirmwareFormat::IntelHex;
    std::string bytes;          // the file as read, handed on unchanged
    std::uint64_t codeEnd = 0;  // one past the highest flash address the program uses
};

// `flashBytes` empty: the chip's flash size is not known (STC chips are
// recognised by the tool only once they answer).
FlashFirmware CheckFlashFirmware(const std::filesystem::path& file, FlashTarget target,
                                 std::optional<std::uint64_t> flashBytes, const std::string& chipName);

}  // namespace viz
