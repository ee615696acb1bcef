#pragma once

// A file loaded into a send area to be sent by the next send. It is opened,
// not read: the send streams it in blocks, so any file can be sent.
//
//   switch (file.Load(path, displayPath).kind) { case Loaded: area.setText(file.loadMessage()); ... }
//   if (file.fileMode()) link.SendFile(file.source());
//   // when the send has ended:
//   area.setText(whole ? file.Finish() : file.InterruptedText(done, total, reason));

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>

#include "terminal/FileSource.h"
#include "terminal/LinkWriter.h"

namespace viz {

class LoadedFile {
public:
    struct LoadResult {
        enum Kind {
            Loaded,      // file mode on; show loadMessage()
            Empty,       // file mode off; show "读取外部资源文件失败！"
            Unreadable,  // file mode off; show UnreadableText(error)
        } kind = Unreadable;
        int error = 0;
    };

    // `shownPath` is the full path as the load message shows it.
    LoadResult Load(const std::filesystem::path& path, std::u16string_view shownPath);

    bool fileMode() const { return source_ != nullptr; }
    const std::shared_ptr<const FileSource>& source() const { return source_; }
    const std::u16string& loadMessage() const { return loadMessage_; }

    // After every byte was sent: releases the file, leaves file mode and
    // returns the send area's new text (the load message and the completion note).
    std::u16string Finish();
    // After a send that ended early: the file stays loaded; the send area's
    // new text says how far it got and why it stopped.
    std::u16string InterruptedText(std::uint64_t done, std::uint64_t total, std::u16string_view reason) const;

private:
    std::shared_ptr<const FileSource> source_;
    std::u16string loadMessage_;
};

// Why a send ended early, in the user's words.
std::u16string SendEndReason(SendEnd end, int error);
// A file that could not be opened for sending.
std::u16string UnreadableText(int error);

}  // namespace viz
