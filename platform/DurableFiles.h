#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace viz {

// What the program needs to replace a file safely: write a temporary file
// beside it, sync it, rename it over the target and sync the folder, and at
// start remove the temporary files that processes killed half-way left.

// Writes every byte, retrying interrupted and partial writes; false with
// errno set when the file takes no more.
bool WriteAllBytes(int fd, std::string_view bytes);

// Makes a rename in `folder` durable. A file system that cannot sync
// folders (EINVAL) has nothing to sync; false with errno set otherwise.
bool SyncFolder(const std::filesystem::path& folder);

// The folder a file path lies in ("." for a bare name).
std::filesystem::path FolderOf(const std::filesystem::path& file);

// Temporary files are named `prefix` + the writing process's number, and,
// when a process may hold several, "-" + a running number.
struct TemporaryNames {
    std::string prefix;
    bool numbered = false;
};

// Whose files a clean-up may take: at start no file of this process can be
// in use, so one with its number was left by an earlier process that had
// the same number; later this process's own may be in use.
enum class OwnFiles { Remove, Keep };

// Removes the regular files in `folder` named as `names` says whose process
// no longer runs. Files of running processes, and anything else, stay.
void RemoveFilesOfEndedProcesses(const std::filesystem::path& folder, const TemporaryNames& names,
                                 OwnFiles own);

}  // namespace viz
