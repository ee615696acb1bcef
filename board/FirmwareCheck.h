#pragma once

// The firmware check (formats/FirmwareCheck.h) for one of the board's chips.
//
//   const FirmwareCheck check = CheckFirmware(path, config.chip);

#include <filesystem>

#include "board/BoardChip.h"
#include "formats/FirmwareCheck.h"

namespace viz {

inline FirmwareCheck CheckFirmware(const std::filesystem::path& file, const BoardChip& chip) {
    return CheckFirmware(file, FirmwareChip{chip.family == ChipFamily::Avr, chip.name, chip.codeBytes});
}

}  // namespace viz
