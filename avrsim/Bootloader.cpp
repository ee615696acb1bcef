#include "avrsim/Bootloader.h"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <string_view>

#include "board/BoardChip.h"
#include "formats/FirmwareCheck.h"
#include "formats/IntelHex.h"

namespace viz::avrsim {

std::string ReadBootloader(const std::string& path, const std::string& core, std::uint32_t flashBytes,
                           BootSection& boot) {
    const FirmwareCheck check = CheckFirmware(path, {true, AvrDisplayName(core), flashBytes});
    if (!check.ok) return check.problem;
    if (check.kind != FirmwareKind::IntelHex) return "the bootloader " + path + " is not an Intel HEX file";
    std::ifstream file(path, std::ios::binary);
    const std::string text{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
    IntelHexReader reader(false);
    if (!reader.Feed(text) || !reader.Finish() || reader.image().empty())
        return "cannot read the bootloader " + path;
    boot.start = static_cast<std::uint32_t>(reader.image().firstAddress());
    boot.code.clear();
    reader.image().Emit([&](const std::uint8_t* data, std::size_t size) {
        boot.code.insert(boot.code.end(), data, data + size);
        return true;
    });
    return {};
}

bool CanSelfProgram(const avr_t* avr) {
    for (const avr_io_t* io = avr->io_port; io; io = io->next) {
        if (std::string_view(io->kind) == "flash") return true;
    }
    return false;
}

void InstallBootloader(avr_t* avr, const BootSection& boot) {
    std::copy(boot.code.begin(), boot.code.end(), avr->flash + boot.start);
    avr->reset_pc = boot.start;
    avr->pc = boot.start;
}

void ResetFromPin(avr_t* avr) {
    // The reset clears the I/O registers, MCUSR among them.
    avr_reset(avr);
    avr_regbit_set(avr, avr->reset_flags.extrf);
}

}  // namespace viz::avrsim
