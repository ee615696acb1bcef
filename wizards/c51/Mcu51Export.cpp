#include "wizards/c51/Mcu51Export.h"

#include <fstream>
#include <system_error>

#include "platform/CodePage.h"

namespace viz {

namespace {

// make reads recipes up to LF only (a CR would end up in the file names), so
// this one text file keeps LF line ends.
constexpr char kSdccMakefile[] =
    "# 在本目录执行 make，用 SDCC 生成 main.ihx 和 main.hex\n"
    "CC = sdcc\n"
    "CFLAGS = -mmcs51\n"
    "\n"
    "all: main.hex\n"
    "\n"
    "main.hex: main.ihx\n"
    "\tpackihx main.ihx > main.hex\n"
    "\n"
    "main.ihx: main.c\n"
    "\t$(CC) $(CFLAGS) main.c\n"
    "\n"
    "clean:\n"
    "\trm -f main.asm main.lst main.rel main.rst main.sym main.lk main.map main.mem main.ihx main.hex\n"
    "\n"
    ".PHONY: all clean\n";

}  // namespace

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

SdccExportResult ExportSdccProject(const std::filesystem::path& base, std::string_view codeText) {
    const std::filesystem::path dir = base / kSdccProjectDir;
    std::error_code ignored;
    std::filesystem::create_directory(dir, ignored);
    if (!WriteAnsiTextFile(dir / "Makefile", kSdccMakefile)) return SdccExportResult::MakefileFailed;
    if (!WriteAnsiTextFile(dir / "main.c", codeText)) return SdccExportResult::MainFailed;
    return SdccExportResult::Ok;
}

}  // namespace viz
