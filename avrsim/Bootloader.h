#pragma once

// A serial bootloader in the chip's boot section, started as the BOOTRST
// fuse starts it: the reset vector points at its first address, and what it
// writes into the flash with SPM stays there across resets.
//
//   BootSection boot;
//   if (const std::string problem = ReadBootloader(path, "atmega328p", avr->flashend + 1, boot);
//   !problem.empty()) fail;
//   ... load the application below boot.start ...
//   InstallBootloader(avr, boot);
//   ResetFromPin(avr);   // later, when the window says "reset"

#include <cstdint>
#include <string>
#include <vector>

extern "C" {
#include <sim_avr.h>
#include <sim_io.h>
}

namespace viz::avrsim {

struct BootSection {
    std::uint32_t start = 0;  // byte address; the application ends below it
    std::vector<std::uint8_t> code;
};

// The bootloader's Intel HEX file, checked as the board checks firmware and
// against the flash's size; the problem in words, empty when it was read.
std::string ReadBootloader(const std::string& path, const std::string& core, std::uint32_t flashBytes,
                           BootSection& boot);

// Whether the part's core has the self-programming block (SPM), without
// which a bootloader cannot write the flash.
bool CanSelfProgram(const avr_t* avr);

// Puts the bootloader into the flash and makes the chip start there, now and
// after every reset.
void InstallBootloader(avr_t* avr, const BootSection& boot);

// What pulling RESET low does: the chip starts again at its reset vector
// with the flash and EEPROM it has, and MCUSR says it was an external reset,
// which is what makes a bootloader wait for the programmer instead of
// starting the application at once.
void ResetFromPin(avr_t* avr);

}  // namespace viz::avrsim
