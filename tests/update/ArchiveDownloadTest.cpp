#include "update/ArchiveDownload.h"

#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <condition_variable>
#include <fstream>
#include <mutex>

#include "LocalHttpServer.h"
#include "UpdateTestSupport.h"
#include "TempDir.h"
#include "update/UpdateServers.h"

namespace viz {
namespace {

using namespace std::chrono_literals;
using testing::HttpRoute;
using testing::LocalHttpServer;
using testing::FilesIn;
using testing::ReadFile;

// Writes down each report as a word, in the order the worker made them.
class Recorder : public DownloadListener {
public:
    void OnChecking() override { Add("checking"); }
    void OnStarted(std::optional<std::uint64_t> total, const std::string&) override {
        Add("started " + (total ? std::to_string(*total) : "?"));
    }
    void OnProgress(const DownloadProgress& progress) override {
        Add("progress " + std::to_string(progress.received));
    }
    void OnEnded(DownloadResult result, const std::string& error) override {
        Add("ended " + std::to_string(static_cast<int>(result)) + error);
    }
    bool WaitForEnd() {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, 5s,
                                 [&] { return !words_.empty() && words_.back().starts_with("ended"); });
    }
    bool WaitForProgress() {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, 5s, [&] { return words_.size() > 2; });
    }
    std::vector<std::string> words() {
        std::lock_guard lock(mutex_);
        return words_;
    }

private:
    void Add(std::string word) {
        std::lock_guard lock(mutex_);
        words_.push_back(std::move(word));
        changed_.notify_all();
    }
    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<std::string> words_;
};

TEST(ArchiveDownload, ReportsInOrderAndReplacesTheTargetOnlyWhenWhole) {
    LocalHttpServer server;
    testing::TempDir dir;
    const std::filesystem::path target = dir / "Duvezer.rar";
    std::ofstream(target) << "old";

    HttpRoute archive(std::string(5000, 'a'));
    server.Serve(kArchivePath, archive);
    Recorder done;
    {
        ArchiveDownload download(server.base() + kArchivePath, target, done, {.progressInterval = 1h});
        ASSERT_TRUE(done.WaitForEnd());
    }
    EXPECT_EQ(done.words(), (std::vector<std::string>{"checking", "started 5000", "progress 1024",
                                                      "progress 5000", "ended 0"}));
    EXPECT_EQ(ReadFile(target), archive.body);

    HttpRoute slow(std::string(100 * 1024, 'b'));
    slow.blockBytes = 1024;
    slow.blockPause = 20ms;
    server.Serve(kArchivePath, slow);
    Recorder cancelled;
    {
        ArchiveDownload download(server.base() + kArchivePath, target, cancelled);
        ASSERT_TRUE(cancelled.WaitForProgress());
        download.Cancel();
        ASSERT_TRUE(cancelled.WaitForEnd());
    }
    EXPECT_EQ(cancelled.words().back(), "ended 1");
    EXPECT_EQ(ReadFile(target), archive.body);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);
}

// A server that accepts and never answers, and one that sends a byte a
// second: with a one-second window both end as failed, in Chinese, and take
// their temporary file with them.
TEST(ArchiveDownload, AServerThatGoesSilentOrTricklesEndsTheDownloadAndItsPart) {
    LocalHttpServer server;
    testing::TempDir dir;
    const std::filesystem::path target = dir / "Duvezer.rar";
    std::ofstream(target) << "old";
    HttpRoute silent("never sent");
    silent.silence = 1h;
    HttpRoute trickle(std::string(100, 't'));
    trickle.blockBytes = 1;
    trickle.blockPause = 1s;
    const DownloadOptions options{.lowSpeedWindow = 1s, .lowSpeedBytesPerSecond = 100};

    for (const HttpRoute& route : {silent, trickle}) {
        server.Serve(kArchivePath, route);
        Recorder recorder;
        const auto start = std::chrono::steady_clock::now();
        {
            ArchiveDownload download(server.base() + kArchivePath, target, recorder, options);
            ASSERT_TRUE(recorder.WaitForEnd());
        }
        EXPECT_LT(std::chrono::steady_clock::now() - start, 4s);
        EXPECT_EQ(recorder.words().back(), "ended 2下载停滞：连续1秒每秒收到的数据不足100字节，已停止下载");
        EXPECT_EQ(FilesIn(dir.path()), std::vector<std::string>{"Duvezer.rar"});
        EXPECT_EQ(ReadFile(target), "old");
    }
}

TEST(ArchiveDownload, TemporaryFilesOfEndedProcessesGoAfterADownloadAndAtStart) {
    const pid_t child = ::fork();
    if (child == 0) ::_exit(0);
    ::waitpid(child, nullptr, 0);  // a process that has ended
    testing::TempDir dir;
    const std::filesystem::path target = dir / "Duvezer.rar";
    const auto part = [&](const std::string& name) {
        std::ofstream(dir / name) << "part";
        return name;
    };
    const std::string dead = part("Duvezer.rar.part-" + std::to_string(child) + "-0");
    const std::string running = part("Duvezer.rar.part-" + std::to_string(::getppid()) + "-3");
    const std::string ours = part("Duvezer.rar.part-" + std::to_string(::getpid()) + "-7");
    const std::string unnumbered = part("Duvezer.rar.part-" + std::to_string(child));
    const std::string otherFile = part("Notes.rar.part-" + std::to_string(child) + "-0");

    LocalHttpServer server;
    server.Serve(kArchivePath, HttpRoute("archive"));
    Recorder recorder;
    {
        ArchiveDownload download(server.base() + kArchivePath, target, recorder);
        ASSERT_TRUE(recorder.WaitForEnd());
    }
    // Another download of this process may still be writing its own.
    std::vector<std::string> expected{"Duvezer.rar", running, ours, unnumbered, otherFile};
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(FilesIn(dir.path()), expected);

    // At start nothing of this process runs: a file with its number is an earlier process's.
    ArchiveDownload::RemoveLeftovers(target, OwnFiles::Remove);
    expected.erase(std::find(expected.begin(), expected.end(), ours));
    EXPECT_EQ(FilesIn(dir.path()), expected);
}

}  // namespace
}  // namespace viz
