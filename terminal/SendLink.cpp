#include "terminal/SendLink.h"

#include <algorithm>

namespace viz {

SendLink::SendLink(Config config)
    : blockSize_(config.blockSize),
      typedLimit_(config.typedLimit),
      writer_({.write = std::move(config.write),
               .undelivered = std::move(config.undelivered),
               .wake = std::move(config.wake),
               .limits = config.limits}) {}

SendLink::Outcome SendLink::Queue(Bytes bytes, bool counted, LinkWriter::Admit admit) {
    if (bytes.empty()) return Outcome::NoBytes;
    if (typedLimit_ != 0 && bytes.size() > typedLimit_) bytes.resize(typedLimit_);
    const std::uint64_t id = writer_.Queue({.bytes = std::move(bytes), .counted = counted}, admit);
    return id != 0 ? Outcome::Queued : Outcome::Refused;
}

SendLink::Outcome SendLink::SendTyped(std::u16string_view text, bool hex) {
    return Queue(SendBytes(text, hex, encoding_), true, LinkWriter::Admit::Always);
}

SendLink::Outcome SendLink::Tick(std::u16string_view text, bool hex) {
    // Checked before converting: a stalled link makes every tick cheap.
    if (!writer_.idle()) return Outcome::Refused;
    return Queue(SendBytes(text, hex, encoding_), true, LinkWriter::Admit::IfIdle);
}

SendLink::Outcome SendLink::SendEntry(Bytes bytes, bool cycleStep) {
    return Queue(std::move(bytes), false, cycleStep ? LinkWriter::Admit::IfIdle : LinkWriter::Admit::Always);
}

std::uint64_t SendLink::SendFile(std::shared_ptr<const FileSource> file) {
    return writer_.Queue({.file = std::move(file), .blockSize = blockSize_}, LinkWriter::Admit::Always);
}

SendReport SendLink::Collect() {
    SendReport report = writer_.Take();
    // Counters reset during a send never go below zero when it takes bytes back.
    sentTotal_ = std::max<std::int64_t>(sentTotal_ + report.counted, 0);
    if (monitor_) {
        for (const SendResult& result : report.finished) {
            if (!result.file && result.recorded && !result.written.empty())
                monitor_(result.written.data(), result.written.size());
        }
    }
    return report;
}

}  // namespace viz
