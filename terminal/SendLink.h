#pragma once

// The send side of one link of a terminal page, without widgets: typed text
// as hex pairs or text in the page's encoding, continuous-send ticks that wait for
// the previous send, multi-send entries and files, all queued to the link's
// writer so the page never waits on the link; then, on the page's thread,
// the sent total and the S records of what was actually written.
//
//   SendLink link({.write = channelWrite, .blockSize = 1024, .wake = postCollectToUiThread});
//   link.setMonitor(...);              // S records, while the page has a monitor
//   link.SendTyped(text, hexSend);     // "发送"
//   link.Tick(text, hexSend);          // a continuous-send tick
//   link.SendFile(file);               // a loaded file, streamed in blocks
//   SendReport report = link.Collect();// when woken: totals and records updated
//   link.Cancel(SendEnd::LinkClosed);  // before the channel closes
//
// CSendArea wraps one or more links with the send edit, file loading and the
// progress window.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string_view>

#include "terminal/LinkWriter.h"
#include "terminal/TextCodec.h"

namespace viz {

class SendLink {
public:
    using RecordSink = std::function<void(const std::uint8_t* data, std::size_t size)>;

    struct Config {
        LinkWriteFn write{};
        UndeliveredFn undelivered{};
        // File blocks; the last block is the remainder (a report link pads it).
        std::size_t blockSize = 1024;
        // A report link sends typed data as one report: longer data is cut
        // to this size (0: no cut).
        std::size_t typedLimit = 0;
        // Called on the writer's thread when there is something to collect.
        std::function<void()> wake{};
        LinkWriter::Limits limits{};
    };

    explicit SendLink(Config config);

    enum class Outcome {
        NoBytes,  // the text gave no byte: nothing was queued
        Refused,  // the previous send is still going (ticks), or the queue is full
        Queued,
    };
    Outcome SendTyped(std::u16string_view text, bool hex);
    // A continuous-send tick: nothing while a send is queued or being written.
    Outcome Tick(std::u16string_view text, bool hex);
    // A multi-send entry: recorded but not counted; a cycle step only when idle.
    Outcome SendEntry(Bytes bytes, bool cycleStep);
    // The send's number, 0 when refused (a file is already being sent).
    std::uint64_t SendFile(std::shared_ptr<const FileSource> file);
    void Cancel(SendEnd why) { writer_.Cancel(why); }

    bool sendReady() const { return writer_.idle(); }

    // On the page's thread when woken: adds what was written to the sent
    // total, gives the monitor an S record per typed send that wrote
    // anything, and returns the report for the widgets.
    SendReport Collect();

    void setMonitor(RecordSink sink) { monitor_ = std::move(sink); }
    // How typed text and ticks become bytes from now on.
    void setEncoding(TextEncoding encoding) { encoding_ = encoding; }

    std::int64_t sentTotal() const { return sentTotal_; }
    void ResetTotal() { sentTotal_ = 0; }
    std::size_t blockSize() const { return blockSize_; }

private:
    Outcome Queue(Bytes bytes, bool counted, LinkWriter::Admit admit);

    const std::size_t blockSize_;
    const std::size_t typedLimit_;
    RecordSink monitor_;
    TextEncoding encoding_ = TextEncoding::Gbk;
    std::int64_t sentTotal_ = 0;
    // Last: its thread may call back into the members above until it ends.
    LinkWriter writer_;
};

}  // namespace viz
