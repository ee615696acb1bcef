#include "terminal/ReceivePipeline.h"

#include "platform/CodePage.h"
#include "terminal/TerminalTexts.h"
#include "terminal/TextFormat.h"

namespace viz {

namespace t = terminal_texts;

void ReceivePipeline::setFrameBreak(bool on, std::uint32_t milliseconds) {
    frameBreak_ = on;
    frameTime_ = milliseconds;
}

bool ReceivePipeline::StartOutput(const std::filesystem::path& path) {
    return output_.Open(path);
}

void ReceivePipeline::Receive(const Chunk& chunk, std::u16string_view prefix, std::u16string_view suffix) {
    if (paused_) return;
    if (!frameClock_) frameClock_ = chunk.readTime;
    const auto size = static_cast<std::int64_t>(chunk.bytes.size());
    windowBytes_ += size;
    receivedTotal_ += size;
    if (area_.lineCount() > kMaxLines) area_.Clear();

    Bytes shown;
    std::u16string text = Convert(chunk, shown);
    if (!prefix.empty()) text.insert(0, prefix);
    text += suffix;
    // A clock read later than a chunk (another source feeding the same area)
    // counts as no time passed rather than as a wrapped-around tick count.
    if (frameBreak_ && chunk.readTime >= *frameClock_ &&
        std::chrono::duration_cast<std::chrono::milliseconds>(chunk.readTime - *frameClock_).count() >=
            static_cast<std::int64_t>(frameTime_)) {
        text += u"\r\n";
        frameClock_ = chunk.readTime;
    }
    const Bytes& record = form_ == TextForm::Serial && !hexDisplay_ ? shown : chunk.bytes;
    if (monitor_ && !record.empty()) monitor_(record.data(), record.size());
    area_.Append(text);
    if (output_.isOpen()) WriteOutput(text);
}

void ReceivePipeline::WriteOutput(std::u16string_view text) {
    const std::string error = output_.Append(text);
    if (error.empty()) return;
    output_.Close();
    // The title only says "[已停止]"; the area says why, once, on a line of its own.
    std::u16string notice = t::kOutputFailed;
    notice.replace(notice.find(u"%1"), 2, Utf8ToUtf16(error));
    const std::u16string& shown = area_.text();
    if (!shown.empty() && shown.back() != u'\n') notice.insert(0, u"\r\n");
    area_.Append(notice + u"\r\n");
}

std::u16string ReceivePipeline::Convert(const Chunk& chunk, Bytes& shown) {
    if (hexDisplay_) return BytesToHexDisplay(chunk.bytes);
    if (form_ == TextForm::Plain) return BytesToDisplayText(chunk.bytes);
    // The serial monitor record is the chunk as shown: with the byte held
    // back last time in front, without the byte held back now.
    if (decoder_.holding()) shown.push_back(heldByte_);
    shown.insert(shown.end(), chunk.bytes.begin(), chunk.bytes.end());
    std::u16string text = decoder_.Decode(chunk.bytes);
    if (decoder_.holding()) {
        heldByte_ = shown.back();
        shown.pop_back();
    }
    return text;
}

void ReceivePipeline::ResetRate() {
    windowBytes_ = 0;
    refreshCount_ = 0;
}

std::u16string ReceivePipeline::RefreshStatus(std::u16string_view countsFormat) {
    if (!refreshed_) {
        shownRate_ = windowBytes_;
        refreshed_ = true;
    }
    if (++refreshCount_ > 9) {
        refreshCount_ = 0;
        shownRate_ = windowBytes_;
        windowBytes_ = 0;
    }
    return StatusTitle(countsFormat);
}

std::u16string ReceivePipeline::StatusTitle(std::u16string_view countsFormat) const {
    std::u16string title = FormatCounts(countsFormat, {receivedTotal_, shownRate_});
    title += paused_ ? t::kPausedState : t::kAllowedState;
    title += outputOn() ? t::kOutputOnState : t::kOutputOffState;
    return title;
}

}  // namespace viz
