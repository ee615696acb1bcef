#include "S51Program.h"

#include <cstdio>
#include <fstream>
#include <sstream>

#include "IconvReference.h"
#include "wizards/ToolRunner.h"

namespace viz::testing {

namespace {

// Numbers as s51 prints them: "0x" and hexadecimal digits.
std::uint32_t ParseHex(std::string_view text) {
    return static_cast<std::uint32_t>(std::stoul(std::string(text), nullptr, 16));
}

bool StartsWith(std::string_view text, std::string_view prefix) {
    return text.substr(0, prefix.size()) == prefix;
}

// "0x8c TH0:   0b00000000 0x00 '.'   0": the address and the value.
void ParseSfrLine(std::string_view line, S51Stop& stop) {
    const std::size_t binary = line.find(" 0b");
    const std::size_t hex = line.find(" 0x", binary == std::string_view::npos ? 0 : binary);
    if (binary == std::string_view::npos || hex == std::string_view::npos) return;
    stop.sfr[static_cast<int>(ParseHex(line.substr(2, line.find(' ') - 2)))] =
        static_cast<int>(ParseHex(line.substr(hex + 3, 2)));
}

std::vector<S51Stop> ParseStops(const std::string& log) {
    std::vector<S51Stop> stops;
    std::istringstream lines(log);
    std::string line;
    while (std::getline(lines, line)) {
        if (StartsWith(line, "Stop at 0x") && line.find("Breakpoint") != std::string::npos) {
            stops.push_back(S51Stop{ParseHex(line.substr(10, line.find(':') - 10)), 0, {}});
        } else if (stops.empty()) {
            continue;
        } else if (StartsWith(line, "timer #") && line.find(" clks)") != std::string::npos) {
            const std::size_t open = line.rfind('(');
            stops.back().clocks = std::stoull(line.substr(open + 1));
        } else if (StartsWith(line, "0x") && line.find(" 0b") != std::string::npos) {
            ParseSfrLine(line, stops.back());
        }
    }
    return stops;
}

}  // namespace

int S51Stop::Sfr(int address) const {
    const auto found = sfr.find(address);
    return found == sfr.end() ? -1 : found->second;
}

S51Program::S51Program(std::filesystem::path dir, std::string_view utf8Source) : dir_(std::move(dir)) {
    std::ofstream(dir_ / "prog.c", std::ios::binary) << Gbk(std::string(utf8Source));
    const CommandResult result = RunIn(dir_, "sdcc -mmcs51 prog.c", "sdcc.log");
    compiled_ = result.ok && std::filesystem::exists(dir_ / "prog.ihx");
    compilerOutput_ = result.output;
}

std::optional<std::uint32_t> S51Program::FindInstruction(std::string_view label,
                                                         std::string_view instruction) const {
    std::ifstream listing(dir_ / "prog.rst");
    // Appended: a literal in front of a temporary string trips GCC 12's
    // -Wrestrict at -O3.
    const std::string labelLine = std::string(" ").append(label).append(":");
    bool inside = false;
    std::string line;
    while (std::getline(listing, line)) {
        if (!inside) {
            inside = line.size() >= labelLine.size() &&
                     line.compare(line.size() - labelLine.size(), labelLine.size(), labelLine) == 0;
            continue;
        }
        // "      000081 75 8C FC         [24]  393 	mov	_TH0,#0xfc"
        if (line.find(instruction) == std::string::npos) continue;
        std::istringstream fields(line);
        std::string address;
        fields >> address;
        return ParseHex(address);
    }
    return std::nullopt;
}

S51Result S51Program::Run(const S51Options& options) const {
    std::ostringstream script;
    if (options.serialInput) {
        // Otherwise s51 looks at its input file only now and then.
        script << "set memory uart_0_cfg 1 1\n";
        std::ofstream(dir_ / "serial.in", std::ios::binary) << *options.serialInput;
    }
    for (std::uint32_t address : options.breakpoints)
        script << "break 0x" << std::hex << address << std::dec << "\n";
    script << "timer add clk\n";
    for (int i = 0; i < options.stops; ++i) {
        script << "run\ntimer get clk\n";
        if (!options.sfrs.empty()) {
            script << "get sfr";
            for (int address : options.sfrs) script << " 0x" << std::hex << address << std::dec;
            script << "\n";
        }
    }
    script << "quit\n";
    std::ofstream(dir_ / "s51.cmd") << script.str();

    std::string command = "timeout 20 s51 -b -t " + options.cpu + " -X " + std::to_string(options.frequency);
    if (options.serialInput) command += " -S in=serial.in,out=serial.out";
    command += " prog.ihx < s51.cmd";
    S51Result result;
    result.log = RunIn(dir_, command, "s51.log").output;
    result.stops = ParseStops(result.log);
    if (options.serialInput) result.serialOutput = ReadFile(dir_ / "serial.out");
    return result;
}

}  // namespace viz::testing
