#pragma once

// A private folder under the temporary folder for one piece of work (the
// board's firmware build, a download's copy of the firmware), removed when
// the work ends, and the clean-up of the folders that processes killed before
// they could remove theirs left behind. A folder carries its purpose and the
// number of the process that made it: "duvezer-board-<pid>-XXXXXX".
//
//   WorkFolder folder("board");
//   if (folder.path().empty()) ...;          // none could be made
//   RemoveWorkFoldersOfEndedProcesses();     // once at start

#include <filesystem>
#include <string>
#include <string_view>

namespace viz {

// The purposes work folders are made for; the clean-up knows these.
inline constexpr std::string_view kBoardWork = "board";
inline constexpr std::string_view kFlashWork = "flash";

// The temporary folder (TMPDIR, else /tmp) where work folders are made.
std::filesystem::path WorkFolderParent();

// A template for mkdtemp naming `purpose` and this process.
std::string WorkFolderPattern(std::string_view purpose);

class WorkFolder {
public:
    explicit WorkFolder(std::string_view purpose);
    ~WorkFolder();
    WorkFolder(const WorkFolder&) = delete;
    WorkFolder& operator=(const WorkFolder&) = delete;

    // Empty when the folder could not be made.
    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
};

// Removes the work folders of this user whose process no longer runs. At
// start none of this process's own can be in use, so those go too; folders
// of running processes, other users' and anything that is no folder stay.
void RemoveWorkFoldersOfEndedProcesses();

}  // namespace viz
