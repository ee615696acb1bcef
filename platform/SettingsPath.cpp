#include "platform/SettingsPath.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <vector>

namespace viz {
namespace {

std::optional<std::string> Variable(const char* name) {
    const char* value = std::getenv(name);
    if (value == nullptr) return std::nullopt;
    return std::string(value);
}

bool PrivateFolderOfOurs(const std::filesystem::path& folder) {
    struct stat info {};
    return ::lstat(folder.c_str(), &info) == 0 && S_ISDIR(info.st_mode) && info.st_uid == ::getuid() &&
           (info.st_mode & 077) == 0;
}

std::filesystem::path PrivateTempFolder(const std::filesystem::path& temp) {
    const std::filesystem::path folder = temp / ("Vizuruv-" + std::to_string(::getuid()));
    ::mkdir(folder.c_str(), 0700);
    if (PrivateFolderOfOurs(folder)) return folder;
    // Taken by someone else (or open to others): a fresh one, lost at the
    // end of the run, rather than settings another user can plant or read.
    std::string pattern = (temp / ("Vizuruv-" + std::to_string(::getuid()) + "-XXXXXX")).string();
    if (::mkdtemp(pattern.data()) != nullptr) return pattern;
    return folder / "unusable";
}

}  // namespace

std::optional<std::string> PasswdHome() {
    long size = ::sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buffer(size > 0 ? static_cast<std::size_t>(size) : 16384);
    passwd entry{};
    passwd* found = nullptr;
    if (::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &found) != 0 || found == nullptr ||
        found->pw_dir == nullptr)
        return std::nullopt;
    return std::string(found->pw_dir);
}

std::filesystem::path SettingsPathIn(const SettingsPlaces& places) {
    std::filesystem::path base;
    if (places.xdgConfigHome && places.xdgConfigHome->starts_with('/')) {
        base = *places.xdgConfigHome;
    } else if (places.home && !places.home->empty()) {
        base = std::filesystem::path(*places.home) / ".config";
    } else if (places.passwdHome && places.passwdHome->starts_with('/')) {
        base = std::filesystem::path(*places.passwdHome) / ".config";
    } else {
        base = PrivateTempFolder(places.tempFolder);
    }
    return base / "Vizuruv" / "Vizuruv.conf";
}

std::filesystem::path DefaultSettingsPath() {
    std::error_code error;
    std::filesystem::path temp = std::filesystem::temp_directory_path(error);
    if (error) temp = "/tmp";
    return SettingsPathIn({Variable("XDG_CONFIG_HOME"), Variable("HOME"), PasswdHome(), temp});
}

}  // namespace viz
