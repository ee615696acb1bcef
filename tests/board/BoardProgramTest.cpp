// The board window of the real program, started as the README starts it
// (build/duvezer, nothing of the build on PATH).
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include <sys/wait.h>
#include <unistd.h>

#include "TempDir.h"
#include "app/ProgramRun.h"
#include "platform/ProcessGroupWatch.h"

namespace viz {
namespace {

using testing::ProgramRun;

TEST(BoardProgram, TheBoardListsTheRunnersAvrPartsAndAStartClearsKilledBoardsFolders) {
    testing::TempDir home;
    const std::filesystem::path tmp = home.path() / "tmp";
    // A folder a board of a killed run left: its process has ended.
    const pid_t ended = ::fork();
    if (ended == 0) ::_exit(0);
    ::waitpid(ended, nullptr, 0);
    const std::filesystem::path left = tmp / ("duvezer-board-" + std::to_string(ended) + "-Qx3kLm");
    std::filesystem::create_directories(left);

    ProgramRun run(home.path(), {}, {{"TMPDIR", tmp.string()}});
    ASSERT_EQ(run.ReadLine(), "ready") << run.errors();
    EXPECT_FALSE(std::filesystem::exists(left));

    ASSERT_EQ(run.Ask("click virtualBoard"), "clicked");
    // The runner is asked for its parts in the background; more than the
    // fallback ATmega16 means it was found.
    const std::string chips = run.AskUntil(
        "items chip", [](const std::string& items) { return items.find("|ATtiny85") != std::string::npos; });
    EXPECT_NE(chips.find("8051|8052|"), std::string::npos) << chips;
    EXPECT_NE(chips.find("|ATmega16|"), std::string::npos) << chips;
    EXPECT_NE(chips.find("|ATtiny85"), std::string::npos) << chips;
    EXPECT_EQ(run.Ask("quit"), "bye");
    EXPECT_EQ(run.Finish(), 0) << run.errors();
}

// s51 idles in 100 ms naps the board's commands would wait out; the program
// preloads the waker built beside it into the s51 it starts.
TEST(BoardProgram, TheEightOFiveOneBoardsS51RunsWithTheWakerBesideTheProgram) {
    if (::access("/usr/bin/s51", X_OK) != 0 || ::access("/usr/bin/sdcc", X_OK) != 0)
        GTEST_SKIP() << "sdcc and s51 are not installed";
    testing::TempDir home;
    const std::filesystem::path firmware = home.path() / "idle.c";
    std::ofstream(firmware) << "void main(void) {\n    for (;;)\n        ;\n}\n";
    ProgramRun run(home.path(), {});
    ASSERT_EQ(run.ReadLine(), "ready") << run.errors();
    ASSERT_EQ(run.Ask("click virtualBoard"), "clicked");
    ASSERT_EQ(run.Ask("wclick useFile"), "clicked");
    ASSERT_EQ(run.Ask("wset file " + firmware.string()), "set");
    ASSERT_EQ(run.Ask("wclick start"), "clicked");

    pid_t s51 = 0;
    for (int i = 0; i < 3000 && s51 == 0; ++i) {
        s51 = testing::DescendantNamed(run.pid(), "s51");
        if (s51 == 0) ::usleep(10000);
    }
    ASSERT_GT(s51, 0) << run.errors();
    // Once the loader has mapped the C library, a preloaded library is there too.
    std::string maps;
    for (int i = 0; i < 3000 && maps.find("/libc.so") == std::string::npos; ++i) {
        maps = testing::ReadFile("/proc/" + std::to_string(s51) + "/maps");
        if (maps.find("/libc.so") == std::string::npos) ::usleep(10000);
    }
    EXPECT_NE(maps.find("/duvezer-s51wake.so"), std::string::npos) << maps;
    ASSERT_EQ(run.Ask("wclick stop"), "clicked");
    EXPECT_EQ(run.Ask("quit"), "bye");
    EXPECT_EQ(run.Finish(), 0) << run.errors();
}

}  // namespace
}  // namespace viz
