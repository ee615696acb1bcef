#include "serial/Serial.h"

#include <gtest/gtest.h>

#include <thread>

#include "Patience.h"
#include "SerialTestSupport.h"

namespace viz {
namespace {

using namespace viz::testing;

class SerialLines : public ::testing::Test {
protected:
    PtyPair pty;
    ChunkCollector sink;
    RecordingListener listener;
    std::shared_ptr<FakeLineState> lines = std::make_shared<FakeLineState>();
    CSerial serial{[state = lines](int) { return std::make_unique<FakeModemLines>(state); }};

    void OpenPort() { ASSERT_TRUE(serial.Open(PortConfig(pty.slave()), sink, listener).ok()); }
};

TEST_F(SerialLines, LinesOnAtOpenAreReportedAtOnceAndChangesInLineOrder) {
    lines->SetInputs(kLineCts);
    OpenPort();
    EXPECT_EQ(listener.WaitForEvents(1), (std::vector<LineEvent>{{kLineCts, 0x10}}));

    listener.ClearEvents();
    lines->SetInputs(kLineRlsd | kLineRing | kLineDsr);
    EXPECT_EQ(
        listener.WaitForEvents(4),
        (std::vector<LineEvent>{{kLineCts, 0}, {kLineDsr, 0x20}, {kLineRing, 0x40}, {kLineRlsd, 0x80}}));

    // A state that did not change is not reported again.
    listener.ClearEvents();
    lines->SetInputs(kLineDsr | kLineRing | kLineRlsd);
    lines->SetInputs(kLineDsr | kLineRlsd);
    EXPECT_EQ(listener.WaitForEvents(1), (std::vector<LineEvent>{{kLineRing, 0}}));
}

TEST_F(SerialLines, AFailedQueryCountsAsAllLinesOff) {
    lines->SetInputs(kLineDsr | kLineRlsd);
    OpenPort();
    ASSERT_EQ(listener.WaitForEvents(2).size(), 2u);
    listener.ClearEvents();
    lines->SetInputs(kLineCts | kLineDsr | kLineRlsd, EIO);
    EXPECT_EQ(listener.WaitForEvents(2), (std::vector<LineEvent>{{kLineDsr, 0}, {kLineRlsd, 0}}));
}

// The remembered states start as off at every open, so a line still on is
// reported again after reopening; nothing is reported while closed.
TEST_F(SerialLines, ReopeningReportsLinesThatAreStillOnAndClosedPortsReportNothing) {
    lines->SetInputs(kLineCts);
    OpenPort();
    ASSERT_EQ(listener.WaitForEvents(1).size(), 1u);
    serial.Close();

    listener.ClearEvents();
    lines->SetInputs(kLineCts | kLineRing);
    EXPECT_TRUE(WaitUntilOthersSleep());
    EXPECT_TRUE(listener.Events().empty());

    lines->SetInputs(kLineCts);
    OpenPort();
    EXPECT_EQ(listener.WaitForEvents(1), (std::vector<LineEvent>{{kLineCts, 0x10}}));
}

TEST_F(SerialLines, DtrAndRtsAreOffAfterOpenUntilThePageSetsThem) {
    OpenPort();
    EXPECT_EQ(lines->Outputs(), 0u);

    EXPECT_TRUE(serial.SetDtr(true));
    EXPECT_EQ(lines->Outputs(), kLineDtr);
    EXPECT_TRUE(serial.SetRts(true));
    EXPECT_EQ(lines->Outputs(), kLineDtr | kLineRts);
    EXPECT_TRUE(serial.SetDtr(false));
    EXPECT_EQ(lines->Outputs(), kLineRts);

    EXPECT_TRUE(serial.SetBreak(true));
    EXPECT_TRUE(lines->Break());
    EXPECT_TRUE(serial.SetBreak(false));
    EXPECT_FALSE(lines->Break());

    serial.Close();
    EXPECT_FALSE(serial.SetRts(false));
    EXPECT_EQ(lines->Outputs(), kLineRts);
}

// A pseudo-terminal has no modem lines: the real line source says so and
// gives up at once rather than polling a query that can never succeed.
TEST(TermiosModemLines, GivesUpOnADeviceWithoutModemLines) {
    PtyPair pty;
    const int fd = ::open(pty.slave().c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    ASSERT_GE(fd, 0);
    const std::unique_ptr<ModemLines> lines = MakeTermiosModemLines(fd);
    const LineRead read = lines->ReadInputs();
    EXPECT_EQ(read.error, ENOTTY);
    EXPECT_EQ(read.lines, 0u);

    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(lines->WaitForChange());
    EXPECT_LT(std::chrono::steady_clock::now() - start, testing::kHangLimit);
    ::close(fd);
}

}  // namespace
}  // namespace viz
