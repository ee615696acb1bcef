#pragma once

// The send side of one link of a terminal page, without widgets: typed text
// as hex pairs or code page 936 text through the page's write function, the
// send-ready guard that keeps a timer tick from starting a second send, the
// sent total, S records for the monitor, and file sending in blocks.
//
//   SendLink link({.write = [&](const std::uint8_t* p, std::size_t n) { return channel.Write(p, n); },
//                  .blockSize = 1024});
//   link.setMonitor(...);              // S records, while the page has a monitor
//   link.SendTyped(text, hexSend);     // "发送"
//   link.Tick(text, hexSend);          // a continuous-send tick
//   link.SendFile(file.bytes(), [&](std::size_t done) { progress(done); });
//
// CSendArea wraps one or more links with the send edit and file loading.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string_view>

#include "terminal/TextCodec.h"

namespace viz {

class SendLink {
public:
    using WriteFn = std::function<std::size_t(const std::uint8_t* data, std::size_t size)>;
    using RecordSink = std::function<void(const std::uint8_t* data, std::size_t size)>;

    struct Config {
        // Returns the count written (the USB page: the report's data count).
        WriteFn write{};
        // File blocks; the last block is the remainder (the page may pad it).
        std::size_t blockSize = 1024;
    };

    explicit SendLink(Config config) : config_(std::move(config)) {}

    // Converts and writes the text; returns the count written, which is
    // added to the sent total. When the text gives no byte nothing is
    // written and nothing is returned.
    std::optional<std::size_t> SendTyped(std::u16string_view text, bool hex);
    // A continuous-send tick: sends only when no send is in progress.
    std::optional<std::size_t> Tick(std::u16string_view text, bool hex);
    bool sendReady() const { return sendReady_; }

    // Writes the file in blocks until it is done or a write takes less than
    // its block; the counters advance by the nominal size of each block
    // written. `afterBlock` gets the bytes done so far after each block.
    void SendFile(const Bytes& file, const std::function<void(std::size_t done)>& afterBlock);

    void setMonitor(RecordSink sink) { monitor_ = std::move(sink); }

    std::int64_t sentTotal() const { return sentTotal_; }
    void ResetTotal() { sentTotal_ = 0; }
    std::size_t blockSize() const { return config_.blockSize; }

private:
    Config config_;
    RecordSink monitor_;
    bool sendReady_ = true;
    std::int64_t sentTotal_ = 0;
};

}  // namespace viz
