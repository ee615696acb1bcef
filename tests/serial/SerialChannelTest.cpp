#include "serial/Serial.h"

#include <gtest/gtest.h>

#include <atomic>
#include <numeric>
#include <thread>

#include <time.h>

#include "Patience.h"
#include "SerialTestSupport.h"
#include "WriteSteps.h"

namespace viz {
namespace {

using namespace viz::testing;

Bytes AllByteValues() {
    Bytes bytes(256);
    std::iota(bytes.begin(), bytes.end(), 0);
    return bytes;
}

std::chrono::milliseconds ProcessCpuTime() {
    timespec now{};
    ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return std::chrono::milliseconds(now.tv_sec * 1000 + now.tv_nsec / 1000000);
}

class SerialChannel : public ::testing::Test {
protected:
    PtyPair pty;
    ChunkCollector sink;
    RecordingListener listener;
    CSerial serial;

    WriteAllResult Send(const Bytes& bytes) {
        return WriteAll([this](auto... args) { return serial.Write(args...); }, bytes);
    }

    void OpenPort() {
        const SerialOpenResult result = serial.Open(PortConfig(pty.slave()), sink, listener);
        ASSERT_TRUE(result.ok()) << SerialOpenFailureText(result);
    }
};

// Every byte value passes unchanged both ways: no echo, no CR/LF translation,
// no control characters taken as signals or flow control.
TEST_F(SerialChannel, CarriesEveryByteValueBothWaysUnchanged) {
    OpenPort();
    EXPECT_TRUE(serial.IsOpen());
    EXPECT_EQ(serial.device(), pty.slave());

    pty.WriteAll(AllByteValues());
    ASSERT_TRUE(sink.WaitForBytes(256));
    EXPECT_EQ(sink.AcceptedBytes(), AllByteValues());

    EXPECT_EQ(Send(AllByteValues()).written, 256u);
    EXPECT_EQ(pty.Read(256), AllByteValues());
    // Nothing the far end sent comes back to it: the next byte it reads is a marker sent now.
    EXPECT_EQ(Send(Bytes{0x5A}).written, 1u);
    EXPECT_EQ(pty.Read(1), Bytes{0x5A});
}

TEST_F(SerialChannel, BurstArrivesInOrderInChunksOfAtMost1024Bytes) {
    OpenPort();
    const Bytes burst = Pattern(3000);
    pty.WriteAll(burst);
    ASSERT_TRUE(sink.WaitForBytes(burst.size()));

    const std::vector<Chunk> chunks = sink.Accepted();
    EXPECT_GE(chunks.size(), 3u);
    for (std::size_t i = 0; i < chunks.size(); ++i) {
        EXPECT_FALSE(chunks[i].bytes.empty());
        EXPECT_LE(chunks[i].bytes.size(), CSerial::kChunkSize);
        if (i > 0) {
            EXPECT_LE(chunks[i - 1].readTime, chunks[i].readTime);
        }
    }
    EXPECT_EQ(sink.AcceptedBytes(), burst);
}

TEST_F(SerialChannel, WriteOfNothingOrOnAClosedPortSendsNothing) {
    const Bytes three{1, 2, 3};
    EXPECT_EQ(Send(three).error, ENOTCONN);
    EXPECT_FALSE(serial.SetDtr(true));
    EXPECT_FALSE(serial.SetBreak(true));

    OpenPort();
    EXPECT_EQ(serial.Write(three.data(), 0, {}).consumed, 0u);
    EXPECT_EQ(Send(Bytes{0x5A}).written, 1u);
    EXPECT_EQ(pty.Read(1), Bytes{0x5A}) << "the empty write sent nothing before the marker";

    serial.Close();
    serial.Close();
    EXPECT_FALSE(serial.IsOpen());
    EXPECT_EQ(Send(three).error, ENOTCONN);
    EXPECT_EQ(Send(three).written, 0u);
}

// Closing while the far end keeps sending: what the sink accepted is an
// unbroken prefix of the stream, and nothing is pushed once Close returned.
// Reopening afterwards works each time.
TEST_F(SerialChannel, CloseWhileBytesArriveLosesNothingAndDeliversNothingAfter) {
    for (int round = 0; round < 5; ++round) {
        ChunkCollector roundSink;
        ASSERT_TRUE(serial.Open(PortConfig(pty.slave()), roundSink, listener).ok());
        std::atomic<bool> stop{false};
        std::thread writer([&] {
            std::size_t offset = 0;
            while (!stop.load()) {
                const Bytes piece = Pattern(700, offset);
                const ssize_t n = ::write(pty.master(), piece.data(), piece.size());
                if (n > 0) {
                    offset += static_cast<std::size_t>(n);
                } else {
                    std::this_thread::sleep_for(1ms);
                }
            }
        });
        ASSERT_TRUE(roundSink.WaitForBytes(20000));
        serial.Close();
        const std::size_t pushesAtClose = roundSink.AcceptedCount();
        std::this_thread::sleep_for(50ms);
        stop.store(true);
        writer.join();

        EXPECT_EQ(roundSink.AcceptedCount(), pushesAtClose);
        const Bytes received = roundSink.AcceptedBytes();
        EXPECT_EQ(received, Pattern(received.size()));
        EXPECT_EQ(listener.LostCount(), 0);
    }
}

// A page that falls behind holds the reader back; everything still arrives,
// in order, and closing the hand-off lets Close finish while the reader waits.
TEST_F(SerialChannel, SlowConsumerHoldsTheReaderBackWithoutLoss) {
    ChunkCollector bounded(2);
    ASSERT_TRUE(serial.Open(PortConfig(pty.slave()), bounded, listener).ok());
    const Bytes data = Pattern(200000);
    std::thread writer([&] { pty.WriteAll(data); });

    Bytes taken;
    const auto deadline = std::chrono::steady_clock::now() + 20s;
    while (taken.size() < data.size() && std::chrono::steady_clock::now() < deadline) {
        for (const Chunk& chunk : bounded.TakeWaiting())
            taken.insert(taken.end(), chunk.bytes.begin(), chunk.bytes.end());
        std::this_thread::sleep_for(1ms);
    }
    writer.join();
    EXPECT_EQ(taken, data);

    pty.WriteAll(Pattern(10000));
    ASSERT_TRUE(bounded.WaitUntilFull());
    bounded.Close();
    serial.Close();
    EXPECT_FALSE(serial.IsOpen());
}

TEST_F(SerialChannel, OpeningAgainClosesTheFirstOpen) {
    OpenPort();
    ChunkCollector second;
    ASSERT_TRUE(serial.Open(PortConfig(pty.slave(), 9600), second, listener).ok());
    pty.WriteAll({7, 8, 9});
    ASSERT_TRUE(second.WaitForBytes(3));
    EXPECT_EQ(second.AcceptedBytes(), (Bytes{7, 8, 9}));
    EXPECT_EQ(sink.AcceptedCount(), 0u);
}

// With nobody reading on the far end the port stops taking bytes: a write
// waits as long as it is told (a slow port always drains), and Close ends a
// write waiting without limit at once. The far end gets exactly what the
// writes reported.
TEST_F(SerialChannel, AWriteToAPortNobodyReadsWaitsUntilCloseEndsItAtOnce) {
    OpenPort();
    const Bytes data = Pattern(4 << 20);
    const CloseUnderWrite run = CloseUnderAWaitingWrite([this](auto... args) { return serial.Write(args...); },
                                                        [this] { serial.Close(); }, data);
    EXPECT_GT(run.filled.written, 0u);
    ASSERT_LT(run.filled.written, data.size());
    EXPECT_EQ(run.filled.error, EAGAIN);
    EXPECT_EQ(run.errorBeforeClose, 0) << "still waiting for room";
    EXPECT_LT(run.closeTook, testing::kHangLimit);
    EXPECT_EQ(run.errorAfterClose, ENOTCONN);
    const Bytes arrived = pty.Read(data.size(), 300ms);
    EXPECT_EQ(arrived.size(), run.filled.written);
    EXPECT_EQ(arrived, Pattern(arrived.size()));
}

// Closing the master is what unplugging a USB adapter looks like: the reader
// reports it once and ends instead of spinning on the hang-up.
TEST_F(SerialChannel, VanishedDeviceEndsTheReaderWithoutSpinning) {
    OpenPort();
    pty.WriteAll({1, 2});
    ASSERT_TRUE(sink.WaitForBytes(2));
    pty.CloseMaster();
    ASSERT_TRUE(listener.WaitForLost());

    const auto cpuBefore = ProcessCpuTime();
    std::this_thread::sleep_for(500ms);
    EXPECT_LT(ProcessCpuTime() - cpuBefore, 100ms);
    EXPECT_EQ(listener.LostCount(), 1);

    EXPECT_TRUE(serial.IsOpen());
    EXPECT_EQ(Send(Bytes{1}).written, 0u);
    serial.Close();
    EXPECT_FALSE(serial.IsOpen());
    EXPECT_EQ(listener.LostCount(), 1);
}

TEST_F(SerialChannel, ClosingDoesNotReportALostDevice) {
    OpenPort();
    serial.Close();
    EXPECT_TRUE(WaitUntilOthersSleep());
    EXPECT_EQ(listener.LostCount(), 0);
}

}  // namespace
}  // namespace viz
