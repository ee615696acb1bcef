#pragma once

// One download on a thread of its own: the tool looked up on PATH, the
// chip's flash size asked of avrdude, the firmware checked, the port's
// holder named, then the tool run on a private copy of the firmware with its
// output and progress handed to the window as they come. The window's
// thread never waits for any of it.
//
//   FlashSession session([&](FlashEvent event) { return pump.Push(std::move(event)); });
//   session.Start(job);   // Output, Progress, Silence ... then Ended, on the session's thread
//   session.Cancel();     // returns at once; the tool's process group is killed, Ended follows

#include <atomic>
#include <chrono>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <thread>

#include "flash/FlashCommand.h"
#include "flash/FlashFirmware.h"
#include "flash/FlashOutcome.h"
#include "flash/FlashProgress.h"

namespace viz {

struct FlashJob {
    FlashRequest request;
    std::filesystem::path firmware;
    std::string searchPath;  // PATH
    // How long the tool may print nothing before the window says it still waits.
    std::chrono::milliseconds silenceLimit{30000};
};

struct FlashEvent {
    enum class Kind {
        Output,    // `text`: the tool's output as printed (whole UTF-8 characters)
        Progress,  // `progress` changed
        Silence,   // the tool has printed nothing for `silentSeconds`
        Ended,     // `outcome`; the last event of a run
    };
    Kind kind = Kind::Output;
    std::string text;
    FlashProgress progress;
    long long silentSeconds = 0;
    FlashOutcome outcome;
};

// What the hand-off counts for its memory bound.
inline std::size_t HandoffBytes(const FlashEvent& event) {
    return sizeof event + event.text.size() + event.outcome.message.size();
}

// Takes an event; false once the receiver is gone (the run then ends quietly).
using FlashEventSink = std::function<bool(FlashEvent)>;

class FlashSession {
public:
    explicit FlashSession(FlashEventSink sink);
    // Cancels a running download and waits for its thread.
    ~FlashSession();
    FlashSession(const FlashSession&) = delete;
    FlashSession& operator=(const FlashSession&) = delete;

    // False while a run has not ended yet.
    bool Start(FlashJob job);
    void Cancel();
    // Waits for the thread of an ended or cancelled run.
    void Join();
    bool running() const { return running_.load(); }
    // The tool's PID (its process group) while it runs; 0 otherwise.
    int toolPid() const { return toolPid_.load(); }

private:
    void Run(const FlashJob& job);
    // The outcome when the run ends before the tool starts.
    std::optional<FlashOutcome> Prepare(const FlashJob& job, std::filesystem::path& tool,
                                        FlashFirmware& firmware);
    FlashOutcome RunTool(const FlashJob& job, const std::filesystem::path& tool,
                         const FlashFirmware& firmware);
    bool Tell(FlashEvent event);

    FlashEventSink sink_;
    std::thread thread_;
    int stopFd_ = -1;
    std::atomic<bool> running_{false};
    std::atomic<int> toolPid_{0};
};

}  // namespace viz
