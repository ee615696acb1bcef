#include "platform/DurableFiles.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <optional>

namespace viz {
namespace {

// A process number is at most 7 digits on Linux; 10 keep any 32-bit value.
constexpr std::size_t kMaxDigits = 10;

std::optional<long> LeadingNumber(std::string_view& text) {
    std::size_t digits = 0;
    while (digits < text.size() && text[digits] >= '0' && text[digits] <= '9') ++digits;
    if (digits == 0 || digits > kMaxDigits) return std::nullopt;
    long value = 0;
    std::from_chars(text.data(), text.data() + digits, value);
    text.remove_prefix(digits);
    return value;
}

// The process number in a temporary file's name, or nothing when the name
// is not one of those files'.
std::optional<pid_t> WriterOf(std::string_view name, const TemporaryNames& names) {
    if (!name.starts_with(names.prefix)) return std::nullopt;
    name.remove_prefix(names.prefix.size());
    const std::optional<long> pid = LeadingNumber(name);
    if (!pid || *pid <= 0) return std::nullopt;
    if (names.numbered) {
        if (!name.starts_with('-')) return std::nullopt;
        name.remove_prefix(1);
        if (!LeadingNumber(name)) return std::nullopt;
    }
    if (!name.empty()) return std::nullopt;
    return static_cast<pid_t>(*pid);
}

}  // namespace

bool WriteAllBytes(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t written = ::write(fd, bytes.data(), bytes.size());
        if (written < 0 && errno == EINTR) continue;
        if (written < 0) return false;
        if (written == 0) {
            errno = EIO;
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

bool SyncFolder(const std::filesystem::path& folder) {
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return true;
    const bool synced = ::fsync(fd) == 0 || errno == EINVAL;
    const int error = errno;
    ::close(fd);
    errno = error;
    return synced;
}

std::filesystem::path FolderOf(const std::filesystem::path& file) {
    return file.has_parent_path() ? file.parent_path() : std::filesystem::path(".");
}

void RemoveFilesOfEndedProcesses(const std::filesystem::path& folder, const TemporaryNames& names,
                                 OwnFiles own) {
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(folder, ec)) {
        const std::optional<pid_t> pid = WriterOf(entry.path().filename().native(), names);
        if (!pid) continue;
        const bool ended =
            *pid == ::getpid() ? own == OwnFiles::Remove : ::kill(*pid, 0) != 0 && errno == ESRCH;
        if (ended && entry.is_regular_file(ec) && !entry.is_symlink(ec))
            std::filesystem::remove(entry.path(), ec);
    }
}

}  // namespace viz
