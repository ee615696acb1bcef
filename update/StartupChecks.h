#pragma once

#include <chrono>
#include <functional>
#include <string>
#include <thread>

#include "update/UpdateServers.h"

namespace viz {

struct StartupTiming {
    std::chrono::milliseconds versionDelay{5000};
    std::chrono::milliseconds noticeDelay{6000};
    std::chrono::milliseconds noticeInterval{10000};
};

// What the start-up threads report. Both are called on the threads
// themselves; whoever shows them moves them to the user-interface thread.
struct StartupEvents {
    std::function<void()> newVersion;
    std::function<void(const std::u16string& title)> title;
};

// The two threads that run when automatic update is on at start: a version
// check that reports a newer version once, and the title notices, which
// rotate for as long as the object lives. Destroying the object ends both at
// once, waking them from their waits and from any transfer.
class StartupChecks {
public:
    StartupChecks(UpdateServers servers, StartupEvents events, StartupTiming timing = {});
    ~StartupChecks() = default;

private:
    void CheckVersionLater(std::stop_token stop);
    void RotateNoticesLater(std::stop_token stop);

    const UpdateServers servers_;
    const StartupEvents events_;
    const StartupTiming timing_;
    // Last, so both threads end before the members they use go.
    std::jthread versionThread_;
    std::jthread noticeThread_;
};

}  // namespace viz
