#include "terminal/SendLink.h"

#include <algorithm>

namespace viz {

std::optional<std::size_t> SendLink::SendTyped(std::u16string_view text, bool hex) {
    Bytes bytes = hex ? HexToBytes(text) : TextToBytes(text);
    if (bytes.empty()) return std::nullopt;
    sendReady_ = false;
    const std::size_t written = config_.write(bytes.data(), bytes.size());
    sendReady_ = true;
    if (monitor_ && written != 0) {
        // A page that writes fixed-size reports counts the zero padding too.
        if (written > bytes.size()) bytes.resize(written, 0);
        monitor_(bytes.data(), written);
    }
    sentTotal_ += static_cast<std::int64_t>(written);
    return written;
}

std::optional<std::size_t> SendLink::Tick(std::u16string_view text, bool hex) {
    if (!sendReady_) return std::nullopt;
    return SendTyped(text, hex);
}

void SendLink::SendFile(const Bytes& file, const std::function<void(std::size_t done)>& afterBlock) {
    const std::size_t block = std::max<std::size_t>(config_.blockSize, 1);
    std::size_t done = 0;
    sendReady_ = false;
    while (done < file.size()) {
        const std::size_t size = std::min(block, file.size() - done);
        const std::size_t written = config_.write(file.data() + done, size);
        done += size;
        sentTotal_ += static_cast<std::int64_t>(size);
        if (afterBlock) afterBlock(done);
        // A link that took less than a block has stalled or failed; going on
        // would hold the window for every block that is left.
        if (written < size) break;
    }
    sendReady_ = true;
}

}  // namespace viz
