#pragma once

// How a download ended and what the window says about it: the summary line
// on success, and on failure a Chinese reason for the common causes, read
// from what the tool printed, followed by its last lines.
//
//   const FlashOutcome outcome = ...;            // from FlashSession
//   status->ShowStatus(OutcomeText(outcome));

#include <cstdint>
#include <string>
#include <string_view>

#include "flash/FlashCommand.h"
#include "flash/FlashProgress.h"
#include "platform/ChildProcess.h"

namespace viz {

struct FlashOutcome {
    enum class Kind {
        Succeeded,
        Failed,     // the tool ended with an error
        Cancelled,  // the user ended the tool
        Refused,    // stopped before the tool started: `message` says why
    };
    Kind kind = Kind::Refused;
    bool toolStarted = false;  // a cancel before it wrote nothing
    std::string message;       // Refused: the reason; Failed: the reason with the tool's last lines
    FlashProgress progress;    // the last progress the tool told
    std::uint64_t bytes = 0;   // written, as the tool said, else the firmware's size
    double seconds = 0;        // from the tool's start to its end
};

// The Chinese reason for a failed run, from the tool's whole output.
std::string FailureReason(FlashTarget target, std::string_view output, const ExitStatus& status);

// The last `count` non-empty lines of `output`, a redrawn line as last drawn.
std::string LastLines(std::string_view output, std::size_t count);

// "下载完成，校验通过（3000字节，用时2.5秒）", "下载失败：...", "下载已取消：..."
std::string OutcomeText(const FlashOutcome& outcome);

}  // namespace viz
