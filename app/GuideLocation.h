#pragma once

// Where the user guide is for a program started from `programDir`:
//
//     const auto guide = viz::FindGuide(programDir);
//     if (!guide.empty()) open(guide);
//
// An installed program finds the guide in the package's documentation
// folder, a program run from its build tree finds the copy the build made
// beside it (docs/). The HTML page comes first, with its pictures; the
// Markdown only when no HTML page is there.
#include <filesystem>

namespace viz {

inline constexpr char kGuideHtml[] = "guide.zh-CN.html";
inline constexpr char kGuideMarkdown[] = "guide.zh-CN.md";

// The guide file, or an empty path when neither place holds one.
std::filesystem::path FindGuide(const std::filesystem::path& programDir);
// Where the install rules put the guide, for the program installed there.
std::filesystem::path InstalledGuideFolder(const std::filesystem::path& programDir);

}  // namespace viz
