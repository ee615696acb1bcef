#pragma once

#include <filesystem>
#include <functional>
#include <string>
#include <string_view>

namespace viz {

// The project templates carried inside the program, by their resource numbers.
enum class KeilTemplate { Startup = 201, Options = 202, Project = 203 };

// Returns a template's bytes; empty when it is missing.
using KeilTemplateSource = std::function<std::string(KeilTemplate)>;

enum class KeilExportResult { Ok, ProjectFailed, OptionsFailed, StartupFailed, MainFailed };

inline constexpr char kKeilProjectDir[] = "M51Project";
inline constexpr char kSdccProjectDir[] = "M51SdccProject";
inline constexpr char kCodeFileName[] = "C51GuideView.c";

// Creates or empties the file and writes exactly these bytes; false when the
// bytes are empty or the file cannot be written whole.
bool WriteBytesFile(const std::filesystem::path& path, std::string_view bytes);

// UTF-8 text to a code page 936 file without a terminating zero.
bool WriteAnsiTextFile(const std::filesystem::path& path, std::string_view utf8Text);

// Writes folder "M51Project" under base: the project file, the options
// file, STARTUP.A51 and main.c (the code text). Stops at the first file that
// cannot be written; files already written stay.
KeilExportResult ExportKeilProject(const std::filesystem::path& base, const KeilTemplateSource& templates,
                                   std::string_view codeText);

enum class SdccExportResult { Ok, MakefileFailed, MainFailed };

// Writes folder "M51SdccProject" under base: main.c (the code text) and a
// Makefile with which `make` builds main.ihx and main.hex using sdcc and
// packihx. Files already there are replaced.
SdccExportResult ExportSdccProject(const std::filesystem::path& base, std::string_view codeText);

}  // namespace viz
