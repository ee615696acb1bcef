#include "wizards/c51/Mcu51Export.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <map>
#include <string>

#include "IconvReference.h"
#include "TempDir.h"

namespace viz {
namespace {

std::string ReadFile(const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

void WriteFile(const std::filesystem::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

const std::string kCode = "#include<at89x52.h>\r\n//添加你的代码\r\n";

std::map<KeilTemplate, std::string> Templates() {
    return {{KeilTemplate::Project, std::string("project\r\n\0zero", 15)},
            {KeilTemplate::Options, "options\r\n"},
            {KeilTemplate::Startup, "$NOMOD51\r\n"}};
}

KeilTemplateSource SourceOf(std::map<KeilTemplate, std::string> templates) {
    return [templates](KeilTemplate which) {
        const auto found = templates.find(which);
        return found == templates.end() ? std::string() : found->second;
    };
}

TEST(Mcu51Export, SecondExportReplacesAllFourFiles) {
    testing::TempDir dir;
    const std::filesystem::path project = dir / "M51Project";
    std::filesystem::create_directory(project);
    const std::string longer(5000, 'x');
    for (const char* name : {"M51Project.Uv2", "M51Project.Opt", "STARTUP.A51", "main.c"}) {
        WriteFile(project / name, longer);
    }

    const auto templates = Templates();
    ASSERT_EQ(ExportKeilProject(dir.path(), SourceOf(templates), kCode), KeilExportResult::Ok);
    EXPECT_EQ(ReadFile(project / "M51Project.Uv2"), templates.at(KeilTemplate::Project));
    EXPECT_EQ(ReadFile(project / "M51Project.Opt"), templates.at(KeilTemplate::Options));
    EXPECT_EQ(ReadFile(project / "STARTUP.A51"), templates.at(KeilTemplate::Startup));
    const std::string gbk = testing::Gbk(kCode);
    ASSERT_FALSE(gbk.empty());
    EXPECT_EQ(ReadFile(project / "main.c"), gbk);
}

TEST(Mcu51Export, StopsAtTheFirstFileThatCannotBeWritten) {
    testing::TempDir dir;
    auto templates = Templates();
    templates.erase(KeilTemplate::Options);
    EXPECT_EQ(ExportKeilProject(dir.path(), SourceOf(templates), kCode), KeilExportResult::OptionsFailed);
    EXPECT_TRUE(std::filesystem::exists(dir / "M51Project" / "M51Project.Uv2"));
    EXPECT_FALSE(std::filesystem::exists(dir / "M51Project" / "STARTUP.A51"));

    templates = Templates();
    templates[KeilTemplate::Project].clear();
    EXPECT_EQ(ExportKeilProject(dir.path(), SourceOf(templates), kCode), KeilExportResult::ProjectFailed);
    templates = Templates();
    templates.erase(KeilTemplate::Startup);
    EXPECT_EQ(ExportKeilProject(dir.path(), SourceOf(templates), kCode), KeilExportResult::StartupFailed);

    // A folder standing where main.c belongs is a failure, not a success.
    std::filesystem::create_directory(dir / "M51Project" / "main.c");
    EXPECT_EQ(ExportKeilProject(dir.path(), SourceOf(Templates()), kCode), KeilExportResult::MainFailed);

    // A file standing where the folder belongs fails the first template.
    testing::TempDir blocked;
    WriteFile(blocked / "M51Project", "file");
    EXPECT_EQ(ExportKeilProject(blocked.path(), SourceOf(Templates()), kCode),
              KeilExportResult::ProjectFailed);
}

TEST(Mcu51Export, TextFilesAreCodePage936WithoutTerminator) {
    testing::TempDir dir;
    const std::string text = "/* 单片机 */\r\n";
    ASSERT_TRUE(WriteAnsiTextFile(dir / "C51GuideView.c", text));
    EXPECT_EQ(ReadFile(dir / "C51GuideView.c"), testing::Gbk(text));
    EXPECT_FALSE(WriteAnsiTextFile(dir / "missing" / "C51GuideView.c", text));
}

// The templates the program carries: the fields the project must have, and
// CR LF line ends that a checkout must not have changed.
TEST(Mcu51Export, ProjectTemplatesCarryTheTargetSettings) {
    const std::filesystem::path res = VIZ_C51_TEMPLATE_DIR;
    const std::string project = ReadFile(res / "M51Project.Uv2");
    const std::string options = ReadFile(res / "M51Project.Opt");
    const std::string startup = ReadFile(res / "STARTUP.A51");
    for (const std::string* text : {&project, &options, &startup}) {
        ASSERT_FALSE(text->empty());
        for (std::size_t pos = text->find('\n'); pos != std::string::npos; pos = text->find('\n', pos + 1)) {
            ASSERT_TRUE(pos > 0 && (*text)[pos - 1] == '\r') << "bare line feed at " << pos;
        }
    }
    for (const std::string* text : {&project, &options}) {
        EXPECT_EQ(text->rfind("###", 0), 0u);
        EXPECT_EQ(text->find("\r\n###"), text->find("\r\n"));
        EXPECT_NE(text->find("Target (M51Project), 0x0000 // Tools: 'MCS-51'"), std::string::npos);
    }
    for (const char* field :
         {"Group (Main)", "<.\\STARTUP.A51><STARTUP.A51>", "<.\\Main.c><Main.c>", "Device (AT89S52)",
          "Vendor (Atmel)", "CLOCK(33000000)", "OutDir (.\\output\\)", "OutName (M51Project)", "GenHex=1"}) {
        EXPECT_NE(project.find(field), std::string::npos) << field;
    }
    for (const char* field :
         {"CLK51=33000000", "<.\\STARTUP.A51><STARTUP.A51>", "<.\\Main.c><Main.c>", "-p52"}) {
        EXPECT_NE(options.find(field), std::string::npos) << field;
    }
    EXPECT_EQ(startup.rfind("$NOMOD51\r\n", 0), 0u);
    for (const char* field :
         {"IDATALEN        EQU     80H", "XDATALEN        EQU     0", "PDATALEN        EQU     0",
          "LJMP    ?C_START", "MOV     SP,#?STACK - 1", "CSEG    AT      0"}) {
        EXPECT_NE(startup.find(field), std::string::npos) << field;
    }
}

}  // namespace
}  // namespace viz
