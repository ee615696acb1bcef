// The board window of the real program, started as the README starts it
// (build/duvezer, nothing of the build on PATH).
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include <sys/wait.h>
#include <unistd.h>

#include "TempDir.h"
#include "app/ProgramRun.h"

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

}  // namespace
}  // namespace viz
