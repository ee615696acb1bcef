#include "tools/ConversionTask.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

namespace viz {
namespace {

using namespace std::chrono_literals;

bool WaitUntil(const std::function<bool()>& condition) {
    const auto limit = std::chrono::steady_clock::now() + 10s;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > limit) return false;
        std::this_thread::sleep_for(1ms);
    }
    return true;
}

TEST(ConversionTaskTest, WorkRunsAwayFromTheCallerAndHandsBackItsResult) {
    ConversionTask task;
    std::atomic<bool> release{false};
    std::thread::id worker;
    int shown = 0;
    task.Start([&](ConversionProgress& progress) -> ConversionTask::Finish {
        worker = std::this_thread::get_id();
        progress.Report(3, 4);
        while (!release) std::this_thread::sleep_for(1ms);
        return [&shown] { shown = 42; };
    });
    ASSERT_TRUE(WaitUntil([&] { return task.progress().position() == 7500; }));
    EXPECT_TRUE(task.running());
    EXPECT_FALSE(task.finished()) << "Start returned while the work is still going";
    release = true;
    ASSERT_TRUE(WaitUntil([&] { return task.finished(); }));
    task.Take()();
    EXPECT_EQ(shown, 42);
    EXPECT_NE(worker, std::this_thread::get_id());
    EXPECT_FALSE(task.running());

    // The task can be used again, with fresh progress.
    task.Start([](ConversionProgress&) -> ConversionTask::Finish { return [] {}; });
    EXPECT_EQ(task.progress().position(), 0u);
    ASSERT_TRUE(WaitUntil([&] { return task.finished(); }));
    EXPECT_TRUE(task.Take());
}

TEST(ConversionTaskTest, DestroyingTheTaskStopsTheWork) {
    std::atomic<bool> stopped{false};
    {
        ConversionTask task;
        std::atomic<bool> started{false};
        task.Start([&](ConversionProgress& progress) -> ConversionTask::Finish {
            started = true;
            while (!progress.stopRequested()) std::this_thread::sleep_for(1ms);
            stopped = true;
            return nullptr;
        });
        ASSERT_TRUE(WaitUntil([&] { return started.load(); }));
    }
    EXPECT_TRUE(stopped) << "the destructor waited for the work to end";
}

}  // namespace
}  // namespace viz
