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
    const OutsideLevels before = sent_.value_or(OutsideLevels{});
    const bool first = !sent_;
    const OutsideLevels outside = Outside();
    if (!first && outside == before) return std::nullopt;
    return outside;
}

OutsideLevels LearnLink::Outside() {
    portsChanged_ = false;
    inputsSeen_ = board_.inputsVersion();
    const std::array<PortDrive, kBoardPorts> drive = board_.ToChip();
    OutsideLevels outside;
    for (std::size_t port = 0; port < kBoardPorts; ++port) outside[port] = drive[port].Read(0xFF);
    sent_ = outside;
    return outside;
}

namespace {

std::string S51OutsideCommand(std::size_t port, std::uint8_t level) {
    char command[48];
    std::snprintf(command, sizeof command, "set hardware port[%zu] 0x%02x", port, level);
    return command;
}

}  // namespace

std::vector<std::string> S51OutsideCommands(const OutsideLevels& now,
                                            const std::optional<OutsideLevels>& before) {
    std::vector<std::string> commands;
    for (std::size_t port = 0; port < kBoardPorts; ++port) {
        if (now[port] != (before ? (*before)[port] : 0xFF)) commands.push_back(S51OutsideCommand(port, now[port]));
    }
    return commands;
}

std::vector<std::string> S51AllOutsideCommands(const OutsideLevels& now) {
    std::vector<std::string> commands;
    for (std::size_t port = 0; port < kBoardPorts; ++port) commands.push_back(S51OutsideCommand(port, now[port]));
    return commands;
}

}  // namespace viz
