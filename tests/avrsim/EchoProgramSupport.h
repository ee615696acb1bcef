#pragma once

// The echo program of tests/avrsim/data for the download tests: what the
// board's bootloader is given to write. Only for files built with
// VIZ_AVRSIM_TEST_DATA defined.
//
//   const std::filesystem::path hex = testing::BuildEcho(dir.path(), "hello");

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "wizards/ToolRunner.h"

namespace viz::testing {

// avr-gcc and avr-objcopy make an Intel HEX file of the echo program for an
// ATmega328P at 16 MHz, saying `greeting` first; empty (and the test failed)
// when they cannot.
inline std::filesystem::path BuildEcho(const std::filesystem::path& dir, const std::string& greeting) {
    const std::filesystem::path data = VIZ_AVRSIM_TEST_DATA;
    const std::string elf = (dir / (greeting + ".elf")).string();
    const std::string hex = (dir / (greeting + ".hex")).string();
    const CommandResult built =
        RunIn(dir, "avr-gcc -mmcu=atmega328p -Os -std=gnu99 '-DGREETING=\"" + greeting + "\"' -I'" +
                       data.string() + "' -o '" + elf + "' '" + (data / "echo.c").string() +
                       "' && avr-objcopy -O ihex -R .eeprom '" + elf + "' '" + hex + "'");
    EXPECT_TRUE(built.ok) << built.output;
    return built.ok ? std::filesystem::path(hex) : std::filesystem::path();
}

}  // namespace viz::testing
