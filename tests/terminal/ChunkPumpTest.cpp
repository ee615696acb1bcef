#include "terminal/ChunkPump.h"

#include <QEventLoop>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <future>
#include <thread>

#include "PageTestSupport.h"
#include "Patience.h"

namespace viz {
namespace {

using namespace std::chrono_literals;

Chunk Numbered(std::uint32_t sequence) {
    Chunk chunk;
    chunk.bytes.resize(64);
    std::memcpy(chunk.bytes.data(), &sequence, sizeof sequence);
    chunk.readTime = std::chrono::steady_clock::now();
    return chunk;
}

TEST(ChunkPumpTest, ChunksFromAReaderThreadArriveInOrderOnTheUiThreadInFewPasses) {
    CChunkPump pump(nullptr, {.maxBytes = 64 * 100, .maxChunks = 100});
    const auto uiThread = std::this_thread::get_id();
    std::uint32_t expected = 0;
    bool inOrder = true;
    bool onUiThread = true;
    int passes = 0;
    pump.setDelivery(
        [&](const Chunk& chunk) {
            std::uint32_t sequence = 0;
            std::memcpy(&sequence, chunk.bytes.data(), sizeof sequence);
            inOrder = inOrder && sequence == expected++;
            onUiThread = onUiThread && std::this_thread::get_id() == uiThread;
        },
        [&] { ++passes; });
    constexpr std::uint32_t kChunks = 20000;
    std::thread reader([&] {
        for (std::uint32_t i = 0; i < kChunks; ++i) ASSERT_TRUE(pump.sink().Push(Numbered(i)));
    });
    // A plain event loop, as the program runs it, until the last chunk is in.
    QEventLoop loop;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (expected == kChunks) loop.quit();
    });
    poll.start(5);
    QTimer::singleShot(20000, &loop, &QEventLoop::quit);
    loop.exec();
    reader.join();
    EXPECT_EQ(expected, kChunks);
    EXPECT_TRUE(inOrder);
    EXPECT_TRUE(onUiThread);
    EXPECT_GT(passes, 0);
    EXPECT_LT(passes, static_cast<int>(kChunks) / 10) << "waiting chunks are drained together";
}

TEST(ChunkPumpTest, CloseReleasesABlockedReaderAndNothingIsDeliveredAfterIt) {
    CChunkPump pump(nullptr, {.maxBytes = 64 * 4, .maxChunks = 4});
    int delivered = 0;
    pump.setDelivery([&](const Chunk&) { ++delivered; }, {});
    std::atomic<int> accepted = 0;
    std::atomic<pid_t> readerThread = 0;
    auto reader = std::async(std::launch::async, [&] {
        readerThread = testing::ThisThread();
        for (std::uint32_t i = 0;; ++i) {
            if (!pump.sink().Push(Numbered(i))) return;
            ++accepted;
        }
    });
    // The UI thread is busy elsewhere: the reader fills the bound and waits.
    const auto deadline = std::chrono::steady_clock::now() + 5s;
    while (accepted.load() < 4 && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(1ms);
    EXPECT_TRUE(testing::WaitUntilSleeping(readerThread));
    EXPECT_EQ(accepted.load(), 4);
    pump.Close();
    EXPECT_EQ(reader.wait_for(testing::kHangLimit), std::future_status::ready);
    EXPECT_TRUE(testing::HandlePostedEvents());
    EXPECT_EQ(delivered, 0) << "the wake-up posted before the close delivers nothing";

    pump.Open();
    ASSERT_TRUE(pump.sink().Push(Numbered(0)));
    EXPECT_TRUE(QTest::qWaitFor([&] { return delivered == 1; }, 20000));
}

TEST(ChunkPumpTest, DestroyingThePumpWithAWakeUpPendingIsSafe) {
    auto* pump = new CChunkPump;
    int delivered = 0;
    pump->setDelivery([&](const Chunk&) { ++delivered; }, {});
    std::thread reader([pump] {
        for (std::uint32_t i = 0; i < 10; ++i) pump->sink().Push(Numbered(i));
    });
    reader.join();
    delete pump;
    EXPECT_TRUE(testing::HandlePostedEvents());
    EXPECT_EQ(delivered, 0);
}

}  // namespace
}  // namespace viz
