#include "app/GuideLocation.h"

#include <array>
#include <system_error>

namespace viz {

std::filesystem::path InstalledGuideFolder(const std::filesystem::path& programDir) {
    // The documentation folder seen from the folder the program is installed
    // in (set by app/CMakeLists.txt from the install rules).
    return (programDir / VIZ_DOCDIR_FROM_PROGRAM).lexically_normal();
}

std::filesystem::path FindGuide(const std::filesystem::path& programDir) {
    const std::array<std::filesystem::path, 2> folders{InstalledGuideFolder(programDir), programDir / "docs"};
    for (const char* name : {kGuideHtml, kGuideMarkdown}) {
        for (const auto& folder : folders) {
            std::error_code error;
            const auto candidate = folder / name;
            if (std::filesystem::is_regular_file(candidate, error)) return candidate.lexically_normal();
        }
    }
    return {};
}

}  // namespace viz
