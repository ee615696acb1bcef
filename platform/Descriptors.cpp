#include "platform/Descriptors.h"

#include <dirent.h>
#include <sys/resource.h>

#include <cstdint>
#include <limits>

namespace viz {

void RaiseDescriptorLimit() {
    rlimit limit{};
    if (::getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur >= limit.rlim_max) return;
    limit.rlim_cur = limit.rlim_max;
    // Refused only under a sandbox's own rules: the program then keeps the lower limit.
    static_cast<void>(::setrlimit(RLIMIT_NOFILE, &limit));
}

std::size_t DescriptorLimit() {
    rlimit limit{};
    if (::getrlimit(RLIMIT_NOFILE, &limit) != 0) return 0;
    if (limit.rlim_cur == RLIM_INFINITY || limit.rlim_cur > std::numeric_limits<int>::max()) {
        return std::numeric_limits<int>::max();
    }
    return static_cast<std::size_t>(limit.rlim_cur);
}

std::size_t OpenDescriptors() {
    DIR* folder = ::opendir("/proc/self/fd");
    if (folder == nullptr) return 0;
    std::size_t count = 0;
    while (const dirent* entry = ::readdir(folder)) {
        if (entry->d_name[0] != '.') ++count;
    }
    ::closedir(folder);
    // Not the listing's own.
    return count > 0 ? count - 1 : 0;
}

}  // namespace viz
