// The AVR board as the user sees its output and its tools: the runner's
// messages as plain text, and avr-gcc found through a link on PATH.
#include <gtest/gtest.h>

#include <string>

#include <sys/eventfd.h>
#include <unistd.h>

#include "BoardTestSupport.h"
#include "TempDir.h"
#include "avrsim/RunnerSession.h"
#include "board/AvrBoardRun.h"
#include "board/BoardTools.h"

namespace viz {
namespace {

class OutputRecorder : public BoardEvents {
public:
    void OnOutput(const std::string& text) override { output += text; }
    void OnSimulatorProcess(int) override {}
    void OnReady(const std::string&) override {}
    std::string output;
};

TEST(AvrBoardOutput, TheSimulatorsColouredWarningReachesTheOutputAsPlainText) {
    ASSERT_TRUE(testing::HaveAvrTools()) << "avr-gcc (packages gcc-avr, avr-libc) is not installed";
    testing::TempDir dir;
    std::string log;
    // Writes past the end of RAM, which the simulator reports in red and ends on.
    const auto elf = testing::BuildTestFirmware(dir.path(), "stray.c", "atmega16", "-DUBRR_VALUE=51", log);
    ASSERT_FALSE(elf.empty()) << log;
    const BoardChip chip{
        ChipFamily::Avr, "ATmega16", "atmega16", 16384, {"PORTA", "PORTB", "PORTC", "PORTD"}};
    BoardPins pins;
    pins.Reset(chip.ports);
    OutputRecorder recorder;
    const int stop = ::eventfd(0, EFD_CLOEXEC);
    const RunEnd end =
        RunAvr(AvrRunSetup{VIZ_AVRSIM_RUNNER, chip, 8000000, elf, {}}, stop, -1, pins, recorder);
    ::close(stop);
    ASSERT_EQ(end.kind, RunEnd::Kind::Exited);
    EXPECT_NE(recorder.output.find("CORE: *** Invalid write address"), std::string::npos) << recorder.output;
    EXPECT_EQ(recorder.output.find('\x1b'), std::string::npos) << recorder.output;
    EXPECT_EQ(end.lastOutput.find('\x1b'), std::string::npos) << end.lastOutput;
    EXPECT_NE(end.lastOutput.find("out of ram\n"), std::string::npos) << end.lastOutput;
}

TEST(AvrBoardOutput, AvrGccLinkedIntoPathFindsTheHeadersBesideTheRealCompiler) {
    const std::filesystem::path compiler = testing::FindOnPath("avr-gcc");
    ASSERT_FALSE(compiler.empty()) << "avr-gcc (package gcc-avr) is not installed";
    testing::TempDir bin;
    std::filesystem::create_symlink(std::filesystem::canonical(compiler), bin / "avr-gcc");
    const BoardTools tools =
        FindBoardTools(ChipFamily::Avr, true, ToolSearch{bin.path().string(), VIZ_AVRSIM_RUNNER, {}});
    EXPECT_TRUE(tools.missing.empty()) << DescribeMissing(tools);
    EXPECT_EQ(tools.compiler, bin / "avr-gcc");

    // A compiler with no C library beside it is still told apart.
    std::filesystem::create_directories(bin / "lonely" / "bin");
    std::filesystem::copy_file("/bin/true", bin / "lonely" / "bin" / "avr-gcc");
    const BoardTools lonely = FindBoardTools(
        ChipFamily::Avr, true, ToolSearch{(bin / "lonely" / "bin").string(), VIZ_AVRSIM_RUNNER, {}});
    EXPECT_EQ(DescribeMissing(lonely), "缺少avr/io.h：请安装软件包avr-libc\n");
}

}  // namespace
}  // namespace viz
