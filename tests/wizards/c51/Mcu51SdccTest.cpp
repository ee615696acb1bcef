#include "wizards/c51/Mcu51CodeGen.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "Mcu51Scenarios.h"
#include "TempDir.h"
#include "platform/CodePage.h"
#include "wizards/ToolRunner.h"
#include "wizards/c51/Mcu51Export.h"

namespace viz {
namespace {

bool SdccMissing() {
    return testing::FindOnPath("sdcc").empty();
}

// Compiles the SDCC flavour as the file would be written (code page 936).
void ExpectCompiles(const std::string& name, const std::function<void(Mcu51Model&)>& setUp) {
    Mcu51Model model;
    setUp(model);
    const std::string code = BuildMcu51Code(model, Mcu51Compiler::Sdcc);
    EXPECT_EQ(code.find(") interrupt "), std::string::npos) << name;

    testing::TempDir dir;
    std::ofstream(dir / (name + ".c"), std::ios::binary) << EncodeText(Utf8ToUtf16(code), CodePage::Ansi);
    const testing::CommandResult result = testing::RunIn(dir.path(), "sdcc -mmcs51 -c " + name + ".c");
    EXPECT_TRUE(result.ok) << name << ":\n" << result.output;
    EXPECT_TRUE(std::filesystem::exists(dir / (name + ".rel"))) << name;
}

TEST(Mcu51Sdcc, GeneratedCodeCompilesFor8051) {
    if (SdccMissing())
        GTEST_SKIP() << "sdcc is not installed (Debian package sdcc); the setup script installs it";
    ExpectCompiles("all_zero", [](Mcu51Model&) {});
    for (int mode : {0, 1, 2}) {
        ExpectCompiles("all_interrupts_mode" + std::to_string(mode),
                       [mode](Mcu51Model& model) { testing::SetUpAllInterrupts(model, mode, mode, mode); });
    }
    ExpectCompiles("split_timer0", [](Mcu51Model& model) { testing::SetUpAllInterrupts(model, 3, 2, 1); });
    ExpectCompiles("many_mistakes", testing::SetUpManyMistakes);
    ExpectCompiles("power_down", [](Mcu51Model& model) { model.SelectPowerMode(2); });
}

TEST(Mcu51Sdcc, ExportedProjectBuildsWithMake) {
    if (SdccMissing() || testing::FindOnPath("make").empty() || testing::FindOnPath("packihx").empty())
        GTEST_SKIP() << "sdcc or make is not installed; the setup script installs them";
    Mcu51Model model;
    testing::SetUpAllInterrupts(model, 1, 2, 0);
    testing::TempDir dir;
    ASSERT_EQ(ExportSdccProject(dir.path(), BuildMcu51Code(model, Mcu51Compiler::Sdcc)),
              SdccExportResult::Ok);
    const std::filesystem::path project = dir / kSdccProjectDir;
    const testing::CommandResult built = testing::RunIn(project, "make", "../make.log");
    ASSERT_TRUE(built.ok) << built.output;
    EXPECT_TRUE(std::filesystem::exists(project / "main.ihx"));
    // packihx writes Intel HEX records ending in the end-of-file record.
    const std::string hex = testing::ReadFile(project / "main.hex");
    EXPECT_EQ(hex.rfind(":00000001FF"), hex.size() - 12) << hex.substr(0, 80);
    // Nothing but the two sources and what make built.
    const testing::CommandResult cleaned = testing::RunIn(project, "make clean", "../clean.log");
    EXPECT_TRUE(cleaned.ok) << cleaned.output;
    std::vector<std::string> left;
    for (const auto& entry : std::filesystem::directory_iterator(project))
        left.push_back(entry.path().filename());
    std::sort(left.begin(), left.end());
    EXPECT_EQ(left, (std::vector<std::string>{"Makefile", "main.c"}));
}

}  // namespace
}  // namespace viz
