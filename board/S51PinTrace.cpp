#include "board/S51PinTrace.h"

#include <charconv>
#include <optional>

namespace viz {
namespace {

constexpr unsigned kFirstPortSfr = 0x80;  // P0; P1..P3 follow every 0x10

std::vector<std::string_view> Words(std::string_view line) {
    std::vector<std::string_view> words;
    std::size_t at = 0;
    while (at < line.size()) {
        while (at < line.size() && (line[at] == ' ' || line[at] == '\t')) ++at;
        const std::size_t begin = at;
        while (at < line.size() && line[at] != ' ' && line[at] != '\t') ++at;
        if (at > begin) words.push_back(line.substr(begin, at - begin));
    }
    return words;
}

std::optional<std::uint64_t> Number(std::string_view text, int base = 10) {
    std::uint64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, base);
    if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
    return value;
}

std::string Hex(unsigned value) {
    static constexpr char kDigits[] = "0123456789abcdef";
    return std::string("0x") + kDigits[(value >> 4) & 0xF] + kDigits[value & 0xF];
}

}  // namespace

std::vector<std::string> S51PinTraceCommands(const std::string& path) {
    std::vector<std::string> commands;
    for (unsigned port = 0; port < kBoardPorts; ++port) {
        const unsigned sfr = kFirstPortSfr + port * 0x10;
        commands.push_back("set hardware vcd[0] add sfr " + Hex(sfr));
        for (unsigned bit = 0; bit < 8; ++bit)
            commands.push_back("set hardware vcd[0] add bits " + Hex(sfr + bit));
    }
    commands.push_back("set hardware vcd[0] output \"" + path + "\"");
    commands.push_back("set hardware vcd[0] start");
    return commands;
}

void S51PinTrace::Feed(std::string_view chunk, const PortChange& changed) {
    pending_.append(chunk);
    std::size_t start = 0;
    for (std::size_t end; (end = pending_.find('\n', start)) != std::string::npos; start = end + 1)
        Line(std::string_view(pending_).substr(start, end - start), changed);
    pending_.erase(0, start);
}

void S51PinTrace::Line(std::string_view line, const PortChange& changed) {
    while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) line.remove_suffix(1);
    while (!line.empty() && (line.front() == ' ' || line.front() == '\t')) line.remove_prefix(1);
    if (line.empty()) return;
    if (inDefinitions_) return Header(line);
    Value(line, changed);
}

void S51PinTrace::Header(std::string_view line) {
    const std::vector<std::string_view> words = Words(line);
    if (words.empty()) return;
    if (words[0] == "$enddefinitions") {
        inDefinitions_ = false;
    } else if (words[0] == "$timescale" && words.size() >= 3) {
        // "1ps", or "1 ps": a number and a unit.
        std::string_view scale = words[1];
        std::string_view unit = words.size() >= 4 && words[2] != "$end" ? words[2] : std::string_view();
        const std::size_t digits = scale.find_first_not_of("0123456789");
        if (digits != std::string_view::npos) {
            unit = scale.substr(digits);
            scale = scale.substr(0, digits);
        }
        const std::uint64_t count = Number(scale).value_or(1);
        static const std::map<std::string_view, std::pair<SimNanos, SimNanos>> kUnits{
            {"s", {1'000'000'000, 1}}, {"ms", {1'000'000, 1}}, {"us", {1000, 1}}, {"ns", {1, 1}},
            {"ps", {1, 1000}},         {"fs", {1, 1'000'000}}};
        const auto found = kUnits.find(unit);
        if (found != kUnits.end()) {
            unitNumerator_ = found->second.first * count;
            unitDenominator_ = found->second.second;
        }
    } else if (words[0] == "$var" && words.size() >= 5) {
        // "$var wire 8 ! P2 $end" or "$var wire 1 \" bits_0xa7.0 $end".
        const std::string_view name = words[4];
        Variable variable;
        if (name.size() == 2 && name[0] == 'P' && name[1] >= '0' && name[1] <= '3') {
            variable.port = static_cast<std::size_t>(name[1] - '0');
        } else if (name.substr(0, 7) == "bits_0x" && name.size() >= 9) {
            const std::optional<std::uint64_t> address = Number(name.substr(7, 2), 16);
            if (!address || *address < kFirstPortSfr) return;
            variable.port = static_cast<std::size_t>((*address - kFirstPortSfr) / 0x10);
            variable.bit = static_cast<int>(*address & 7);
            if (variable.port >= kBoardPorts || (*address & 0x0F) > 7) return;
        } else {
            return;
        }
        variables_[std::string(words[3])] = variable;
    }
}

void S51PinTrace::Value(std::string_view line, const PortChange& changed) {
    if (line[0] == '$') return;  // $dumpvars, $end
    if (line[0] == '#') {
        const std::optional<std::uint64_t> units = Number(line.substr(1));
        if (!units) {
            ++badLines_;
            return;
        }
        // Split so that picoseconds far into a run do not overflow.
        now_ = *units / unitDenominator_ * unitNumerator_ +
               *units % unitDenominator_ * unitNumerator_ / unitDenominator_;
        return;
    }
    std::string_view value, id;
    if (line[0] == 'b') {
        const std::size_t space = line.find(' ');
        if (space == std::string_view::npos) {
            ++badLines_;
            return;
        }
        value = line.substr(1, space - 1);
        id = line.substr(space + 1);
    } else {
        value = line.substr(0, 1);
        id = line.substr(1);
    }
    const auto found = variables_.find(id);
    const std::optional<std::uint64_t> bits = Number(value, 2);
    if (found == variables_.end() || !bits) {
        ++badLines_;
        return;
    }
    const Variable& variable = found->second;
    std::uint8_t& levels = levels_[variable.port];
    if (variable.bit < 0) {
        levels = static_cast<std::uint8_t>(*bits);
    } else {
        const auto mask = static_cast<std::uint8_t>(1u << variable.bit);
        levels = *bits ? static_cast<std::uint8_t>(levels | mask) : static_cast<std::uint8_t>(levels & ~mask);
    }
    changed(variable.port, levels, now_);
}

}  // namespace viz
