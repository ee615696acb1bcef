#include "terminal/ReceivePipeline.h"

#include <algorithm>

#include "base/TextFormat.h"
#include "platform/CodePage.h"
#include "terminal/TerminalTexts.h"

namespace viz {

namespace t = terminal_texts;

void ReceivePipeline::setFrameBreak(bool on, std::uint32_t milliseconds) {
    frameBreak_ = on;
    frameTime_ = milliseconds;
}

namespace {

// Appends `text` to `out`, each bare LF as CR LF when `expandLineFeeds` (an
// LF after a CR already ends its line as CR LF), with `stamp` (if any) in
// front of the first character of every line. `lineStart` says whether `out`
// stands at the start of a line, `afterCr` whether what came before `out`
// ended in CR.
void AppendStamped(std::u16string& out, std::u16string_view text, bool expandLineFeeds,
                   const std::u16string* stamp, bool& lineStart, bool afterCr) {
    std::size_t at = 0;
    while (at < text.size()) {
        if (lineStart && stamp) out += *stamp;
        const std::size_t lineFeed = text.find(u'\n', at);
        if (lineFeed == std::u16string_view::npos) {
            out.append(text.substr(at));
            lineStart = false;
            return;
        }
        out.append(text.substr(at, lineFeed - at));
        const bool bare = out.empty() ? !afterCr : out.back() != u'\r';
        out.append(expandLineFeeds && bare ? u"\r\n" : u"\n");
        lineStart = true;
        at = lineFeed + 1;
    }
}

}  // namespace

void ReceivePipeline::setKeptLines(std::size_t lines) {
    keptLines_ = std::max(lines, kMaxLines);
    // The old rule empties the area before a chunk instead of dropping lines.
    area_.SetKeptLines(keptLines_ > kMaxLines ? keptLines_ : 0);
}

void ReceivePipeline::setEncoding(TextEncoding encoding) {
    encoding_ = encoding;
    for (auto& [source, stream] : streams_) stream.decoder.setEncoding(encoding);
}

bool ReceivePipeline::StartOutput(const std::filesystem::path& path) {
    return output_.Open(path, encoding_);
}

void ReceivePipeline::AddLineSink(ReceivedLineSink* sink) {
    if (std::find(lineSinks_.sinks.begin(), lineSinks_.sinks.end(), sink) == lineSinks_.sinks.end())
        lineSinks_.sinks.push_back(sink);
}

void ReceivePipeline::RemoveLineSink(ReceivedLineSink* sink) {
    std::erase(lineSinks_.sinks, sink);
}

void ReceivePipeline::LineFanOut::OnLine(const ReceivedLine& line) {
    for (ReceivedLineSink* sink : sinks) sink->OnLine(line);
}

ReceivePipeline::Stream& ReceivePipeline::StreamOf(std::uint64_t source) {
    auto found = streams_.find(source);
    if (found == streams_.end()) found = streams_.emplace(source, Stream{StreamDecoder(encoding_), {}}).first;
    return found->second;
}

void ReceivePipeline::ForgetSource(std::uint64_t source) {
    streams_.erase(source);
}

void ReceivePipeline::Receive(const Chunk& chunk, std::u16string_view prefix, std::u16string_view suffix,
                              std::uint64_t source) {
    if (paused_) return;
    if (!frameClock_) frameClock_ = chunk.readTime;
    const auto size = static_cast<std::int64_t>(chunk.bytes.size());
    windowBytes_ += size;
    receivedTotal_ += size;
    // Taken before the 200-line rule empties the area: a line it cuts goes
    // on without a new time stamp.
    const bool lineStart = area_.atLineStart();
    if (keptLines_ == kMaxLines && area_.lineCount() > kMaxLines) area_.Clear();

    Stream& stream = StreamOf(source);
    const bool serialRecord = form_ == TextForm::Serial && !hexDisplay_;
    const bool decode = !hexDisplay_ || !lineSinks_.sinks.empty();
    Bytes shown;
    if (decode) Decode(stream, chunk, serialRecord ? &shown : nullptr);

    std::u16string text = Compose(chunk, prefix, suffix, lineStart);
    // A clock read later than a chunk (another source feeding the same area)
    // counts as no time passed rather than as a wrapped-around tick count.
    if (frameBreak_ && chunk.readTime >= *frameClock_ &&
        std::chrono::duration_cast<std::chrono::milliseconds>(chunk.readTime - *frameClock_).count() >=
            static_cast<std::int64_t>(frameTime_)) {
        const bool afterCr = text.empty() ? afterCr_ : text.back() == u'\r';
        text += afterCr ? u"\n" : u"\r\n";
        frameClock_ = chunk.readTime;
    }
    const Bytes& record = serialRecord ? shown : chunk.bytes;
    if (monitor_ && !record.empty()) monitor_(record.data(), record.size());
    if (!text.empty()) afterCr_ = text.back() == u'\r';
    area_.Append(text);
    if (output_.isOpen()) WriteOutput(text);
    if (decode && !lineSinks_.sinks.empty()) stream.lines.Feed(decoded_, chunk.wallTime, source, lineSinks_);
}

void ReceivePipeline::Decode(Stream& stream, const Chunk& chunk, Bytes* shown) {
    decoded_.clear();
    const std::uint8_t* const data = chunk.bytes.data();
    const std::size_t size = chunk.bytes.size();
    if (shown) {
        const auto kept = stream.decoder.kept();
        shown->assign(kept.begin(), kept.end());
        shown->insert(shown->end(), data, data + size);
    }
    // The text of a read ends at its first zero byte; a character it cuts
    // shows as bad bytes.
    const std::uint8_t* const zero = std::find(data, data + size, 0);
    stream.decoder.Decode(data, static_cast<std::size_t>(zero - data), decoded_);
    if (zero != data + size) stream.decoder.Finish(decoded_);
    if (shown) shown->resize(shown->size() - stream.decoder.kept().size());
}

std::u16string ReceivePipeline::Compose(const Chunk& chunk, std::u16string_view prefix,
                                        std::u16string_view suffix, bool lineStart) {
    const std::u16string* stamp = nullptr;
    if (timeStamps_) {
        stamp = &stamps_.Prefix(chunk.wallTime);
        // Without frame breaks each read is a hex frame of its own.
        if (hexDisplay_ && !frameBreak_) lineStart = true;
    }
    const std::size_t bodySize = hexDisplay_ ? chunk.bytes.size() * 3 : decoded_.size();
    std::u16string text;
    text.reserve(prefix.size() + bodySize + suffix.size() + (stamp ? stamp->size() : 0));
    AppendStamped(text, prefix, false, stamp, lineStart, afterCr_);
    if (!hexDisplay_) {
        AppendStamped(text, decoded_, true, stamp, lineStart, afterCr_);
    } else if (!chunk.bytes.empty()) {
        // Hex text holds no line break: at most the one stamp in front.
        if (lineStart && stamp) text += *stamp;
        AppendHexDisplay(text, chunk.bytes.data(), chunk.bytes.size());
        lineStart = false;
    }
    // Text that ended in CR takes the suffix's line end as its own CR LF.
    if (suffix.starts_with(u"\r\n") && !text.empty() && text.back() == u'\r') suffix.remove_prefix(1);
    AppendStamped(text, suffix, false, stamp, lineStart, afterCr_);
    return text;
}

void ReceivePipeline::WriteOutput(std::u16string_view text) {
    const std::string error = output_.Append(text);
    if (error.empty()) return;
    output_.Close();
    // The title only says "[已停止]"; the area says why, once, on a line of its own.
    std::u16string notice = t::kOutputFailed;
    notice.replace(notice.find(u"%1"), 2, Utf8ToUtf16(error));
    if (!area_.atLineStart()) notice.insert(0, u"\r\n");
    area_.Append(notice + u"\r\n");
    afterCr_ = false;
}

void ReceivePipeline::ResetRate() {
    windowBytes_ = 0;
    refreshCount_ = 0;
}

std::u16string ReceivePipeline::RefreshStatus(std::u16string_view countsFormat) {
    if (!refreshed_) {
        shownRate_ = windowBytes_;
        refreshed_ = true;
    }
    if (++refreshCount_ > 9) {
        refreshCount_ = 0;
        shownRate_ = windowBytes_;
        windowBytes_ = 0;
    }
    return StatusTitle(countsFormat);
}

std::u16string ReceivePipeline::StatusTitle(std::u16string_view countsFormat) const {
    std::u16string title = FormatCounts(countsFormat, {receivedTotal_, shownRate_});
    title += paused_ ? t::kPausedState : t::kAllowedState;
    title += outputOn() ? t::kOutputOnState : t::kOutputOffState;
    return title;
}

}  // namespace viz
