#include "board/parts/LogicTrace.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>

namespace viz {
namespace {

// The dump's short names for channels: printable characters from '!'.
std::string VcdId(std::size_t channel) {
    std::string id;
    do {
        id += static_cast<char>('!' + channel % 94);
        channel /= 94;
    } while (channel > 0);
    return id;
}

void AppendValue(std::string& text, bool level, std::size_t channel) {
    text += level ? '1' : '0';
    text += VcdId(channel);
    text += '\n';
}

void AppendTime(std::string& text, SimNanos units) {
    text += '#';
    text += std::to_string(units);
    text += '\n';
}

struct TimeUnit {
    SimNanos nanos;
    const char* name;
};

constexpr TimeUnit kUnits[] = {{1'000'000'000, "1 s"}, {100'000'000, "100 ms"},
                               {10'000'000, "10 ms"},  {1'000'000, "1 ms"},
                               {100'000, "100 us"},    {10'000, "10 us"},
                               {1'000, "1 us"},        {100, "100 ns"},
                               {10, "10 ns"},          {1, "1 ns"}};

}  // namespace

LogicTrace::LogicTrace(std::vector<TraceChannel> channels,
                       const std::array<std::uint8_t, kBoardPorts>& levels, SimNanos start, std::size_t limit)
    : channels_(std::move(channels)), start_(start), limit_(limit) {
    for (const TraceChannel& channel : channels_)
        initial_.push_back(IsBoardPin(channel.pin) && ((levels[channel.pin.port] >> channel.pin.bit) & 1));
    current_ = initial_;
}

void LogicTrace::Record(std::size_t channel, bool level, SimNanos at) {
    if (current_[channel] == level || at < start_) return;
    if (changes_.size() >= limit_) {
        full_ = true;
        return;
    }
    current_[channel] = level;
    // A dump's times only go forward: a change reported late counts at the last time.
    if (!changes_.empty()) at = std::max(at, changes_.back().at);
    changes_.push_back({at, static_cast<std::uint32_t>(channel), level});
}

void LogicTrace::SetPort(std::size_t port, std::uint8_t levels, SimNanos at) {
    for (std::size_t i = 0; i < channels_.size(); ++i)
        if (channels_[i].pin.port == port && IsBoardPin(channels_[i].pin))
            Record(i, (levels >> channels_[i].pin.bit) & 1, at);
}

void LogicTrace::SetPin(BoardPin pin, bool level, SimNanos at) {
    for (std::size_t i = 0; i < channels_.size(); ++i)
        if (channels_[i].pin == pin) Record(i, level, at);
}

std::vector<SimNanos> LogicTrace::Edges(std::size_t channel) const {
    std::vector<SimNanos> edges;
    for (const TraceChange& change : changes_)
        if (change.channel == channel) edges.push_back(change.at);
    return edges;
}

std::string LogicTrace::Vcd(SimNanos end) const {
    end = std::max(end, changes_.empty() ? start_ : changes_.back().at);
    const TimeUnit* unit = &kUnits[std::size(kUnits) - 1];
    for (const TimeUnit& candidate : kUnits) {
        bool exact = (end - start_) % candidate.nanos == 0;
        for (const TraceChange& change : changes_)
            exact = exact && (change.at - start_) % candidate.nanos == 0;
        if (exact) {
            unit = &candidate;
            break;
        }
    }
    std::string text = "$version Duvezer logic trace $end\n$timescale ";
    text += unit->name;
    text += " $end\n$scope module board $end\n";
    for (std::size_t i = 0; i < channels_.size(); ++i) {
        text += "$var wire 1 ";
        text += VcdId(i);
        text += ' ';
        text += channels_[i].name;
        text += " $end\n";
    }
    text += "$upscope $end\n$enddefinitions $end\n#0\n$dumpvars\n";
    for (std::size_t i = 0; i < channels_.size(); ++i) AppendValue(text, initial_[i], i);
    text += "$end\n";
    SimNanos written = start_;
    for (const TraceChange& change : changes_) {
        if (change.at != written) AppendTime(text, (change.at - start_) / unit->nanos);
        written = change.at;
        AppendValue(text, change.level, change.channel);
    }
    // The closing time stamp tells viewers how long the trace ran after its last change.
    if (end != written) AppendTime(text, (end - start_) / unit->nanos);
    return text;
}

bool WriteVcdFile(const std::filesystem::path& path, const std::string& vcd, std::string* error) {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    if (file) file.write(vcd.data(), static_cast<std::streamsize>(vcd.size()));
    if (file) file.flush();
    if (file) return true;
    if (error) *error = std::strerror(errno);
    return false;
}

std::optional<SimNanos> NearestEdge(const LogicTrace& trace, std::size_t channel, SimNanos at) {
    std::optional<SimNanos> nearest;
    auto distance = [at](SimNanos t) { return t > at ? t - at : at - t; };
    for (SimNanos edge : trace.Edges(channel))
        if (!nearest || distance(edge) < distance(*nearest)) nearest = edge;
    return nearest;
}

CursorMeasure MeasureCursors(SimNanos first, SimNanos second) {
    const SimNanos nanos = second > first ? second - first : first - second;
    return {nanos, nanos > 0 ? 1e9 / static_cast<double>(nanos) : 0};
}

}  // namespace viz
