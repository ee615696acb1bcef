#include "terminal/LoadedFile.h"

#include <fstream>
#include <iterator>

#include "terminal/TerminalTexts.h"

namespace viz {

namespace t = terminal_texts;

LoadedFile::LoadResult LoadedFile::Load(const std::filesystem::path& path, std::u16string_view shownPath) {
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error)) return LoadResult::Unreadable;
    std::ifstream in(path, std::ios::binary);
    if (!in) return LoadResult::Unreadable;
    Bytes bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad()) return LoadResult::Unreadable;
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
