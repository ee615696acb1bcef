#include "flash/FlashOutcome.h"

#include <cstdio>
#include <deque>

#include "base/TextFill.h"
#include "flash/FlashTexts.h"

namespace viz {
namespace {

namespace t = texts::flash;

bool Contains(std::string_view text, std::string_view part) {
    return text.find(part) != std::string_view::npos;
}

std::string Seconds(double seconds) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f", seconds);
    return text;
}

}  // namespace

std::string FailureReason(FlashTarget target, std::string_view output, const ExitStatus& status) {
    if (Contains(output, "Permission denied")) return t::kPermissionDenied;
    if (Contains(output, "expected signature for")) return t::kWrongSignature;
    if (Contains(output, "No such file or directory") &&
        (Contains(output, "cannot open port") || Contains(output, "could not open port")))
        return t::kNoSuchPort;
    if (Contains(output, "Device or resource busy") || Contains(output, "Resource temporarily unavailable"))
        return t::kPortInUse;
    if (Contains(output, "cannot find USB device")) return t::kNoProgrammerFound;
    // avrdude's bootloader protocols, a signature of all zeros or ones (no
    // chip behind the programmer), and stcgal's time-outs.
    if (Contains(output, "not in sync") || Contains(output, "not responding") ||
        Contains(output, "Invalid device signature") || Contains(output, "initialization failed") ||
        Contains(output, "timeout") || Contains(output, "Protocol error"))
        return target == FlashTarget::AvrProgrammer ? t::kNoAnswerUsb : t::kNoAnswer;
    if (Contains(output, "can't open input file") || Contains(output, "read from file"))
        return t::kFileRejected;
    return FillText(t::kToolEnded, {DescribeExit(status)});
}

std::string LastLines(std::string_view output, std::size_t count) {
    std::deque<std::string> lines;
    std::string line;
    const auto keep = [&] {
        if (line.find_first_not_of(" \t") == std::string::npos) return;
        lines.push_back(line);
        if (lines.size() > count) lines.pop_front();
    };
    for (std::size_t i = 0; i < output.size(); ++i) {
        const char c = output[i];
        if (c == '\n') {
            keep();
            line.clear();
        } else if (c == '\r') {
            // A line drawn again; "\r\n" just ends it.
            if (i + 1 < output.size() && output[i + 1] == '\n') continue;
            line.clear();
        } else {
            line += c;
        }
    }
    keep();
    std::string text;
    for (const std::string& kept : lines) text += (text.empty() ? "" : "\n") + kept;
    return text;
}

std::string OutcomeText(const FlashOutcome& outcome) {
    switch (outcome.kind) {
        case FlashOutcome::Kind::Succeeded:
            return FillText(outcome.progress.verified ? t::kDoneVerified : t::kDone,
                            {std::to_string(outcome.bytes), Seconds(outcome.seconds)});
        case FlashOutcome::Kind::Cancelled:
            return outcome.toolStarted ? t::kCancelled : t::kCancelledEarly;
        case FlashOutcome::Kind::Failed:
        case FlashOutcome::Kind::Refused:
            return FillText(t::kFailed, {outcome.message});
    }
    return {};
}

}  // namespace viz
