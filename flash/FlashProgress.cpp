#include "flash/FlashProgress.h"

#include <algorithm>
#include <cctype>

#include "base/TextFill.h"
#include "flash/FlashTexts.h"

namespace viz {
namespace {

namespace t = texts::flash;

bool StartsWith(std::string_view text, std::string_view start) {
    return text.substr(0, start.size()) == start;
}

bool Contains(std::string_view text, std::string_view part) {
    return text.find(part) != std::string_view::npos;
}

// The number just before the last '%' of `text`, if any.
std::optional<int> LastPercent(std::string_view text) {
    std::size_t at = text.rfind('%');
    while (at != std::string_view::npos && at > 0) {
        std::size_t start = at;
        while (start > 0 && std::isdigit(static_cast<unsigned char>(text[start - 1]))) --start;
        if (start < at && at - start <= 3)
            return std::min(100, std::stoi(std::string(text.substr(start, at - start))));
        at = text.rfind('%', at - 1);
    }
    return std::nullopt;
}

// The number right before `marker` ("3000 bytes of flash written").
std::optional<std::uint64_t> NumberBefore(std::string_view text, std::string_view marker) {
    const std::size_t at = text.find(marker);
    if (at == std::string_view::npos || at == 0) return std::nullopt;
    std::size_t start = at;
    while (start > 0 && std::isdigit(static_cast<unsigned char>(text[start - 1]))) --start;
    if (start == at) return std::nullopt;
    return std::stoull(std::string(text.substr(start, at - start)));
}

}  // namespace

const char* StageName(FlashStage stage) {
    switch (stage) {
        case FlashStage::Connecting:
            return t::kStageConnect;
        case FlashStage::Erasing:
            return t::kStageErase;
        case FlashStage::Writing:
            return t::kStageWrite;
        case FlashStage::Verifying:
            return t::kStageVerify;
    }
    return t::kStageConnect;
}

std::string ProgressText(const FlashProgress& progress) {
    return FillText(t::kStagePercent, {StageName(progress.stage), std::to_string(progress.percent)});
}

bool FlashProgressParser::Feed(std::string_view piece) {
    const FlashProgress before = state_;
    for (const char c : piece) {
        if (c == '\n') {
            Look(true);
            line_.clear();
        } else if (c == '\r') {
            // A terminal's bar is drawn again over the same line.
            Look(false);
            line_.clear();
        } else {
            line_ += c;
        }
    }
    Look(false);
    return !(state_ == before);
}

void FlashProgressParser::Look(bool complete) {
    if (tool_ == FlashTool::Avrdude) {
        LookAvrdude(complete);
    } else {
        LookStcgal(complete);
    }
}

void FlashProgressParser::Enter(FlashStage stage) {
    if (state_.stage == stage) return;
    state_.stage = stage;
    state_.percent = 0;
}

void FlashProgressParser::LookAvrdude(bool complete) {
    const std::string_view line = line_;
    const bool writingBar = StartsWith(line, "Writing |");
    const bool readingBar = StartsWith(line, "Reading |");
    if (writingBar) Enter(FlashStage::Writing);
    // A bar that reads before anything was written reads the chip, not a check.
    if (readingBar && state_.stage == FlashStage::Writing) Enter(FlashStage::Verifying);
    if ((writingBar || readingBar) && state_.stage != FlashStage::Connecting) {
        const std::size_t open = line.find('|');
        const std::size_t close = line.find('|', open + 1);
        const std::string_view bar =
            line.substr(open + 1, close == std::string_view::npos ? close : close - open - 1);
        const int hashes = static_cast<int>(std::count(bar.begin(), bar.end(), '#'));
        const std::optional<int> told =
            close == std::string_view::npos ? std::nullopt : LastPercent(line.substr(close));
        state_.percent = std::max(state_.percent, told.value_or(std::min(100, hashes * 2)));
    }
    if (Contains(line, "bytes of flash verified")) state_.verified = true;
    if (!complete) return;
    if (Contains(line, "erasing chip")) Enter(FlashStage::Erasing);
    if (StartsWith(line, "avrdude: writing") && Contains(line, "flash")) Enter(FlashStage::Writing);
    if (StartsWith(line, "avrdude: verifying flash")) Enter(FlashStage::Verifying);
    if (const auto written = NumberBefore(line, " bytes of flash written")) state_.bytesWritten = written;
}

void FlashProgressParser::LookStcgal(bool complete) {
    const std::string_view line = line_;
    if (StartsWith(line, "Waiting for MCU")) {
        Enter(FlashStage::Connecting);
        // "...: done" once the chip answered.
        state_.waitingForPowerCycle = !Contains(line, "done");
    }
    if (StartsWith(line, "Protocol detected")) state_.waitingForPowerCycle = false;
    if (StartsWith(line, "Erasing")) {
        Enter(FlashStage::Erasing);
        if (Contains(line, "done")) state_.percent = 100;
    }
    if (StartsWith(line, "Writing flash")) {
        Enter(FlashStage::Writing);
        if (const std::optional<int> percent = LastPercent(line))
            state_.percent = std::max(state_.percent, *percent);
        if (Contains(line, "done")) state_.percent = 100;
        if (state_.percent == 100 && loadedBytes_) state_.bytesWritten = loadedBytes_;
    }
    // "Loading flash: 1234 bytes (Intel HEX)": what the writing will send.
    if (complete && StartsWith(line, "Loading flash")) loadedBytes_ = NumberBefore(line, " bytes");
}

}  // namespace viz
