#include "update/ArchiveDownload.h"

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
        ArchiveDownload download(server.base() + kArchivePath, target, done, 1h);
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

}  // namespace
}  // namespace viz
