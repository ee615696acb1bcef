#include "terminal/ChunkHandoff.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <future>
#include <mutex>
#include <random>
#include <thread>
#include <vector>

#include "Patience.h"

namespace viz {
namespace {

using namespace std::chrono_literals;

// Stands in for the UI thread's event queue: wake() posts, WaitForWake() takes.
class WakeSignal {
public:
    void Post() {
        std::lock_guard lock(mutex_);
        ++posted_;
        cv_.notify_all();
    }
    bool WaitForWake(std::chrono::milliseconds timeout) {
        std::unique_lock lock(mutex_);
        if (!cv_.wait_for(lock, timeout, [&] { return taken_ < posted_; })) return false;
        ++taken_;
        return true;
    }
    int posted() {
        std::lock_guard lock(mutex_);
        return posted_;
    }

private:
    std::mutex mutex_;
    std::condition_variable cv_;
    int posted_ = 0;
    int taken_ = 0;
};

// Polls `done` for up to five seconds (the machine may be busy).
template <typename Predicate>
bool WaitUntil(Predicate done) {
    const auto deadline = std::chrono::steady_clock::now() + 5s;
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(1ms);
    }
    return true;
}

Chunk Numbered(std::uint32_t sequence, std::size_t size) {
    Chunk chunk;
    chunk.bytes.resize(std::max<std::size_t>(size, sizeof sequence));
    std::memcpy(chunk.bytes.data(), &sequence, sizeof sequence);
    chunk.readTime = std::chrono::steady_clock::now();
    return chunk;
}

std::uint32_t SequenceOf(const Chunk& chunk) {
    std::uint32_t sequence = 0;
    std::memcpy(&sequence, chunk.bytes.data(), sizeof sequence);
    return sequence;
}

TEST(ChunkHandoffTest, DeliversEveryChunkInOrderUnderAFastProducer) {
    WakeSignal wake;
    ChunkHandoff handoff([&] { wake.Post(); }, {.maxBytes = 4096, .maxChunks = 64});
    constexpr std::uint32_t kChunks = 50000;
    std::uint64_t pushedBytes = 0;
    std::thread producer([&] {
        std::mt19937 random(7);
        for (std::uint32_t i = 0; i < kChunks; ++i) {
            Chunk chunk = Numbered(i, random() % 300);
            pushedBytes += chunk.bytes.size();
            ASSERT_TRUE(handoff.Push(std::move(chunk)));
        }
    });
    std::uint32_t expected = 0;
    std::uint64_t deliveredBytes = 0;
    bool inOrder = true;
    std::size_t passes = 0;
    while (expected < kChunks && wake.WaitForWake(10s)) {
        ++passes;
        handoff.Drain([&](const Chunk& chunk) {
            inOrder = inOrder && SequenceOf(chunk) == expected;
            ++expected;
            deliveredBytes += chunk.bytes.size();
        });
    }
    producer.join();
    EXPECT_TRUE(inOrder);
    EXPECT_EQ(expected, kChunks);
    EXPECT_EQ(deliveredBytes, pushedBytes);
    EXPECT_LT(passes, kChunks) << "waiting chunks are taken together, one wake-up per pass";
}

TEST(ChunkHandoffTest, OneWakeUpCoversEveryChunkWaitingForTheNextPass) {
    WakeSignal wake;
    ChunkHandoff handoff([&] { wake.Post(); });
    for (std::uint32_t i = 0; i < 10; ++i) ASSERT_TRUE(handoff.Push(Numbered(i, 8)));
    EXPECT_EQ(wake.posted(), 1);
    EXPECT_EQ(handoff.Drain([](const Chunk&) {}), 10u);
    EXPECT_EQ(handoff.Drain([](const Chunk&) {}), 0u);
    ASSERT_TRUE(handoff.Push(Numbered(10, 8)));
    EXPECT_EQ(wake.posted(), 2) << "the first chunk after a pass wakes the page again";
}

TEST(ChunkHandoffTest, ReaderWaitsWhenThePageIsFarBehindAndNothingIsDropped) {
    WakeSignal wake;
    ChunkHandoff handoff([&] { wake.Post(); }, {.maxBytes = 1000, .maxChunks = 1000});
    std::atomic<int> pushed = 0;
    std::atomic<pid_t> producerThread = 0;
    std::thread producer([&] {
        producerThread = testing::ThisThread();
        for (std::uint32_t i = 0; i < 100; ++i) {
            if (!handoff.Push(Numbered(i, 100))) return;
            ++pushed;
        }
    });
    ASSERT_TRUE(WaitUntil([&] { return pushed.load() == 10; }));
    EXPECT_TRUE(testing::WaitUntilSleeping(producerThread));
    EXPECT_EQ(pushed.load(), 10) << "the reader blocks at the bound instead of queueing more";
    EXPECT_EQ(handoff.waitingBytes(), 1000u);

    std::uint32_t expected = 0;
    std::size_t mostWaiting = 0;
    while (expected < 100 && wake.WaitForWake(5s)) {
        handoff.Drain([&](const Chunk& chunk) {
            EXPECT_EQ(SequenceOf(chunk), expected++);
            mostWaiting = std::max(mostWaiting, handoff.waitingBytes());
        });
    }
    producer.join();
    EXPECT_EQ(expected, 100u);
    EXPECT_LE(mostWaiting, 1000u);
}

TEST(ChunkHandoffTest, ChunkCountIsBoundedAndAnOversizedChunkStillPasses) {
    ChunkHandoff handoff([] {}, {.maxBytes = 100, .maxChunks = 3});
    std::atomic<int> pushed = 0;
    std::atomic<pid_t> producerThread = 0;
    std::thread producer([&] {
        producerThread = testing::ThisThread();
        for (std::uint32_t i = 0; i < 4; ++i) {
            if (handoff.Push(Numbered(i, 4))) ++pushed;
        }
        if (handoff.Push(Numbered(4, 5000))) ++pushed;
    });
    ASSERT_TRUE(WaitUntil([&] { return pushed.load() == 3; }));
    EXPECT_TRUE(testing::WaitUntilSleeping(producerThread));
    EXPECT_EQ(pushed.load(), 3);
    EXPECT_EQ(handoff.Drain([](const Chunk&) {}), 3u);
    std::vector<std::size_t> sizes;
    EXPECT_TRUE(WaitUntil([&] {
        handoff.Drain([&](const Chunk& chunk) { sizes.push_back(chunk.bytes.size()); });
        return sizes.size() >= 2;
    }));
    producer.join();
    EXPECT_EQ(pushed.load(), 5);
    EXPECT_EQ(sizes, (std::vector<std::size_t>{4, 5000}));
}

// The producer pushes until it is refused; the "UI" thread drains; Close()
// comes from the UI thread between passes, from inside a delivery, or from a
// third thread during a pass. Whatever the timing: no deadlock, nothing after
// Close() returns, and what was processed is exactly an ordered prefix.
void RaceCloseAgainstProducer(int variant, unsigned seed) {
    WakeSignal wake;
    ChunkHandoff handoff([&] { wake.Post(); }, {.maxBytes = 2048, .maxChunks = 16});
    std::atomic<bool> closeReturned = false;
    std::atomic<bool> deliveredAfterClose = false;
    std::atomic<std::uint32_t> accepted = 0;
    auto producer = std::async(std::launch::async, [&] {
        for (std::uint32_t i = 0;; ++i) {
            if (!handoff.Push(Numbered(i, 1 + i % 200))) return;
            ++accepted;
        }
    });

    std::mt19937 random(seed);
    const std::uint32_t closeAfter = random() % 3000;
    std::uint32_t expected = 0;
    std::uint64_t processedBytes = 0;
    std::uint64_t expectedBytes = 0;
    bool inOrder = true;
    std::thread closer;
    auto deliver = [&](const Chunk& chunk) {
        if (closeReturned) deliveredAfterClose = true;
        inOrder = inOrder && SequenceOf(chunk) == expected;
        expectedBytes += std::max<std::uint64_t>(4, 1 + expected % 200);
        ++expected;
        processedBytes += chunk.bytes.size();
        if (variant == 1 && expected == closeAfter) {
            handoff.Close();
            closeReturned = true;
        }
        if (variant == 2 && expected == closeAfter) {
            closer = std::thread([&] {
                handoff.Close();
                closeReturned = true;
            });
        }
    };
    while (!closeReturned && expected < closeAfter + 5000) {
        if (variant == 0 && expected >= closeAfter) {
            handoff.Close();
            closeReturned = true;
            break;
        }
        if (wake.WaitForWake(20ms)) handoff.Drain(deliver);
        if (variant == 2 && closer.joinable()) {
            closer.join();
        }
    }
    if (!closeReturned) {
        handoff.Close();
        closeReturned = true;
    }
    if (closer.joinable()) closer.join();
    // Posted wake-ups that arrive after the close find nothing to deliver.
    while (wake.WaitForWake(1ms)) EXPECT_EQ(handoff.Drain(deliver), 0u);

    ASSERT_EQ(producer.wait_for(5s), std::future_status::ready) << "the reader must not stay blocked";
    EXPECT_FALSE(deliveredAfterClose);
    EXPECT_TRUE(inOrder);
    EXPECT_EQ(processedBytes, expectedBytes);
    EXPECT_LE(expected, accepted.load());
    EXPECT_FALSE(handoff.Push(Numbered(0, 1)));
}

TEST(ChunkHandoffTest, CloseFromTheUiThreadBetweenPassesRacingTheProducer) {
    for (unsigned seed = 0; seed < 30; ++seed) RaceCloseAgainstProducer(0, seed);
}

TEST(ChunkHandoffTest, CloseFromInsideADeliveryStopsThePass) {
    for (unsigned seed = 0; seed < 30; ++seed) RaceCloseAgainstProducer(1, seed);
}

TEST(ChunkHandoffTest, CloseFromAnotherThreadDuringAPassWaitsForTheDelivery) {
    for (unsigned seed = 0; seed < 30; ++seed) RaceCloseAgainstProducer(2, seed);
}

TEST(ChunkHandoffTest, ReopenedHandoffCarriesTheNextSessionOnly) {
    WakeSignal wake;
    ChunkHandoff handoff([&] { wake.Post(); });
    ASSERT_TRUE(handoff.Push(Numbered(1, 4)));
    handoff.Close();
    EXPECT_FALSE(handoff.Push(Numbered(2, 4)));
    handoff.Open();
    ASSERT_TRUE(handoff.Push(Numbered(3, 4)));
    std::vector<std::uint32_t> seen;
    handoff.Drain([&](const Chunk& chunk) { seen.push_back(SequenceOf(chunk)); });
    EXPECT_EQ(seen, std::vector<std::uint32_t>{3}) << "chunks waiting at the close are never delivered";
}

TEST(ChunkHandoffTest, NestedDrainLeavesTheRestToTheOuterPassWhichWakesAgain) {
    WakeSignal wake;
    ChunkHandoff handoff([&] { wake.Post(); });
    for (std::uint32_t i = 0; i < 3; ++i) ASSERT_TRUE(handoff.Push(Numbered(i, 4)));
    std::vector<std::uint32_t> seen;
    bool nested = false;
    int postedAfterNested = 0;
    handoff.Drain([&](const Chunk& chunk) {
        seen.push_back(SequenceOf(chunk));
        if (!nested) {
            nested = true;
            ASSERT_TRUE(handoff.Push(Numbered(3, 4)));
            EXPECT_EQ(handoff.Drain([&](const Chunk&) { ADD_FAILURE() << "nested delivery"; }), 0u);
            postedAfterNested = wake.posted();
        }
    });
    EXPECT_EQ(seen, (std::vector<std::uint32_t>{0, 1, 2}));
    EXPECT_GT(wake.posted(), postedAfterNested) << "the chunk the nested drain left is announced again";
    handoff.Drain([&](const Chunk& chunk) { seen.push_back(SequenceOf(chunk)); });
    EXPECT_EQ(seen.back(), 3u);
}

}  // namespace
}  // namespace viz
