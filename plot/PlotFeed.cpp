#include "plot/PlotFeed.h"

namespace viz {
namespace {

// Streams that ended in the middle of a long line leave their count behind;
// server clients come and go, so only this many are remembered.
constexpr std::size_t kLongLineStreams = 256;

}  // namespace

ReceivedLineSink& PlotFeed::AddInput() {
    return inputs_.emplace_back(*this, static_cast<std::uint32_t>(inputs_.size() + 1));
}

void PlotFeed::Take(const ReceivedLine& line, std::uint32_t input) {
    const Stream stream{input, line.source};
    const bool continuing = longLines_.count(stream) != 0;
    if (line.more || continuing || line.text.size() > kMaxLineUnits) {
        CountLongLine(line, stream, continuing);
        return;
    }
    if (paused_) return;
    switch (parser_.Parse(line.text, values_)) {
        case PlotLineParser::Outcome::Values:
            samples_.Add(line.readTime, values_, parser_.names().size());
            ++taken_;
            ++version_;
            break;
        case PlotLineParser::Outcome::Skipped:
            ++skipped_;
            break;
        case PlotLineParser::Outcome::Blank:
            break;
    }
}

void PlotFeed::CountLongLine(const ReceivedLine& line, const Stream& stream, bool continuing) {
    const std::uint64_t before = continuing ? longLines_[stream] : 0;
    const std::uint64_t units = before + line.text.size();
    const std::uint64_t counted = before / kMaxLineUnits;
    std::uint64_t pieces = 0;
    if (line.more) {
        pieces = units / kMaxLineUnits;
        if (!continuing && longLines_.size() >= kLongLineStreams) longLines_.erase(longLines_.begin());
        longLines_[stream] = units;
    } else {
        pieces = (units + kMaxLineUnits - 1) / kMaxLineUnits;
        longLines_.erase(stream);
    }
    if (!paused_) skipped_ += pieces - counted;
}

void PlotFeed::Clear() {
    parser_.Clear();
    samples_.Clear();
    skipped_ = 0;
    ++version_;
}

}  // namespace viz
