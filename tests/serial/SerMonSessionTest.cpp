// The page's watch session against the helper: what it hands to the page,
// how received bytes are batched, and how it starts, stops and fails.
#include <condition_variable>
#include <mutex>
#include <optional>

#include "SerMonTestSupport.h"
#include "sermon/SerMonServerFixture.h"
#include "serial/SerMonSession.h"

namespace viz::testing {
namespace {

using namespace sermon;

// What one session reported on its thread, for the test's thread.
class SessionLog {
public:
    SessionEvents Events() {
        SessionEvents events;
        events.started = [this](const StartOutcome& outcome) { Note([&] { started_ = outcome; }); };
        events.stopped = [this](bool answered) { Note([&] { stopped_ = answered; }); };
        events.failed = [this] { Note([&] { failed_ = true; }); };
        return events;
    }

    StartOutcome WaitStarted() {
        std::unique_lock lock(mutex_);
        EXPECT_TRUE(changed_.wait_for(lock, 5s, [&] { return started_.has_value(); }));
        return started_.value_or(StartOutcome{StartOutcome::Result::Unreachable, -1, 0, {}});
    }
    std::optional<bool> WaitStopped() {
        std::unique_lock lock(mutex_);
        changed_.wait_for(lock, 5s, [&] { return stopped_.has_value(); });
        return stopped_;
    }
    bool WaitFailed() {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, 5s, [&] { return failed_; });
    }

private:
    template <typename Change>
    void Note(Change change) {
        std::lock_guard lock(mutex_);
        change();
        changed_.notify_all();
    }

    std::mutex mutex_;
    std::condition_variable changed_;
    std::optional<StartOutcome> started_;
    std::optional<bool> stopped_;
    bool failed_ = false;
};

bool WaitFor(const std::function<bool()>& condition) {
    for (int i = 0; i < 2000 && !condition(); ++i) std::this_thread::sleep_for(10ms);
    return condition();
}

class WatchSession : public SerMonHelperTest {
protected:
    // The records handed to the page, once at least `count` have come.
    std::vector<SerMonRecord> Records(std::size_t count) {
        EXPECT_TRUE(WaitFor([&] { return sink.AcceptedCount() >= count; }));
        std::vector<SerMonRecord> records;
        for (const Chunk& chunk : sink.Accepted()) records.push_back(DecodeForTest(chunk.bytes));
        return records;
    }

    ChunkCollector sink;
    SessionLog log;
};

TEST_F(WatchSession, BatchesReceivedBytesPerBurstKeepsTheOrderAndStopsOnRequest) {
    SerMonSession session(socket, board.slave(), sink, log.Events());
    const StartOutcome outcome = log.WaitStarted();
    ASSERT_EQ(outcome.result, StartOutcome::Result::Started);
    const int program = OpenAsProgram(outcome.alias);
    ASSERT_GE(program, 0);
    EXPECT_EQ(Records(1)[0].kind, RecordKind::Opened);

    // Pieces well within one batch time are batched; how many records they
    // make depends on how the machine schedules the reads, so the records
    // are compared by their bytes (never finer than the pieces written).
    for (const Bytes& piece : {Bytes{'a'}, Bytes{'b', 'c'}, Bytes{'d', 'e', 'f'}}) {
        board.WriteAll(piece);
        std::this_thread::sleep_for(2ms);
    }
    EXPECT_EQ(ReadFrom(program, 6), (Bytes{'a', 'b', 'c', 'd', 'e', 'f'}));
    // The bytes of the Received records from `at` on, and where they end.
    const auto receivedFrom = [](const std::vector<SerMonRecord>& records, std::size_t& at) {
        Bytes bytes;
        for (; at < records.size() && records[at].kind == RecordKind::Received; ++at)
            bytes.insert(bytes.end(), records[at].data.begin(), records[at].data.end());
        return bytes;
    };
    std::size_t afterBurst = 1;
    ASSERT_TRUE(WaitFor([&] {
        afterBurst = 1;
        return receivedFrom(Records(0), afterBurst).size() >= 6;
    }));
    std::vector<SerMonRecord> records = Records(0);
    afterBurst = 1;
    EXPECT_EQ(receivedFrom(records, afterBurst), (Bytes{'a', 'b', 'c', 'd', 'e', 'f'}));
    EXPECT_LE(afterBurst - 1, 3u);

    // A long stream is handed on early whenever a batch is full, nothing dropped.
    const Bytes stream = Pattern(10000);
    std::thread sender([&] { board.WriteAll(stream); });
    EXPECT_EQ(ReadFrom(program, stream.size()), stream);
    sender.join();
    ASSERT_EQ(::write(program, "Q", 1), 1);
    ::close(program);
    ASSERT_TRUE(WaitFor([&] {
        const std::vector<Chunk> chunks = sink.Accepted();
        return !chunks.empty() &&
               DecodeRecord(chunks.back().bytes.data(), chunks.back().bytes.size())->kind == 3;
    }));
    records = Records(0);
    Bytes received;
    std::size_t at = afterBurst;
    for (; at < records.size() && records[at].kind == RecordKind::Received; ++at) {
        EXPECT_LE(records[at].data.size(), SerMonSession::kBatchLimit);
        received.insert(received.end(), records[at].data.begin(), records[at].data.end());
    }
    EXPECT_EQ(received, stream);
    ASSERT_EQ(records.size(), at + 2);
    EXPECT_EQ(records[at].kind, RecordKind::Sent);
    EXPECT_EQ(records[at].data, Bytes{'Q'});
    EXPECT_EQ(records[at + 1].kind, RecordKind::Closed);

    session.RequestStop();
    EXPECT_EQ(log.WaitStopped(), std::optional<bool>(true));
    EXPECT_FALSE(std::filesystem::exists(std::filesystem::symlink_status(outcome.alias)));
}

TEST_F(WatchSession, TellsAMissingHelperFromARefusedPortAndReportsALostPort) {
    SessionLog missing;
    SerMonSession nowhere(dir / "elsewhere.sock", board.slave(), sink, missing.Events());
    EXPECT_EQ(missing.WaitStarted().result, StartOutcome::Result::NoHelper);

    SessionLog refused;
    SerMonSession noPort(socket, "/dev/no-such-port", sink, refused.Events());
    const StartOutcome outcome = refused.WaitStarted();
    EXPECT_EQ(outcome.result, StartOutcome::Result::Refused);
    EXPECT_EQ(outcome.error, ENOENT);

    SerMonSession unplugged(socket, board.slave(), sink, log.Events());
    ASSERT_EQ(log.WaitStarted().result, StartOutcome::Result::Started);
    board.CloseMaster();
    EXPECT_TRUE(log.WaitFailed());
}

}  // namespace
}  // namespace viz::testing
