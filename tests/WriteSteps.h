#pragma once

// Drives a channel's write the way the send path's writer thread does:
// again and again until everything went out, the link failed, or the time
// is up.

#include <atomic>
#include <chrono>
#include <cstdint>
#include <thread>
#include <vector>

#include "Patience.h"
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

// Fills the link until it takes no more, then starts a write that waits
// without limit on its own thread and closes the channel under it.
struct CloseUnderWrite {
    WriteAllResult filled;      // what the link took before it stopped
    int errorBeforeClose = -1;  // 0: the write was still waiting when Close came
    int errorAfterClose = 0;    // what the waiting write returned
    std::chrono::milliseconds closeTook{0};
};

template <typename Write, typename Close>
CloseUnderWrite CloseUnderAWaitingWrite(Write&& write, Close&& close, const std::vector<std::uint8_t>& data) {
    CloseUnderWrite result;
    result.filled = WriteAll(write, data, std::chrono::milliseconds(300));
    if (result.filled.written >= data.size()) return result;
    std::atomic<int> error{0};
    std::atomic<pid_t> writerThread{0};
    std::thread writer([&] {
        writerThread = ThisThread();
        error = write(data.data() + result.filled.written, data.size() - result.filled.written, WriteWait{-1, -1})
                    .error;
    });
    WaitUntilSleeping(writerThread);
    result.errorBeforeClose = error.load();
    const auto start = std::chrono::steady_clock::now();
    close();
    writer.join();
    result.closeTook =
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
    result.errorAfterClose = error.load();
    return result;
}

}  // namespace viz::testing
