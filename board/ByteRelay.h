#pragma once

// Bytes on their way from one non-blocking descriptor to another, held in
// between so neither side waits for the other. What does not fit in the
// limit is dropped, as bytes sent on a line nobody reads are lost.

#include <cstddef>
#include <string>

namespace viz {

class ByteRelay {
public:
    explicit ByteRelay(std::size_t limit) : limit_(limit) {}

    bool empty() const { return held_.empty(); }
    bool full() const { return held_.size() >= limit_; }
    std::size_t dropped() const { return dropped_; }

    // Reads what `from` has now. False at end of file or on an error other
    // than "nothing now".
    bool ReadFrom(int from);
    // Writes what `to` takes now. False on an error other than "no room now".
    bool WriteTo(int to);
    // Writes at most `most` bytes, for a side that takes them at its own
    // pace; how many it took.
    std::size_t WriteAtMost(int to, std::size_t most);
    void Append(const char* data, std::size_t size);

private:
    std::size_t limit_;
    std::string held_;
    std::size_t dropped_ = 0;
};

}  // namespace viz
