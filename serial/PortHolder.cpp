#include "serial/PortHolder.h"

#include <dirent.h>
#include <limits.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <cctype>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <sstream>

namespace viz {
namespace {

using Clock = std::chrono::steady_clock;

std::optional<PortHolder> Holder(int pid) {
    std::ifstream comm("/proc/" + std::to_string(pid) + "/comm");
    std::string name;
    if (!std::getline(comm, name) || name.empty()) return std::nullopt;
    return PortHolder{pid, name};
}

// /proc/locks lines read "1: FLOCK  ADVISORY  WRITE 1234 00:1a:4 0 EOF": the
// locker's pid, then the locked inode as its file system's device (hex
// major:minor) and inode number. Waiting lockers carry "->" before the kind.
int LockHolder(const struct stat& node) {
    std::ifstream locks("/proc/locks");
    std::string line;
    while (std::getline(locks, line)) {
        std::istringstream fields(line);
        std::string number, kind, mode, access, file;
        long pid = 0;
        if (!(fields >> number >> kind >> mode >> access >> pid >> file) || kind != "FLOCK") continue;
        unsigned major = 0, minor = 0;
        unsigned long long inode = 0;
        if (std::sscanf(file.c_str(), "%x:%x:%llu", &major, &minor, &inode) != 3) continue;
        if (pid > 0 && ::makedev(major, minor) == node.st_dev && inode == node.st_ino)
            return static_cast<int>(pid);
    }
    return 0;
}

// Compares link texts only: a stat through the link could wait on a hung file system.
bool HasOpen(int pid, const std::string& target, Clock::time_point deadline) {
    DIR* fds = ::opendir(("/proc/" + std::to_string(pid) + "/fd").c_str());
    if (fds == nullptr) return false;
    bool found = false;
    char link[PATH_MAX];
    while (!found && Clock::now() < deadline) {
        const dirent* entry = ::readdir(fds);
        if (entry == nullptr) break;
        const ssize_t size = ::readlinkat(::dirfd(fds), entry->d_name, link, sizeof link);
        found = size > 0 && target.compare(0, std::string::npos, link, static_cast<std::size_t>(size)) == 0;
    }
    ::closedir(fds);
    return found;
}

std::optional<PortHolder> Opener(const std::string& target, Clock::time_point deadline) {
    DIR* processes = ::opendir("/proc");
    if (processes == nullptr) return std::nullopt;
    const int self = ::getpid();
    bool selfHolds = false;
    std::optional<PortHolder> other;
    while (!other && Clock::now() < deadline) {
        const dirent* entry = ::readdir(processes);
        if (entry == nullptr) break;
        if (!std::isdigit(static_cast<unsigned char>(entry->d_name[0]))) continue;
        const int pid = std::atoi(entry->d_name);
        if (!HasOpen(pid, target, deadline)) continue;
        if (pid == self) {
            selfHolds = true;
        } else {
            other = Holder(pid);
        }
    }
    ::closedir(processes);
    return other || !selfHolds ? other : Holder(self);
}

}  // namespace

std::optional<PortHolder> FindPortHolder(const std::string& device, std::chrono::milliseconds limit) {
    const Clock::time_point deadline = Clock::now() + limit;
    struct stat node {};
    if (::stat(device.c_str(), &node) != 0) return std::nullopt;
    if (const int pid = LockHolder(node)) {
        if (std::optional<PortHolder> holder = Holder(pid)) return holder;
    }
    char* real = ::realpath(device.c_str(), nullptr);
    if (real == nullptr) return std::nullopt;
    const std::string target = real;
    ::free(real);
    return Opener(target, deadline);
}

}  // namespace viz
