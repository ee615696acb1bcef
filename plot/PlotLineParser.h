#pragma once

// Turns one received line of text into the values of a plot's channels.
//
// A line is a sequence of fields separated by commas, spaces, tabs or
// semicolons (a run of them counts as one). A field is
//   - a number: a column; the line's unlabelled numbers are columns 1, 2, ...
//     in order, labelled ones take no column number;
//   - "name:value" or "name=value" (spaces or tabs may stand around the ':'
//     or '='): a labelled value;
//   - anything else: ignored ("ADC 12 34" gives the columns 12 and 34).
// Numbers are decimal with an optional sign, point and exponent ("-1.5e3",
// ".5", "7."), or hexadecimal with "0x" ("0x1F", "-0x10").
//
// Channels: each label and each column number is a channel, numbered in the
// order first seen, at most kPlotChannels; later new ones are dropped, and so
// are columns past kPlotChannels. A channel is named by its label, or
// "通道N" for column channels, N its channel number. A line may mix labels
// and columns; a channel the line gives no value has no point at that line.
// A line gives a channel the first value it holds for it; later ones are
// passed over, whatever they hold.
//
// A line is skipped, and counted as such by the caller, when it gives no
// channel a value, or when a value it would give is not finite (nan, inf,
// or a number beyond a double's range; numbers too small for one read as
// 0), since a dropped value would move the columns after it. A line of
// separators only is no line of data.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace viz {

inline constexpr std::size_t kPlotChannels = 16;

// One line's values: channel i has a value when bit i of `present` is set.
struct PlotValues {
    std::array<double, kPlotChannels> value{};
    std::uint16_t present = 0;
};

class PlotLineParser {
public:
    // Labels longer than this are taken as text, not as a channel name.
    static constexpr std::size_t kMaxLabelUnits = 64;

    PlotLineParser();

    enum class Outcome { Values, Skipped, Blank };
    // One complete line, without its line break.
    Outcome Parse(std::u16string_view line, PlotValues& values);

    // The channels' names, in channel order.
    const std::vector<std::u16string>& names() const { return names_; }
    // Forgets every channel.
    void Clear();

private:
    // A field that may give a channel a value.
    struct Field {
        std::u16string_view label;  // empty for a column
        std::size_t column = 0;     // 1-based, for a column
        double value = 0;
        bool finite = true;
    };
    static constexpr int kNoChannel = -1;

    bool Scan(std::u16string_view line);
    int ChannelOf(const Field& field) const;
    int AddChannel(const Field& field);

    std::vector<Field> fields_;
    std::vector<std::u16string> names_;
    // Per channel: its label, or empty for a column channel.
    std::vector<std::u16string> labels_;
    // Per column number (index 0 unused): its channel or kNoChannel.
    std::array<int, kPlotChannels + 1> columns_{};
};

// The value of a whole number text, or false. Exposed for the fuzz target
// and tests; `finite` is false for nan, inf and numbers beyond a double.
bool ParsePlotNumber(std::u16string_view text, double& value, bool& finite);

}  // namespace viz
