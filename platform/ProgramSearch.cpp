#include "platform/ProgramSearch.h"

#include <unistd.h>

namespace viz {

std::filesystem::path FindOnPath(const std::string& program, const std::string& path) {
    std::size_t from = 0;
    while (from <= path.size()) {
        std::size_t end = path.find(':', from);
        if (end == std::string::npos) end = path.size();
        const std::string dir = path.substr(from, end - from);
        const std::filesystem::path candidate = std::filesystem::path(dir.empty() ? "." : dir) / program;
        std::error_code error;
        if (::access(candidate.c_str(), X_OK) == 0 && !std::filesystem::is_directory(candidate, error))
            return std::filesystem::absolute(candidate, error);
        from = end + 1;
    }
    return {};
}

}  // namespace viz
