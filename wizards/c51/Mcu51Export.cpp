#include "wizards/c51/Mcu51Export.h"

#include <fstream>
#include <system_error>

#include "platform/CodePage.h"

namespace viz {

bool WriteBytesFile(const std::filesystem::path& path, std::string_view bytes) {
    if (bytes.empty()) return false;
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    if (!file) return false;
    file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    file.close();
    return !file.fail();
}

bool WriteAnsiTextFile(const std::filesystem::path& path, std::string_view utf8Text) {
    return WriteBytesFile(path, EncodeText(Utf8ToUtf16(utf8Text), CodePage::Ansi));
}

KeilExportResult ExportKeilProject(const std::filesystem::path& base, const KeilTemplateSource& templates,
                                   std::string_view codeText) {
    const std::filesystem::path dir = base / kKeilProjectDir;
    // An existing folder is fine; a folder that cannot be made shows up as the first failed file.
    std::error_code ignored;
    std::filesystem::create_directory(dir, ignored);

    struct Step {
        KeilTemplate source;
        const char* name;
        KeilExportResult failure;
    };
    constexpr Step kSteps[] = {
        {KeilTemplate::Project, "M51Project.Uv2", KeilExportResult::ProjectFailed},
        {KeilTemplate::Options, "M51Project.Opt", KeilExportResult::OptionsFailed},
        {KeilTemplate::Startup, "STARTUP.A51", KeilExportResult::StartupFailed},
    };
    for (const Step& step : kSteps) {
        if (!WriteBytesFile(dir / step.name, templates(step.source))) return step.failure;
    }
    // The project lists the source as Main.c; the file has always been main.c.
    if (!WriteAnsiTextFile(dir / "main.c", codeText)) return KeilExportResult::MainFailed;
    return KeilExportResult::Ok;
}

}  // namespace viz
