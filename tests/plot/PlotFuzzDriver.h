#pragma once

// Arbitrary bytes through a plot the way a page hands them on: decoded per
// read, cut into lines, parsed and kept; then every view of the kept samples
// is taken. Shared by the seeded random test and the libFuzzer target, which
// both want "no crash, no hang, and these promises hold".

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "plot/PlotFeed.h"
#include "terminal/ReceivedLines.h"
#include "terminal/StreamDecoder.h"

namespace viz::testing {

// The first byte chooses the encoding and how the rest is cut into reads.
inline void DrivePlotFeed(const std::uint8_t* data, std::size_t size, PlotFeed& feed) {
    if (size == 0) return;
    const TextEncoding encoding = (data[0] & 1) != 0 ? TextEncoding::Utf8 : TextEncoding::Gbk;
    const std::size_t step = 1 + data[0] / 2;
    // Two interleaved streams, as two server clients are.
    StreamDecoder decoders[2] = {StreamDecoder(encoding), StreamDecoder(encoding)};
    LineAssembler assemblers[2];
    auto time = std::chrono::system_clock::time_point{} + std::chrono::hours(24 * 365 * 50);
    std::u16string text;
    std::size_t at = 1;
    for (std::size_t read = 0; at < size; ++read) {
        const std::size_t length = std::min(size - at, 1 + (step * 7 + read * 13) % (step * 31 + 1));
        const std::size_t stream = (read / 3) % 2;
        text.clear();
        decoders[stream].Decode(data + at, length, text);
        assemblers[stream].Feed(text, time, stream, feed);
        at += length;
        time += std::chrono::microseconds(1 + read % 1000);
    }
}

// What must hold whatever came in; empty when it does.
inline std::string PlotFeedBroken(const PlotFeed& feed) {
    const PlotSamples& samples = feed.samples();
    if (feed.names().size() > kPlotChannels) return "more than 16 channels";
    if (samples.channels() > feed.names().size()) return "a column without a channel";
    if (samples.size() > samples.capacity()) return "more rows than the ring holds";
    for (std::size_t c = 0; c < samples.channels(); ++c) {
        for (std::size_t row = 0; row < samples.size(); ++row) {
            if (std::isinf(samples.value(c, row))) return "an infinite value was kept";
        }
    }
    std::vector<PlotPoint> points;
    for (const PlotAxis axis : {PlotAxis::SampleNumber, PlotAxis::ReceiveTime}) {
        if (samples.size() == 0) break;
        const auto [first, end] =
            samples.RowsBetween(samples.X(0, axis), samples.X(samples.size() - 1, axis), axis);
        if (first != 0 || end != samples.size())
            return "the rows between the first and last are not all rows";
        for (std::size_t c = 0; c < samples.channels(); ++c) {
            samples.Extract(c, first, end, 8, axis, points);
            if (samples.size() > 16 && points.size() > 16) return "more points than two per run";
            for (const PlotPoint& point : points) {
                if (!std::isfinite(point.x) || !std::isfinite(point.y)) return "a point that is not finite";
            }
        }
    }
    return {};
}

}  // namespace viz::testing
