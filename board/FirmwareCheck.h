#pragma once

// Whether a file the user picked is firmware the chosen chip can run: Intel
// HEX for both families, ELF for AVR, C source to be built first. A file that
// is not says why in Chinese, naming the line of a HEX file where it applies,
// before any simulator is started.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>

#include "board/BoardChip.h"

namespace viz {

enum class FirmwareKind { IntelHex, Elf, CSource };

struct FirmwareCheck {
    bool ok = false;
    FirmwareKind kind = FirmwareKind::IntelHex;
    std::string problem;        // when not ok
    std::uint64_t codeEnd = 0;  // one past the highest program memory address used
};

// Firmware files are small; anything larger is refused unread.
inline constexpr std::uintmax_t kFirmwareFileLimit = 16 * 1024 * 1024;

FirmwareCheck CheckFirmware(const std::filesystem::path& file, const BoardChip& chip);

// The runner's ELF loader takes the lock bits from the fuse section, and
// crashes on a file with lock bits and no fuses. For a checked ELF file of
// that kind, where the lock section's name begins in it; 0 otherwise.
std::size_t LockNameWithoutFuses(const std::string& elf);

}  // namespace viz
