#include "board/S51Console.h"

#include <charconv>

namespace viz::s51 {
namespace {

constexpr std::array<std::string_view, 4> kPortAddresses{"0x80", "0x90", "0xa0", "0xb0"};

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

std::string StepCommand(std::uint64_t instructions) {
    std::string command = "step " + std::to_string(instructions) + "\nget sfr";
    for (std::string_view address : kPortAddresses) command.append(" ").append(address);
    return command + "\n";
}

ReplyKind Classify(std::string_view reply) {
    if (StartsWith(reply, "Stop at ") || reply.find("\nStop at ") != std::string_view::npos)
        return ReplyKind::Step;
    if (reply.find(kPortAddresses[0]) != std::string_view::npos &&
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
            // Another reason (an invalid instruction, say) is news for the user.
            if (!result.interrupted && line.find(") stepped ") == std::string_view::npos)
                result.text.append(line).append("\n");
            inReport = true;
        } else if (inReport) {
            // The register dump and the counts end with the host usage line.
            if (StartsWith(line, "Simulated ")) result.ticks = NumberAfter(line, "Simulated ");
            if (StartsWith(line, "Host usage:")) inReport = false;
        } else if (!line.empty() && !IsPlumbingNote(line)) {
            result.text.append(line).append("\n");
        }
        return true;
    });
    return result;
}

std::array<std::optional<std::uint8_t>, 4> ParsePorts(std::string_view reply) {
    std::array<std::optional<std::uint8_t>, 4> ports;
    ForEachLine(reply, [&](std::string_view line) {
        for (std::size_t port = 0; port < kPortAddresses.size(); ++port) {
            if (!StartsWith(line, kPortAddresses[port])) continue;
            // "0x90 P1:          0b11111110 0xfe '.' 254 ( -2)"
            const std::size_t binary = line.find(" 0b");
            const std::size_t hex = binary == std::string_view::npos ? binary : line.find(" 0x", binary);
            if (hex == std::string_view::npos || hex + 5 > line.size()) continue;
            unsigned value = 0;
            const char* begin = line.data() + hex + 3;
            if (std::from_chars(begin, begin + 2, value, 16).ec == std::errc{})
                ports[port] = static_cast<std::uint8_t>(value);
        }
        return true;
    });
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
