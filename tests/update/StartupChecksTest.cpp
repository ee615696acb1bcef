#include "update/StartupChecks.h"

#include <gtest/gtest.h>

#include <condition_variable>
#include <mutex>

#include "LocalHttpServer.h"
#include "Patience.h"
#include "update/ArchiveDownload.h"

namespace viz {
namespace {

using namespace std::chrono_literals;
using testing::HttpRoute;
using testing::LocalHttpServer;

// Collects what the threads report, for the test thread to wait on.
class Reports {
public:
    StartupEvents Events() {
        return {[this] { Add(u"<new version>"); }, [this](const std::u16string& title) { Add(title); }};
    }
    bool WaitFor(std::size_t count, std::chrono::milliseconds limit = 3000ms) {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, limit, [&] { return seen_.size() >= count; });
    }
    std::vector<std::u16string> seen() {
        std::lock_guard lock(mutex_);
        return seen_;
    }

private:
    void Add(const std::u16string& text) {
        std::lock_guard lock(mutex_);
        seen_.push_back(text);
        changed_.notify_all();
    }

    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<std::u16string> seen_;
};

constexpr StartupTiming kQuick{0ms, 0ms, 30ms};
constexpr StartupTiming kNever{1h, 1h, 1h};

TEST(StartupChecks, NoticesRotateFromTheFirstAndTheNewVersionIsToldOnce) {
    LocalHttpServer server;
    server.Serve(kTitleFilePath, HttpRoute("dodiror#B#C$"));
    server.Serve(kVersionFilePath, HttpRoute("dodiror169"));
    Reports reports;
    {
        StartupChecks checks({server.base(), testing::UnreachableBase()}, reports.Events(), kQuick);
        ASSERT_TRUE(reports.WaitFor(8));
    }
    std::vector<std::u16string> titles = reports.seen();
    const auto told = std::erase(titles, u"<new version>");
    EXPECT_EQ(told, 1u);
    ASSERT_GE(titles.size(), 7u);
    const std::vector<std::u16string> cycle{u"dodiror", u"B", u"C"};
    for (std::size_t i = 0; i < titles.size(); ++i) EXPECT_EQ(titles[i], cycle[i % 3]) << i;
}

TEST(StartupChecks, TheMirrorServesWhenThePrimaryIsDownAndOneNoticeGivesNoTitle) {
    LocalHttpServer mirror;
    mirror.Serve(kTitleFilePath, HttpRoute("dodiror$"));
    mirror.Serve(kVersionFilePath, HttpRoute("dodiror170"));
    Reports reports;
    {
        StartupChecks checks({testing::UnreachableBase(), mirror.base()}, reports.Events(), kQuick);
        ASSERT_TRUE(reports.WaitFor(1));
        EXPECT_FALSE(reports.WaitFor(2, 300ms));
    }
    EXPECT_EQ(reports.seen(), std::vector<std::u16string>{u"<new version>"});
    EXPECT_EQ(mirror.requests(), 2);
}

TEST(StartupChecks, EndingBeforeTheDelaysSendsNothingAndReturnsAtOnce) {
    LocalHttpServer server;
    Reports reports;
    const auto start = std::chrono::steady_clock::now();
    { StartupChecks checks({server.base(), server.base()}, reports.Events(), kNever); }
    EXPECT_LT(std::chrono::steady_clock::now() - start, testing::kHangLimit) << "the delays last an hour";
    EXPECT_EQ(server.requests(), 0);
    EXPECT_TRUE(reports.seen().empty());
}

TEST(DownloadFigures, FollowTheWindowsFormulas) {
    const DownloadFigures first = FiguresOf(10240, 1024, 0ms);
    EXPECT_EQ(first.sizeKb, 10u);
    EXPECT_EQ(first.receivedKb, 1u);
    EXPECT_EQ(first.percent, 10u);
    EXPECT_EQ(first.speedKbPerSecond, 0u);

    // Elapsed seconds are rounded: 1.4 s counts as 1, 2.5 s as 3.
    EXPECT_EQ(FiguresOf(1 << 20, 300 * 1024 + 1023, 1400ms).speedKbPerSecond, 300u);
    EXPECT_EQ(FiguresOf(1 << 20, 300 * 1024, 2500ms).speedKbPerSecond, 100u);
    EXPECT_EQ(FiguresOf(1 << 20, 1 << 20, 2500ms).percent, 100u);

    const DownloadFigures unknown = FiguresOf(std::nullopt, 5000, 1000ms);
    EXPECT_FALSE(unknown.sizeKb);
    EXPECT_FALSE(unknown.percent);
    EXPECT_EQ(unknown.receivedKb, 4u);
    EXPECT_FALSE(FiguresOf(0, 0, 0ms).percent);
}

}  // namespace
}  // namespace viz
