#include "board/AvrSimProtocol.h"

#include <charconv>
#include <cstdio>
#include <sstream>

namespace viz::avrsim {
namespace {

template <typename Number>
bool ReadNumber(std::istringstream& in, Number& value, int base = 10) {
    std::string word;
    if (!(in >> word)) return false;
    const auto [end, error] = std::from_chars(word.data(), word.data() + word.size(), value, base);
    return error == std::errc{} && end == word.data() + word.size();
}

}  // namespace

std::string Format(const Line& line) {
    if (const auto* part = std::get_if<PartLine>(&line))
        return "part " + part->core + " " + std::to_string(part->flashBytes) + " " + part->ports;
    if (const auto* uart = std::get_if<UartLine>(&line)) return "uart " + uart->path;
    if (const auto* port = std::get_if<PortLine>(&line)) {
        char level[3];
        std::snprintf(level, sizeof level, "%02X", port->level);
        return "port " + std::to_string(port->cycle) + " " + port->port + " " + level;
    }
    if (const auto* reset = std::get_if<ResetLine>(&line)) return "reset " + std::to_string(reset->cycle);
    if (const auto* time = std::get_if<TimeLine>(&line)) return "time " + std::to_string(time->cycle);
    if (const auto* outside = std::get_if<OutsideLine>(&line)) {
        char levels[3];
        std::snprintf(levels, sizeof levels, "%02X", outside->levels);
        return std::string("outside ") + outside->port + " " + levels + " " +
               std::to_string(outside->seenCycle);
    }
    if (const auto* joins = std::get_if<JoinsLine>(&line)) {
        std::string text = "joins";
        for (const auto& [a, b] : joins->pairs) {
            text += ' ';
            text += {a.port, static_cast<char>('0' + a.bit), '-', b.port, static_cast<char>('0' + b.bit)};
        }
        return text;
    }
    if (const auto* adc = std::get_if<AdcLine>(&line))
        return "adc " + std::to_string(adc->channel) + " " + std::to_string(adc->millivolts);
    return "end " + std::get<EndLine>(line).reason;
}

std::optional<Line> Parse(std::string_view text) {
    std::istringstream in{std::string(text)};
    std::string word;
    if (!(in >> word)) return std::nullopt;
    if (word == "part") {
        PartLine part;
        if (!(in >> part.core) || !ReadNumber(in, part.flashBytes)) return std::nullopt;
        in >> part.ports;
        return part;
    }
    if (word == "uart") {
        UartLine uart;
        if (!(in >> uart.path)) return std::nullopt;
        return uart;
    }
    if (word == "port") {
        PortLine port;
        std::string letter;
        unsigned level = 0;
        if (!ReadNumber(in, port.cycle) || !(in >> letter) || letter.size() != 1 ||
            !ReadNumber(in, level, 16) || level > 0xFF)
            return std::nullopt;
        port.port = letter[0];
        port.level = static_cast<std::uint8_t>(level);
        return port;
    }
    if (word == "reset") {
        ResetLine reset;
        in >> std::ws;
        if (!in.eof() && !ReadNumber(in, reset.cycle)) return std::nullopt;
        return reset;
    }
    if (word == "time") {
        TimeLine time;
        if (!ReadNumber(in, time.cycle)) return std::nullopt;
        return time;
    }
    if (word == "outside") {
        std::string letter;
        unsigned levels = 0;
        if (!(in >> letter) || letter.size() != 1 || !ReadNumber(in, levels, 16) || levels > 0xFF)
            return std::nullopt;
        OutsideLine outside{letter[0], static_cast<std::uint8_t>(levels), 0};
        in >> std::ws;
        if (!in.eof() && !ReadNumber(in, outside.seenCycle)) return std::nullopt;
        return outside;
    }
    if (word == "adc") {
        AdcLine adc;
        if (!ReadNumber(in, adc.channel) || !ReadNumber(in, adc.millivolts)) return std::nullopt;
        return adc;
    }
    if (word == "joins") {
        JoinsLine joins;
        while (in >> word) {
            const auto pin = [&](std::size_t at) {
                return PinName{word[at], static_cast<std::uint8_t>(word[at + 1] - '0')};
            };
            if (word.size() != 5 || word[2] != '-' || word[1] < '0' || word[1] > '7' || word[4] < '0' ||
                word[4] > '7')
                return std::nullopt;
            joins.pairs.emplace_back(pin(0), pin(3));
        }
        return joins;
    }
    if (word == "end") {
        EndLine end;
        in >> end.reason;
        return end;
    }
    return std::nullopt;
}

std::vector<BoardChip> PartsFromListing(std::string_view listing) {
    std::vector<BoardChip> chips;
    std::size_t from = 0;
    while (from < listing.size()) {
        std::size_t end = listing.find('\n', from);
        if (end == std::string_view::npos) end = listing.size();
        const auto line = Parse(listing.substr(from, end - from));
        from = end + 1;
        const auto* part = line ? std::get_if<PartLine>(&*line) : nullptr;
        if (!part) continue;
        BoardChip chip{ChipFamily::Avr, AvrDisplayName(part->core), part->core, part->flashBytes, {}};
        for (char letter : part->ports) chip.ports.push_back(std::string("PORT") + letter);
        chips.push_back(std::move(chip));
    }
    return chips;
}

}  // namespace viz::avrsim
