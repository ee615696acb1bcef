#pragma once

// The ATmega328P with a serial bootloader, as a board a downloader can talk
// to: the STK500 v1 bootloader whose source Debian's arduino-core-avr ships,
// built for the board's clock at 115200 baud into the 512-byte boot section
// where the chip starts (as the BOOTRST fuse makes it). The package's own
// prebuilt image of it was made by a newer compiler than the bootloader was
// sized for: 532 bytes, running past the end of the flash, its version word
// written over its own code. Built here without the start-up LED flashes it
// is 496 bytes and fits.
//
//   if (auto chip = BootloaderChipFrom(parts)) chips.push_back(*chip);
//   const BuildResult boot = BuildBootloader(tools, clockHz, folder, stopFd, events);  // Intel HEX

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "board/BoardChip.h"
#include "board/BoardTools.h"
#include "board/FirmwareBuild.h"

namespace viz {

inline constexpr char kBootloaderSource[] =
    "/usr/share/arduino/hardware/arduino/avr/bootloaders/optiboot/optiboot.c";
// Where the boot section begins: the application's program memory ends here.
inline constexpr std::uint32_t kBootSectionStart = 0x7E00;

// The chip with the bootloader, when the runner's parts include the ATmega328P.
std::optional<BoardChip> BootloaderChipFrom(const std::vector<BoardChip>& parts);

// avr-gcc's arguments that build the bootloader into `elf`.
std::vector<std::string> BootloaderCompilerArguments(std::uint32_t clockHz, const std::filesystem::path& elf);

// Builds it in `folder` with the tools FindBoardTools found for the chip;
// the result's firmware is the Intel HEX file the runner takes.
BuildResult BuildBootloader(const BoardTools& tools, std::uint32_t clockHz,
                            const std::filesystem::path& folder, int stopFd, BoardEvents& events);

}  // namespace viz
