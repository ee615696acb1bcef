#pragma once

// A file loaded into a send area to be sent whole by the next send.
//
//   switch (file.Load(path, displayPath)) { case Loaded: area.setText(file.loadMessage()); ... }
//   if (file.fileMode()) { link.SendFile(file.bytes(), ...); area.setText(file.Finish()); }

#include <filesystem>
#include <string>
#include <string_view>

#include "terminal/TextCodec.h"

namespace viz {

class LoadedFile {
public:
    enum class LoadResult {
        Loaded,      // file mode on; show loadMessage()
        Empty,       // file mode off; show "读取外部资源文件失败！"
        Unreadable,  // nothing changes
    };

    // `shownPath` is the full path as the load message shows it.
    LoadResult Load(const std::filesystem::path& path, std::u16string_view shownPath);

    bool fileMode() const { return fileMode_; }
    const Bytes& bytes() const { return bytes_; }
    const std::u16string& loadMessage() const { return loadMessage_; }

    // After the file was sent: releases it, leaves file mode and returns the
    // send area's new text (the load message and the completion note).
    std::u16string Finish();

private:
    Bytes bytes_;
    bool fileMode_ = false;
    std::u16string loadMessage_;
};

}  // namespace viz
