#include "platform/WorkFolder.h"

#include <cerrno>
#include <cstdlib>
#include <charconv>
#include <csignal>
#include <optional>
#include <string_view>
#include <system_error>

#include <sys/stat.h>
#include <unistd.h>

namespace viz {
namespace {

constexpr std::string_view kProgram = "duvezer-";

std::string Prefix(std::string_view purpose) {
    return std::string(kProgram) + std::string(purpose) + "-";
}

// The process number in "duvezer-<purpose>-<pid>-XXXXXX" for a known purpose;
// nothing for any other name.
std::optional<pid_t> MakerOf(std::string_view name) {
    bool known = false;
    for (const std::string_view purpose : {kBoardWork, kFlashWork}) {
        const std::string prefix = Prefix(purpose);
        if (name.starts_with(prefix)) {
            name.remove_prefix(prefix.size());
            known = true;
            break;
        }
    }
    if (!known) return std::nullopt;
    const std::size_t dash = name.find('-');
    if (dash == std::string_view::npos || dash == 0) return std::nullopt;
    pid_t pid = 0;
    const auto [end, error] = std::from_chars(name.data(), name.data() + dash, pid);
    if (error != std::errc{} || end != name.data() + dash || pid <= 0) return std::nullopt;
    return pid;
}

bool Ended(pid_t pid) {
    return pid == ::getpid() || (::kill(pid, 0) != 0 && errno == ESRCH);
}

}  // namespace

std::filesystem::path WorkFolderParent() {
    std::error_code error;
    std::filesystem::path parent = std::filesystem::temp_directory_path(error);
    return error ? std::filesystem::path("/tmp") : parent;
}

std::string WorkFolderPattern(std::string_view purpose) {
    return (WorkFolderParent() / (Prefix(purpose) + std::to_string(::getpid()) + "-XXXXXX")).string();
}

WorkFolder::WorkFolder(std::string_view purpose) {
    std::string pattern = WorkFolderPattern(purpose);
    if (::mkdtemp(pattern.data())) path_ = pattern;
}

WorkFolder::~WorkFolder() {
    std::error_code error;
    if (!path_.empty()) std::filesystem::remove_all(path_, error);
}

void RemoveWorkFoldersOfEndedProcesses() {
    std::error_code error;
    std::filesystem::directory_iterator entries(WorkFolderParent(), error);
    for (; !error && entries != std::filesystem::directory_iterator(); entries.increment(error)) {
        const std::filesystem::path& folder = entries->path();
        const std::optional<pid_t> maker = MakerOf(folder.filename().native());
        struct stat info {};
        // Never through a link, never another user's.
        if (!maker || ::lstat(folder.c_str(), &info) != 0 || !S_ISDIR(info.st_mode) ||
            info.st_uid != ::getuid() || !Ended(*maker))
            continue;
        std::error_code ignored;
        std::filesystem::remove_all(folder, ignored);
    }
}

}  // namespace viz
