#include "board/S51Console.h"

#include <cctype>
#include <charconv>

namespace viz::s51 {
namespace {

constexpr std::array<std::uint8_t, 4> kPorts{0x80, 0x90, 0xa0, 0xb0};
// SCON, PCON, TMOD, TCON, TH1; then T2CON, RCAP2L, RCAP2H.
constexpr std::array<std::uint8_t, 5> kUartRegisters{0x98, 0x87, 0x89, 0x88, 0x8d};
constexpr std::array<std::uint8_t, 3> kTimer2Registers{0xc8, 0xca, 0xcb};

std::string HexByte(std::uint8_t value) {
    constexpr char kDigits[] = "0123456789abcdef";
    return {'0', 'x', kDigits[value >> 4], kDigits[value & 15]};
}

// The address s51 names in "... code at 0x0024 (a5)" or "Erroneous instruction: 0x0024 ...".
std::string AddressAfter(std::string_view line, std::string_view marker) {
    const std::size_t at = line.find(marker);
    if (at == std::string_view::npos) return {};
    line.remove_prefix(at + marker.size());
    std::size_t end = 2;
    while (end < line.size() && std::isxdigit(static_cast<unsigned char>(line[end]))) ++end;
    return line.substr(0, 2) == "0x" && end > 2 ? std::string(line.substr(0, end)) : std::string();
}

bool StartsWith(std::string_view text, std::string_view prefix) {
    return text.substr(0, prefix.size()) == prefix;
}

std::uint64_t NumberAfter(std::string_view text, std::string_view marker) {
    const std::size_t at = text.find(marker);
    if (at == std::string_view::npos) return 0;
    text.remove_prefix(at + marker.size());
    std::uint64_t value = 0;
    std::from_chars(text.data(), text.data() + text.size(), value);
    return value;
}

// The console repeats each command it reads; its serial line is a pipe;
// the start-up command answers with the option it set.
bool IsPlumbingNote(std::string_view line) {
    return StartsWith(line, "step ") || StartsWith(line, "get sfr") || StartsWith(line, "set ") ||
           line.find("uart0_check_often") != std::string_view::npos ||
           line.find("Check input file at every cycle") != std::string_view::npos ||
           line.find("connected to a non-terminal file") != std::string_view::npos;
}

template <typename Visit>
void ForEachLine(std::string_view text, Visit visit) {
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (!visit(line)) return;
        if (end == std::string_view::npos) return;
        text.remove_prefix(end + 1);
    }
}

}  // namespace

std::string CheckSerialInputCommand(bool on) {
    return on ? "set memory uart_0_cfg 1 1\n" : "set memory uart_0_cfg 1 0\n";
}

std::vector<std::uint8_t> StepRegisters(bool timer2) {
    std::vector<std::uint8_t> registers;
    for (std::uint8_t address : kPorts) registers.push_back(address);
    for (std::uint8_t address : kUartRegisters) registers.push_back(address);
    if (timer2) {
        for (std::uint8_t address : kTimer2Registers) registers.push_back(address);
    }
    return registers;
}

std::string StepCommand(std::uint64_t instructions, const std::vector<std::uint8_t>& registers) {
    std::string command = "step " + std::to_string(instructions) + "\nget sfr";
    for (std::uint8_t address : registers) command.append(" ").append(HexByte(address));
    return command + "\n";
}

ReplyKind Classify(std::string_view reply) {
    if (StartsWith(reply, "Stop at ") || reply.find("\nStop at ") != std::string_view::npos)
        return ReplyKind::Step;
    if (reply.find(HexByte(kPorts[0])) != std::string_view::npos &&
        reply.find(" P0:") != std::string_view::npos)
        return ReplyKind::Ports;
    return ReplyKind::Other;
}

StepReply ParseStep(std::string_view reply) {
    StepReply result;
    bool inReport = false;
    ForEachLine(reply, [&](std::string_view line) {
        if (StartsWith(line, "Stop at ")) {
            result.interrupted = line.find(") User stopped") != std::string_view::npos;
            // Any other reason (an invalid instruction, say) is the firmware's
            // own stop, and news for the user.
            if (!result.interrupted && line.find(") stepped ") == std::string_view::npos) {
                result.text.append(line).append("\n");
                if (!result.haltedAt) result.haltedAt = AddressAfter(line, "Stop at ");
            }
            inReport = true;
        } else if (inReport) {
            // The register dump and the counts end with the host usage line.
            if (StartsWith(line, "Simulated ")) result.ticks = NumberAfter(line, "Simulated ");
            if (StartsWith(line, "Host usage:")) inReport = false;
        } else if (!line.empty() && !IsPlumbingNote(line)) {
            result.text.append(line).append("\n");
            // s51 names the faulty instruction's own address before it stops past it.
            if (std::string at = AddressAfter(line, "Erroneous instruction: "); !at.empty())
                result.haltedAt = at;
        }
        return true;
    });
    return result;
}

std::map<std::uint8_t, std::uint8_t> ParseRegisters(std::string_view reply) {
    std::map<std::uint8_t, std::uint8_t> registers;
    ForEachLine(reply, [&](std::string_view line) {
        // "0x90 P1:          0b11111110 0xfe '.' 254 ( -2)"
        unsigned address = 0;
        unsigned value = 0;
        if (!StartsWith(line, "0x") || line.size() < 4 ||
            std::from_chars(line.data() + 2, line.data() + 4, address, 16).ec != std::errc{})
            return true;
        const std::size_t binary = line.find(" 0b");
        const std::size_t hex = binary == std::string_view::npos ? binary : line.find(" 0x", binary);
        if (hex == std::string_view::npos || hex + 5 > line.size()) return true;
        const char* begin = line.data() + hex + 3;
        if (std::from_chars(begin, begin + 2, value, 16).ec == std::errc{})
            registers[static_cast<std::uint8_t>(address)] = static_cast<std::uint8_t>(value);
        return true;
    });
    return registers;
}

S51UartRegisters UartRegisters(const std::map<std::uint8_t, std::uint8_t>& registers) {
    const auto value = [&registers](std::uint8_t address) {
        const auto found = registers.find(address);
        return found == registers.end() ? std::uint8_t{0} : found->second;
    };
    return {value(kUartRegisters[0]),   value(kUartRegisters[1]),  value(kUartRegisters[2]),
            value(kUartRegisters[3]),   value(kUartRegisters[4]),  value(kTimer2Registers[0]),
            value(kTimer2Registers[1]), value(kTimer2Registers[2])};
}

std::array<std::optional<std::uint8_t>, 4> ParsePorts(std::string_view reply) {
    const std::map<std::uint8_t, std::uint8_t> registers = ParseRegisters(reply);
    std::array<std::optional<std::uint8_t>, 4> ports;
    for (std::size_t port = 0; port < kPorts.size(); ++port) {
        if (const auto found = registers.find(kPorts[port]); found != registers.end())
            ports[port] = found->second;
    }
    return ports;
}

std::string StartupText(std::string_view text) {
    std::string kept;
    ForEachLine(text, [&](std::string_view line) {
        if (!IsPlumbingNote(line)) kept.append(line).append("\n");
        return true;
    });
    return kept;
}

}  // namespace viz::s51
