#pragma once

// What a plot takes from its page's receive areas: each decoded line (see
// ReceivedLines.h) is parsed into channel values (PlotLineParser.h) and kept
// as a row of samples (PlotSamples.h), on the UI thread as lines complete.
//
//   PlotFeed feed(capacity);
//   area->pipeline().AddLineSink(&feed);              // one area
//   other->pipeline().AddLineSink(&feed.AddInput());  // each further area
//   ... feed.samples(), feed.names(), feed.skipped()
//
// Lines are cut at kMaxLineUnits: a longer line (or one that never ends) is
// not parsed, and each kMaxLineUnits it holds, begun, counts as one skipped
// line, as it comes. While paused, lines are dropped without being counted.

#include <cstddef>
#include <cstdint>
#include <deque>
#include <map>
#include <string>
#include <vector>

#include "plot/PlotLineParser.h"
#include "plot/PlotSamples.h"
#include "terminal/ReceivedLines.h"

namespace viz {

class PlotFeed : public ReceivedLineSink {
public:
    static constexpr std::size_t kMaxLineUnits = 4096;

    explicit PlotFeed(std::size_t capacity = PlotSamples::kDefaultCapacity) : samples_(capacity) {}

    void OnLine(const ReceivedLine& line) override { Take(line, 0); }
    // A sink for one more receive area: its streams are told apart from
    // those of the others (both of the network page's areas have stream 0).
    ReceivedLineSink& AddInput();

    void setPaused(bool paused) { paused_ = paused; }
    bool paused() const { return paused_; }
    // Forgets samples, channels and the skipped count.
    void Clear();

    const PlotSamples& samples() const { return samples_; }
    const std::vector<std::u16string>& names() const { return parser_.names(); }
    // Lines that gave a sample since the start (for a rate).
    std::uint64_t taken() const { return taken_; }
    std::uint64_t skipped() const { return skipped_; }
    // Changes whenever the samples or channels do.
    std::uint64_t version() const { return version_; }

private:
    class Input : public ReceivedLineSink {
    public:
        Input(PlotFeed& feed, std::uint32_t number) : feed_(feed), number_(number) {}
        void OnLine(const ReceivedLine& line) override { feed_.Take(line, number_); }

    private:
        PlotFeed& feed_;
        const std::uint32_t number_;
    };
    // A stream: the input it came through and its source there.
    using Stream = std::pair<std::uint32_t, std::uint64_t>;

    void Take(const ReceivedLine& line, std::uint32_t input);
    // A piece of a line longer than kMaxLineUnits (or the whole of one).
    void CountLongLine(const ReceivedLine& line, const Stream& stream, bool continuing);

    PlotLineParser parser_;
    PlotSamples samples_;
    PlotValues values_;
    // Per stream, the units of a long line seen so far.
    std::map<Stream, std::uint64_t> longLines_;
    std::deque<Input> inputs_;
    bool paused_ = false;
    std::uint64_t taken_ = 0;
    std::uint64_t skipped_ = 0;
    std::uint64_t version_ = 0;
};

}  // namespace viz
