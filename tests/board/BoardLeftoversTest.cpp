// What a board leaves when the program running it is killed: no compiler
// or grandchild of it runs on, and the board's folder goes at the next start.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <string>

#include <poll.h>
#include <signal.h>
#include <sys/eventfd.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "BoardTestSupport.h"
#include "TempDir.h"
#include "board/FirmwareBuild.h"
#include "platform/ProcessGroupWatch.h"
#include "platform/WorkFolder.h"

namespace viz {
namespace {

// TMPDIR pointed at a folder of the test's own while it lives.
class OwnTemporaryFolder {
public:
    OwnTemporaryFolder() {
        const char* old = std::getenv("TMPDIR");
        if (old) old_ = old;
        hadOld_ = old != nullptr;
        ::setenv("TMPDIR", dir_.path().c_str(), 1);
    }
    ~OwnTemporaryFolder() {
        if (hadOld_) {
            ::setenv("TMPDIR", old_.c_str(), 1);
        } else {
            ::unsetenv("TMPDIR");
        }
    }
    const std::filesystem::path& path() const { return dir_.path(); }

private:
    testing::TempDir dir_;
    std::string old_;
    bool hadOld_ = false;
};

// The board's and downloads' work folders in `dir`.
std::vector<std::string> BoardFolders(const std::filesystem::path& dir) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir)) {
        const std::string name = entry.path().filename().string();
        if (name.starts_with("duvezer-board-") || name.starts_with("duvezer-flash-")) names.push_back(name);
    }
    std::sort(names.begin(), names.end());
    return names;
}

// A process that has ended and been collected: its number names no one.
pid_t EndedProcess() {
    const pid_t child = ::fork();
    if (child == 0) ::_exit(0);
    ::waitpid(child, nullptr, 0);
    return child;
}

const BoardChip kAtmega16{ChipFamily::Avr, "ATmega16", "atmega16", 16384, {"PORTA"}};

class OutputRecorder : public BoardListener {
public:
    void OnOutput(const std::string& text) override {
        std::lock_guard lock(mutex_);
        output_ += text;
    }
    void OnSimulatorProcess(int) override {}
    void OnReady(const std::string&) override {}
    void OnPhase(BoardPhase) override {}
    void OnEnded(const BoardOutcome&) override {
        std::lock_guard lock(mutex_);
        ended_ = true;
        changed_.notify_all();
    }
    // Whether the run ended within a patience only a hang exhausts.
    bool WaitEnded() {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, std::chrono::seconds(30), [&] { return ended_; });
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    std::string output_;
    bool ended_ = false;
};

TEST(BoardLeftovers, ABoardsFolderIsNamedForItsProcessAndGoesWithTheBoard) {
    ASSERT_TRUE(testing::HaveAvrTools()) << "avr-gcc (packages gcc-avr, avr-libc) is not installed";
    OwnTemporaryFolder tmp;
    const std::filesystem::path source = tmp.path() / "endless.c";
    ASSERT_EQ(::mkfifo(source.c_str(), 0600), 0);
    OutputRecorder recorder;
    BoardSession board(recorder);
    BoardConfig config{kAtmega16, 8000000, false, {}, source, testing::TestToolSearch()};
    ASSERT_TRUE(board.Start(config));
    std::vector<std::string> folders;
    for (int look = 0; look < 1500 && folders.empty(); ++look) {
        folders = BoardFolders(tmp.path());
        if (folders.empty()) ::usleep(20000);
    }
    ASSERT_EQ(folders.size(), 1u);
    EXPECT_TRUE(folders[0].starts_with("duvezer-board-" + std::to_string(::getpid()) + "-")) << folders[0];
    board.Stop();
    ASSERT_TRUE(recorder.WaitEnded());
    EXPECT_TRUE(BoardFolders(tmp.path()).empty());
}

TEST(BoardLeftovers, KilledDuringAnAvrBuildTheCompilerDiesAndTheFolderGoesAtTheNextStart) {
    ASSERT_TRUE(testing::HaveAvrTools()) << "avr-gcc (packages gcc-avr, avr-libc) is not installed";
    OwnTemporaryFolder tmp;
    // The compiler's cc1 waits on this source for ever, as on one it cannot finish.
    const std::filesystem::path source = tmp.path() / "endless.c";
    ASSERT_EQ(::mkfifo(source.c_str(), 0600), 0);

    // The board's build, on the forked process's only thread (a fork starts
    // no threads of its own).
    const pid_t window = ::fork();
    ASSERT_GE(window, 0);
    if (window == 0) {
        std::string folder = WorkFolderPattern(kBoardWork);
        if (!::mkdtemp(folder.data())) ::_exit(1);
        const BuildRequest request{kAtmega16, 8000000, testing::FindOnPath("avr-gcc"), folder, {}, source};
        const int neverStops = ::eventfd(0, EFD_CLOEXEC);
        OutputRecorder ignored;
        BuildFirmware(request, neverStops, ignored);
        ::_exit(1);
    }
    // The compiler proper, started by avr-gcc in the board's group.
    pid_t group = 0;
    for (int look = 0; look < 1500 && group == 0; ++look) {
        for (const testing::ProcessEntry& process : testing::Processes()) {
            if (process.name != "cc1") continue;
            for (const testing::ProcessEntry& leader : testing::Processes()) {
                if (leader.pid == process.group && leader.parent == window) group = process.group;
            }
        }
        if (group == 0) ::usleep(20000);
    }
    ASSERT_NE(group, 0) << "no cc1 of the board's build appeared";

    ::kill(window, SIGKILL);
    ::waitpid(window, nullptr, 0);
    EXPECT_TRUE(testing::GroupEnds(group)) << testing::Describe(testing::LivingMembers(group));

    // The killed board's folder is there until a start clears it; a folder
    // of a running process and an unmarked one stay.
    const std::vector<std::string> left = BoardFolders(tmp.path());
    ASSERT_EQ(left.size(), 1u);
    EXPECT_TRUE(left[0].starts_with("duvezer-board-" + std::to_string(window) + "-")) << left[0];
    const std::string running = "duvezer-board-" + std::to_string(::getppid()) + "-aaaaaa";
    std::filesystem::create_directory(tmp.path() / running);
    std::filesystem::create_directory(tmp.path() / "duvezer-board-older");
    const std::string ended = "duvezer-board-" + std::to_string(EndedProcess()) + "-bbbbbb";
    std::filesystem::create_directory(tmp.path() / ended);
    std::ofstream(tmp.path() / ended / "main.elf") << "firmware";
    // A download killed while its tool ran left its copy of the firmware.
    const std::string flash = "duvezer-flash-" + std::to_string(EndedProcess()) + "-dddddd";
    std::filesystem::create_directory(tmp.path() / flash);
    std::ofstream(tmp.path() / flash / "firmware.hex") << ":00000001FF\n";
    // A link named like a folder is never followed.
    const testing::TempDir target;
    std::ofstream(target.path() / "keep.txt") << "mine";
    const std::string link = "duvezer-board-" + std::to_string(EndedProcess()) + "-cccccc";
    std::filesystem::create_directory_symlink(target.path(), tmp.path() / link);

    RemoveWorkFoldersOfEndedProcesses();
    std::vector<std::string> kept{link, running, "duvezer-board-older"};
    std::sort(kept.begin(), kept.end());
    EXPECT_EQ(BoardFolders(tmp.path()), kept);
    EXPECT_TRUE(std::filesystem::exists(target.path() / "keep.txt"));
}

}  // namespace
}  // namespace viz
