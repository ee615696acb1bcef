#pragma once

// Reads a download tool's own progress from its output as it arrives, in
// pieces cut anywhere: avrdude's stages and its progress bars ("Writing | "
// followed by one '#' per 2 %, or a redrawn bar with its percent on a
// terminal), stcgal's wait for the power cycle, its stages and its percent.
//
//   FlashProgressParser parser(FlashTool::Avrdude);
//   if (parser.Feed(piece)) show(parser.state());

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "flash/FlashCommand.h"

namespace viz {

enum class FlashStage { Connecting, Erasing, Writing, Verifying };

struct FlashProgress {
    FlashStage stage = FlashStage::Connecting;
    int percent = 0;  // of the stage
    // stcgal waits for the chip's loader, which starts at power-on only.
    bool waitingForPowerCycle = false;
    std::optional<std::uint64_t> bytesWritten;
    bool verified = false;  // the tool said the written flash read back equal

    bool operator==(const FlashProgress&) const = default;
};

// "连接芯片", "擦除", "写入", "校验".
const char* StageName(FlashStage stage);
// "写入 45%".
std::string ProgressText(const FlashProgress& progress);

class FlashProgressParser {
public:
    explicit FlashProgressParser(FlashTool tool) : tool_(tool) {}

    // True when the state changed.
    bool Feed(std::string_view piece);
    const FlashProgress& state() const { return state_; }

private:
    // The line so far, and again when it ended.
    void Look(bool complete);
    void LookAvrdude(bool complete);
    void LookStcgal(bool complete);
    void Enter(FlashStage stage);

    const FlashTool tool_;
    FlashProgress state_;
    std::string line_;
    std::optional<std::uint64_t> loadedBytes_;
};

}  // namespace viz
