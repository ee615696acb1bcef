#include "board/SerialBootloader.h"

#include <algorithm>

#include "board/BoardTexts.h"

namespace viz {
namespace {

constexpr char kCore[] = "atmega328p";

std::string CommandLine(const std::filesystem::path& program, const std::vector<std::string>& arguments) {
    std::string line = program.filename().string();
    for (const std::string& argument : arguments) line += " " + argument;
    return line;
}

BuildResult RunStep(const std::filesystem::path& program, std::vector<std::string> arguments,
                    const std::filesystem::path& output, const std::filesystem::path& folder, int stopFd,
                    BoardEvents& events) {
    events.OnOutput(texts::board::kBuildCommand + CommandLine(program, arguments) + "\n");
    ChildSpec spec;
    spec.program = program;
    spec.arguments = std::move(arguments);
    spec.workingDirectory = folder;
    return RunBuildTool(spec, output, stopFd, events);
}

}  // namespace

std::optional<BoardChip> BootloaderChipFrom(const std::vector<BoardChip>& parts) {
    // The library lists the ATmega328P under its first name, "atmega328".
    const auto found = std::find_if(parts.begin(), parts.end(), [](const BoardChip& part) {
        return part.simulatorName == kCore || part.simulatorName == "atmega328";
    });
    if (found == parts.end()) return std::nullopt;
    BoardChip chip = *found;
    chip.name = texts::board::kBootloaderChip;
    chip.codeBytes = std::min(chip.codeBytes, kBootSectionStart);
    chip.simulatorName = kCore;
    chip.serialBootloader = true;
    return chip;
}

std::vector<std::string> BootloaderCompilerArguments(std::uint32_t clockHz,
                                                     const std::filesystem::path& elf) {
    // The bootloader's own build flags: it is sized for them.
    return {"-mmcu=" + std::string(kCore),
            "-DF_CPU=" + std::to_string(clockHz) + "L",
            "-DBAUD_RATE=115200",
            "-DLED_START_FLASHES=0",
            "-Os",
            "-fno-inline-small-functions",
            "-fno-split-wide-types",
            "-mshort-calls",
            "-nostartfiles",
            "-nostdlib",
            "-Wl,--section-start=.text=0x7e00",
            "-Wl,--relax",
            "-Wl,--gc-sections",
            "-o",
            elf.string(),
            kBootloaderSource};
}

BuildResult BuildBootloader(const BoardTools& tools, std::uint32_t clockHz,
                            const std::filesystem::path& folder, int stopFd, BoardEvents& events) {
    const std::filesystem::path elf = folder / "bootloader.elf";
    const std::filesystem::path hex = folder / "bootloader.hex";
    const BuildResult built =
        RunStep(tools.compiler, BootloaderCompilerArguments(clockHz, elf), elf, folder, stopFd, events);
    if (built.kind != BuildResult::Kind::Built) return built;
    return RunStep(tools.objcopy, {"-O", "ihex", elf.string(), hex.string()}, hex, folder, stopFd, events);
}

}  // namespace viz
