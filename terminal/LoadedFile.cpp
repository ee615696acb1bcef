#include "terminal/LoadedFile.h"

#include <cstring>

#include "base/TextFormat.h"
#include "platform/CodePage.h"
#include "terminal/TerminalTexts.h"

namespace viz {

namespace t = terminal_texts;

namespace {

std::u16string SystemText(int error) {
    return Utf8ToUtf16(std::strerror(error));
}

}  // namespace

LoadedFile::LoadResult LoadedFile::Load(const std::filesystem::path& path, std::u16string_view shownPath) {
    FileSource::Opened opened = FileSource::Open(path);
    source_.reset();
    if (!opened.file) return {LoadResult::Unreadable, opened.error};
    if (opened.file->size() == 0) return {LoadResult::Empty, 0};
    source_ = std::move(opened.file);
    loadMessage_ = std::u16string(t::kLoadedPrefix) + std::u16string(shownPath) + t::kLoadedSuffix;
    return {LoadResult::Loaded, 0};
}

std::u16string LoadedFile::Finish() {
    source_.reset();
    return loadMessage_ + t::kFileSent;
}

std::u16string LoadedFile::InterruptedText(std::uint64_t done, std::uint64_t total,
                                           std::u16string_view reason) const {
    return loadMessage_ +
           FormatCounts(t::kFileInterrupted,
                        {static_cast<std::int64_t>(done), static_cast<std::int64_t>(total)}) +
           u"（" + std::u16string(reason) + u"）";
}

std::u16string SendEndReason(SendEnd end, int error) {
    switch (end) {
        case SendEnd::Done:
            break;
        case SendEnd::Cancelled:
            return t::kEndCancelled;
        case SendEnd::LinkClosed:
            return t::kEndLinkClosed;
        case SendEnd::DeviceRemoved:
            return t::kEndDeviceRemoved;
        case SendEnd::WriteFailed:
            return t::kEndWriteFailed + SystemText(error);
        case SendEnd::ReadFailed:
            return error != 0 ? t::kEndReadFailed + SystemText(error) : std::u16string(t::kEndFileShrank);
    }
    return {};
}

std::u16string UnreadableText(int error) {
    return t::kLoadUnreadable + SystemText(error);
}

}  // namespace viz
