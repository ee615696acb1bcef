#pragma once

// What a receive area does with each received chunk, without widgets: pause,
// counters, the 200-line rule (or a longer history), decoding in the page's encoding, hex or text
// display, time stamps, the frame line break by the chunk's read time, the
// monitor's R record, the text output file, the decoded lines for other
// consumers, and the receive status line with its rate bookkeeping.
//
//   ReceivePipeline pipeline(ReceivePipeline::TextForm::Serial);
//   pipeline.setMonitor([&](const std::uint8_t* p, std::size_t n) { ... });  // R records
//   pipeline.setEncoding(TextEncoding::Utf8);   // the page's "编码"
//   pipeline.setTimeStamps(true);               // the area's "时间戳"
//   pipeline.Receive(chunk);                    // for every delivered chunk
//   pipeline.area().TakeUpdate();               // what the widget must show
//   title = pipeline.RefreshStatus(u"接收区：已接收%d字节，速度%d字节/秒，");   // every 100 ms
//
// CReceiveArea wraps this with the widget, the context menu and the files.

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "terminal/AreaText.h"
#include "terminal/Chunk.h"
#include "terminal/ReceivedLines.h"
#include "terminal/StreamDecoder.h"
#include "terminal/TextCodec.h"
#include "terminal/TextFile.h"
#include "terminal/TimeStamp.h"

namespace viz {

class ReceivePipeline {
public:
    // With this many kept lines (the default) an area that holds more is
    // emptied before the next chunk; with more, its oldest lines go instead.
    static constexpr std::size_t kMaxLines = 200;

    // The serial page's R record is the chunk as its text shows it: without
    // the first bytes of a character kept for the next chunk, and with those
    // kept last time. The other pages record each chunk as it came.
    enum class TextForm { Plain, Serial };
    using RecordSink = std::function<void(const std::uint8_t* data, std::size_t size)>;

    explicit ReceivePipeline(TextForm form = TextForm::Plain) : form_(form) {}

    // One chunk. `prefix` and `suffix` frame its converted text (the server
    // page's sender address); the frame break still comes last. `source`
    // tells apart streams that share the area (the server page's clients):
    // a character split between two reads is joined only within one source.
    void Receive(const Chunk& chunk, std::u16string_view prefix = {}, std::u16string_view suffix = {},
                 std::uint64_t source = 0);
    // A stream that ended: its kept bytes and unfinished line are let go.
    void ForgetSource(std::uint64_t source);

    // Read for each chunk, so a change affects only later chunks.
    void setHexDisplay(bool on) { hexDisplay_ = on; }
    bool hexDisplay() const { return hexDisplay_; }
    void setFrameBreak(bool on, std::uint32_t milliseconds);
    bool frameBreak() const { return frameBreak_; }
    std::uint32_t frameTime() const { return frameTime_; }

    // How bytes become text here and in the files started from now on.
    void setEncoding(TextEncoding encoding);
    TextEncoding encoding() const { return encoding_; }
    // Each new line (in hex display each frame, or each read when frame
    // breaks are off) begins with "[HH:MM:SS.mmm] ", the local time of the
    // read that brought its first byte.
    void setTimeStamps(bool on) { timeStamps_ = on; }
    bool timeStamps() const { return timeStamps_; }

    // Screen lines the area keeps: kMaxLines or more.
    void setKeptLines(std::size_t lines);
    std::size_t keptLines() const { return keptLines_; }

    void setPaused(bool paused) { paused_ = paused; }
    bool paused() const { return paused_; }

    // Where R records go; an empty function while the page has no monitor.
    void setMonitor(RecordSink sink) { monitor_ = std::move(sink); }

    // Subscribers of the decoded lines (see ReceivedLines.h).
    void AddLineSink(ReceivedLineSink* sink);
    void RemoveLineSink(ReceivedLineSink* sink);

    // Creates the output file empty (replacing an existing one), in the
    // current encoding. Output stays off when it cannot be created (the
    // system's reason in outputOpenError()), and goes off when a write
    // fails, with the reason added to the area.
    bool StartOutput(const std::filesystem::path& path);
    const std::string& outputOpenError() const { return output_.openError(); }
    void StopOutput() { output_.Close(); }
    bool outputOn() const { return output_.isOpen(); }

    AreaText& area() { return area_; }
    const AreaText& area() const { return area_; }

    std::int64_t receivedTotal() const { return receivedTotal_; }
    void ResetTotal() { receivedTotal_ = 0; }
    // Window bytes and refresh count to 0 (the page does this when its link
    // opens or closes).
    void ResetRate();
    std::int64_t shownRate() const { return shownRate_; }
    // One refresh of the status line: the rate bookkeeping, then the title
    // from the page's counter text (its two "%d" are total and rate).
    std::u16string RefreshStatus(std::u16string_view countsFormat);
    // The title without a refresh (after the pause and output switches).
    std::u16string StatusTitle(std::u16string_view countsFormat) const;

private:
    // What one stream of the area carries over from one read to the next.
    struct Stream {
        StreamDecoder decoder;
        LineAssembler lines;
    };
    class LineFanOut : public ReceivedLineSink {
    public:
        void OnLine(const ReceivedLine& line) override;
        std::vector<ReceivedLineSink*> sinks;
    };

    Stream& StreamOf(std::uint64_t source);
    // Decodes the chunk into decoded_; fills `shown` with the serial record.
    void Decode(Stream& stream, const Chunk& chunk, Bytes* shown);
    std::u16string Compose(const Chunk& chunk, std::u16string_view prefix, std::u16string_view suffix,
                           bool lineStart);
    void WriteOutput(std::u16string_view text);

    const TextForm form_;
    TextEncoding encoding_ = TextEncoding::Gbk;
    std::map<std::uint64_t, Stream> streams_;
    std::u16string decoded_;
    bool hexDisplay_ = false;
    bool timeStamps_ = false;
    TimeStampFormat stamps_;
    bool frameBreak_ = false;
    std::uint32_t frameTime_ = 40;
    std::optional<std::chrono::steady_clock::time_point> frameClock_;
    bool paused_ = false;
    std::size_t keptLines_ = kMaxLines;
    RecordSink monitor_;
    LineFanOut lineSinks_;
    TextOutputFile output_;
    AreaText area_;
    // The area's text (and the output file) ends in a CR, so an LF that
    // comes next completes that line end instead of making another.
    bool afterCr_ = false;

    std::int64_t receivedTotal_ = 0;
    std::int64_t windowBytes_ = 0;
    int refreshCount_ = 0;
    std::int64_t shownRate_ = 0;
    bool refreshed_ = false;
};

}  // namespace viz
