#pragma once

// Drives a channel's write the way the send path's writer thread does:
// again and again until everything went out, the link failed, or the time
// is up.

#include <chrono>
#include <cstdint>
#include <vector>

#include "terminal/LinkWrite.h"

namespace viz::testing {

struct WriteAllResult {
    std::size_t written = 0;
    int error = 0;  // the error that ended it early; EAGAIN when time ran out
};

template <typename Write>
WriteAllResult WriteAll(Write&& write, const std::vector<std::uint8_t>& bytes,
                        std::chrono::milliseconds limit = std::chrono::milliseconds(2000)) {
    const auto end = std::chrono::steady_clock::now() + limit;
    WriteAllResult result;
    while (result.written < bytes.size()) {
        const WriteStep step = write(bytes.data() + result.written, bytes.size() - result.written,
                                     WriteWait{-1, 50});
        result.written += step.consumed;
        if (step.error == EAGAIN && std::chrono::steady_clock::now() < end) continue;
        if (step.error != 0) {
            result.error = step.error;
            break;
        }
    }
    return result;
}

}  // namespace viz::testing
