#include "wizards/c51/Mcu51CodeGen.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>

#include <unistd.h>

#include "Mcu51Scenarios.h"
#include "TempDir.h"
#include "platform/CodePage.h"

namespace viz {
namespace {

std::string FindOnPath(const char* program) {
    const char* path = std::getenv("PATH");
    std::string dirs = path ? path : "/usr/bin:/bin";
    std::size_t start = 0;
    while (start <= dirs.size()) {
        const std::size_t end = std::min(dirs.find(':', start), dirs.size());
        const std::string candidate = dirs.substr(start, end - start) + "/" + program;
        if (::access(candidate.c_str(), X_OK) == 0) return candidate;
        start = end + 1;
    }
    return {};
}

// ") interrupt N" becomes ") __interrupt(N)"; the routines use numbers 0..5.
std::string MapInterruptKeyword(const std::string& code) {
    static const std::string kKeyword = ") interrupt ";
    std::string mapped;
    std::size_t from = 0;
    for (std::size_t at; (at = code.find(kKeyword, from)) != std::string::npos;) {
        const std::size_t digit = at + kKeyword.size();
        if (digit >= code.size() || code[digit] < '0' || code[digit] > '9') break;
        mapped += code.substr(from, at - from) + ") __interrupt(" + code[digit] + ")";
        from = digit + 1;
    }
    return mapped + code.substr(from);
}

// Compiles the generated text as the file would be written (code page 936)
// with SDCC, whose keyword form of an interrupt routine is __interrupt(N).
void ExpectCompiles(const std::string& sdcc, const std::string& name,
                    const std::function<void(Mcu51Model&)>& setUp) {
    Mcu51Model model;
    setUp(model);
    const std::string code = EncodeText(Utf8ToUtf16(BuildMcu51Code(model)), CodePage::Ansi);
    const std::string mapped = MapInterruptKeyword(code);
    ASSERT_EQ(mapped.find(") interrupt "), std::string::npos) << name;

    testing::TempDir dir;
    std::ofstream(dir / (name + ".c"), std::ios::binary) << mapped;
    const std::string command =
        "cd '" + dir.path().string() + "' && '" + sdcc + "' -mmcs51 -c " + name + ".c > compile.log 2>&1";
    const int rc = std::system(command.c_str());
    std::ifstream log(dir / "compile.log");
    const std::string output{std::istreambuf_iterator<char>(log), std::istreambuf_iterator<char>()};
    EXPECT_EQ(rc, 0) << name << ":\n" << output;
    EXPECT_TRUE(std::filesystem::exists(dir / (name + ".rel"))) << name;
}

TEST(Mcu51Sdcc, GeneratedCodeCompilesFor8051) {
    const std::string sdcc = FindOnPath("sdcc");
    if (sdcc.empty())
        GTEST_SKIP() << "sdcc is not installed (Debian package sdcc); the setup script installs it";
    ExpectCompiles(sdcc, "all_zero", [](Mcu51Model&) {});
    for (int mode : {0, 1, 2}) {
        ExpectCompiles(sdcc, "all_interrupts_mode" + std::to_string(mode),
                       [mode](Mcu51Model& model) { testing::SetUpAllInterrupts(model, mode, mode, mode); });
    }
    ExpectCompiles(sdcc, "many_mistakes", testing::SetUpManyMistakes);
    ExpectCompiles(sdcc, "power_down", [](Mcu51Model& model) { model.SelectPowerMode(2); });
}

}  // namespace
}  // namespace viz
