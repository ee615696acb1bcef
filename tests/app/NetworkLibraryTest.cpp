// The network library is opened by the first transfer, not at start: a
// start that fetches nothing never maps it, and one that checks for news
// opens it on the check's own thread and gets the check's answer.
#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <string>
#include <thread>

#include "Patience.h"
#include "TempDir.h"
#include "app/ProgramRun.h"
#include "base/SettingsStore.h"

namespace viz::testing {
namespace {

bool MapsNetworkLibrary(pid_t pid) {
    std::ifstream maps("/proc/" + std::to_string(pid) + "/maps");
    std::string line;
    while (std::getline(maps, line)) {
        if (line.find("/libcurl.so") != std::string::npos) return true;
    }
    return false;
}

bool MapsNetworkLibrarySoon(pid_t pid) {
    const auto deadline = std::chrono::steady_clock::now() + kHangLimit;
    while (!MapsNetworkLibrary(pid)) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
}

TEST(NetworkLibraryTest, OpenedOnlyWhenTheProgramFirstFetches) {
    TempDir quiet;
    {
        SettingsStore store(quiet / "config/Vizuruv/Vizuruv.conf");
        store.WriteMakerInfo();
        store.WriteAutoUpdate(0);
    }
    ProgramRun later(quiet.path(), {});
    ASSERT_EQ(later.ReadLine(), "ready") << later.errors();
    // Every page that works from the start is built once the window has drawn.
    EXPECT_EQ(later.Ask("page"), "串口调试");
    EXPECT_FALSE(MapsNetworkLibrary(later.pid()));
    later.Ask("quit");
    EXPECT_EQ(later.Finish(), 0) << later.errors();

    // A first start checks the (closed loopback) update servers at once.
    TempDir fresh;
    ProgramRun first(fresh.path(), {});
    ASSERT_EQ(first.ReadLine(), "ready") << first.errors();
    EXPECT_TRUE(MapsNetworkLibrarySoon(first.pid()));
    first.Ask("quit");
    EXPECT_EQ(first.Finish(), 0) << first.errors();
}

}  // namespace
}  // namespace viz::testing
