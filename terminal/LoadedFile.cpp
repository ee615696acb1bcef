#include "terminal/LoadedFile.h"

#include <fstream>

#include "terminal/TerminalTexts.h"

namespace viz {

namespace t = terminal_texts;

LoadedFile::LoadResult LoadedFile::Load(const std::filesystem::path& path, std::u16string_view shownPath) {
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error)) return LoadResult::Unreadable;
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    if (!in) return LoadResult::Unreadable;
    const std::streamoff size = in.tellg();
    if (size < 0) return LoadResult::Unreadable;
    in.seekg(0);
    Bytes bytes(static_cast<std::size_t>(size));
    in.read(reinterpret_cast<char*>(bytes.data()), size);
    if (in.bad()) return LoadResult::Unreadable;
    // A file that shrank meanwhile is sent as it now is.
    bytes.resize(static_cast<std::size_t>(in.gcount()));
    if (bytes.empty()) {
        bytes_.clear();
        fileMode_ = false;
        return LoadResult::Empty;
    }
    bytes_ = std::move(bytes);
    fileMode_ = true;
    loadMessage_ = std::u16string(t::kLoadedPrefix) + std::u16string(shownPath) + t::kLoadedSuffix;
    return LoadResult::Loaded;
}

std::u16string LoadedFile::Finish() {
    bytes_ = Bytes();
    fileMode_ = false;
    loadMessage_ += t::kFileSent;
    return loadMessage_;
}

}  // namespace viz
