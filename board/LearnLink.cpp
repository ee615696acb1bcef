#include "board/LearnLink.h"

#include <cstdio>

namespace viz {

void LearnLink::PortChanged(std::size_t port, std::uint8_t levels, SimNanos at) {
    board_.SetPort(port, levels, at);
    portsChanged_ = true;
}

std::optional<OutsideLevels> LearnLink::TakeOutside() {
    const std::uint64_t inputs = board_.inputsVersion();
    // The LCD's busy flag changes with time alone.
    if (!portsChanged_ && inputs == inputsSeen_ && !board_.LcdAnswering()) return std::nullopt;
    portsChanged_ = false;
    inputsSeen_ = inputs;
    const std::array<PortDrive, kBoardPorts> drive = board_.ToChip();
    OutsideLevels outside;
    for (std::size_t port = 0; port < kBoardPorts; ++port) outside[port] = drive[port].Read(0xFF);
    if (sent_ && outside == *sent_) return std::nullopt;
    sent_ = outside;
    return outside;
}

std::vector<std::string> S51OutsideCommands(const OutsideLevels& now,
                                            const std::optional<OutsideLevels>& before) {
    std::vector<std::string> commands;
    for (std::size_t port = 0; port < kBoardPorts; ++port) {
        if (now[port] == (before ? (*before)[port] : 0xFF)) continue;
        char command[48];
        std::snprintf(command, sizeof command, "set hardware port[%zu] 0x%02x", port, now[port]);
        commands.emplace_back(command);
    }
    return commands;
}

}  // namespace viz
