#pragma once

// What a receive area does with each received chunk, without widgets: pause,
// counters, the 200-line rule, hex or text conversion, the frame line break by
// the chunk's read time, the monitor's R record, the text output file, and the
// receive status line with its rate bookkeeping.
//
//   ReceivePipeline pipeline(ReceivePipeline::TextForm::Serial);
//   pipeline.setMonitor([&](const std::uint8_t* p, std::size_t n) { ... });  // R records
//   pipeline.Receive(chunk);                    // for every delivered chunk
//   pipeline.area().TakeUpdate();               // what the widget must show
//   title = pipeline.RefreshStatus(u"接收区：已接收%d字节，速度%d字节/秒，");   // every 100 ms
//
// CReceiveArea wraps this with the widget, the context menu and the files.

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "terminal/AreaText.h"
#include "terminal/Chunk.h"
#include "terminal/TextCodec.h"
#include "terminal/TextFile.h"

namespace viz {

class ReceivePipeline {
public:
    // An area that holds more lines than this is emptied before the next chunk.
    static constexpr std::size_t kMaxLines = 200;

    // Serial keeps back a trailing lead byte of a double-byte character for
    // the next chunk; the other pages convert each chunk on its own.
    enum class TextForm { Plain, Serial };
    using RecordSink = std::function<void(const std::uint8_t* data, std::size_t size)>;

    explicit ReceivePipeline(TextForm form = TextForm::Plain) : form_(form) {}

    // One chunk. `prefix` and `suffix` frame its converted text (the server
    // page's sender address); the frame break still comes last.
    void Receive(const Chunk& chunk, std::u16string_view prefix = {}, std::u16string_view suffix = {});

    // Read for each chunk, so a change affects only later chunks.
    void setHexDisplay(bool on) { hexDisplay_ = on; }
    bool hexDisplay() const { return hexDisplay_; }
    void setFrameBreak(bool on, std::uint32_t milliseconds);
    bool frameBreak() const { return frameBreak_; }
    std::uint32_t frameTime() const { return frameTime_; }

    void setPaused(bool paused) { paused_ = paused; }
    bool paused() const { return paused_; }

    // Where R records go; an empty function while the page has no monitor.
    void setMonitor(RecordSink sink) { monitor_ = std::move(sink); }

    // Creates the output file empty (replacing an existing one). Output stays
    // off when it cannot be created, and goes off when a write fails, with
    // the reason added to the area.
    bool StartOutput(const std::filesystem::path& path);
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
    std::u16string Convert(const Chunk& chunk, Bytes& shown);
    void WriteOutput(std::u16string_view text);

    const TextForm form_;
    SerialTextDecoder decoder_;
    std::uint8_t heldByte_ = 0;
    bool hexDisplay_ = false;
    bool frameBreak_ = false;
    std::uint32_t frameTime_ = 40;
    std::optional<std::chrono::steady_clock::time_point> frameClock_;
    bool paused_ = false;
    RecordSink monitor_;
    TextOutputFile output_;
    AreaText area_;

    std::int64_t receivedTotal_ = 0;
    std::int64_t windowBytes_ = 0;
    int refreshCount_ = 0;
    std::int64_t shownRate_ = 0;
    bool refreshed_ = false;
};

}  // namespace viz
