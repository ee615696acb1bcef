#pragma once

// The folder a board builds its firmware in, under the temporary folder, and
// the clean-up of the folders that processes killed before they could remove
// theirs left behind. A folder carries the number of the process that made it.
//
//   std::string pattern = BoardFolderPattern();   // ".../duvezer-board-<pid>-XXXXXX"
//   ::mkdtemp(pattern.data());
//   RemoveBoardFoldersOfEndedProcesses();          // once at start

#include <filesystem>
#include <string>

namespace viz {

// The temporary folder (TMPDIR, else /tmp) where board folders are made.
std::filesystem::path BoardFolderParent();

// A template for mkdtemp naming this process.
std::string BoardFolderPattern();

// Removes the board folders of this user whose process no longer runs. At
// start none of this process's own can be in use, so those go too; folders
// of running processes, other users' and anything that is no folder stay.
void RemoveBoardFoldersOfEndedProcesses();

}  // namespace viz
