#include "board/BoardTools.h"

#include <unistd.h>

#include "base/TextFill.h"
#include "board/BoardTexts.h"
#include "board/SerialBootloader.h"
#include "platform/ProgramSearch.h"

namespace viz {

BoardTools FindBoardTools(ChipFamily family, bool build, const ToolSearch& search) {
    BoardTools tools;
    const auto need = [&](const char* name, const char* package) {
        std::filesystem::path found = FindOnPath(name, search.path);
        if (found.empty()) tools.missing.push_back({name, package});
        return found;
    };
    if (family == ChipFamily::Mcs51) {
        if (build) tools.compiler = need("sdcc", "sdcc");
        tools.simulator = need("s51", "sdcc-ucsim");
        tools.s51Wake = search.s51Wake;
        return tools;
    }
    if (build) {
        tools.compiler = need("avr-gcc", "gcc-avr");
        // avr-libc's headers sit beside the compiler: <prefix>/lib/avr/include,
        // beside the real one when PATH holds a link to it.
        std::error_code error;
        const std::filesystem::path real = std::filesystem::canonical(tools.compiler, error);
        const std::filesystem::path header = (error ? tools.compiler : real).parent_path().parent_path() /
                                             "lib" / "avr" / "include" / "avr" / "io.h";
        if (!tools.compiler.empty() && !std::filesystem::exists(header, error))
            tools.missing.push_back({"avr/io.h", "avr-libc"});
    }
    tools.simulator = search.avrRunner.empty() ? FindOnPath("duvezer-avrsim", search.path) : search.avrRunner;
    tools.runnerMissing = tools.simulator.empty();
    return tools;
}

BoardTools FindBoardTools(const BoardChip& chip, bool build, const ToolSearch& search) {
    if (!chip.serialBootloader) return FindBoardTools(chip.family, build, search);
    BoardTools tools = FindBoardTools(chip.family, true, search);
    std::error_code error;
    if (!std::filesystem::exists(kBootloaderSource, error))
        tools.missing.push_back(
            {std::filesystem::path(kBootloaderSource).filename().string(), "arduino-core-avr"});
    tools.objcopy = FindOnPath("avr-objcopy", search.path);
    if (tools.objcopy.empty()) tools.missing.push_back({"avr-objcopy", "binutils-avr"});
    return tools;
}

std::string DescribeMissing(const BoardTools& tools) {
    std::string text;
    for (const BoardTool& tool : tools.missing)
        text += FillText(texts::board::kMissingTool, {tool.name, tool.package}) + "\n";
    if (tools.runnerMissing) text += std::string(texts::board::kMissingRunner) + "\n";
    return text;
}

}  // namespace viz
