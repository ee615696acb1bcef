#pragma once

// Whether a file the user picked is firmware the chosen chip can run: Intel
// HEX for both families, ELF for AVR, C source to be built first. A file that
// is not says why in Chinese, naming the line of a HEX file where it applies,
// before any simulator is started.
//
//   const FirmwareCheck check = CheckFirmware(path, {/*avr=*/true, "ATmega16", 16384});
//   if (!check.ok) show(check.problem);
//   else if (check.kind == FirmwareKind::CSource) build it first

#include <cstdint>
#include <filesystem>
#include <string>

namespace viz {

enum class FirmwareKind { IntelHex, Elf, CSource };

// The chip a file is checked for.
struct FirmwareChip {
    bool avr = false;  // an 8051 otherwise
    std::string name;  // as shown: "8051", "ATmega16"
    std::uint64_t codeBytes = 0;
};

struct FirmwareCheck {
    bool ok = false;
    FirmwareKind kind = FirmwareKind::IntelHex;
    std::string problem;        // when not ok
    std::uint64_t codeEnd = 0;  // one past the highest program memory address used
};

// Firmware files are small; anything larger is refused unread.
inline constexpr std::uintmax_t kFirmwareFileLimit = 16 * 1024 * 1024;

FirmwareCheck CheckFirmware(const std::filesystem::path& file, const FirmwareChip& chip);

}  // namespace viz
