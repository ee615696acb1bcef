#pragma once

#include <chrono>
#include <cstdint>
#include <limits>
#include <string>

namespace viz {

// The prefix "[HH:MM:SS.mmm] " in local time that a receive area puts in
// front of each line (or hex frame) when time stamps are on. The local
// clock reading is worked out once per second of input, not per line.
class TimeStampFormat {
public:
    // Valid until the next call.
    const std::u16string& Prefix(std::chrono::system_clock::time_point time);

private:
    std::int64_t second_ = std::numeric_limits<std::int64_t>::min();
    std::u16string prefix_ = u"[00:00:00.000] ";
};

}  // namespace viz
