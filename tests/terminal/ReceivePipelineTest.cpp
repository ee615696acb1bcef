#include "terminal/ReceivePipeline.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <ctime>
#include <cstring>
#include <fstream>
#include <iterator>
#include <optional>
#include <vector>

#include "ChinaTime.h"
#include "IconvReference.h"
#include "TempDir.h"
#include "platform/CodePage.h"

namespace viz {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using WallClock = std::chrono::system_clock;

using testing::ChinaTime;

struct Line {
    std::uint64_t source;
    WallClock::time_point time;
    std::u16string text;
    bool operator==(const Line&) const = default;
};

class LineRecorder : public ReceivedLineSink {
public:
    void OnLine(const ReceivedLine& line) override {
        lines.push_back({line.source, line.readTime, std::u16string(line.text)});
    }
    std::vector<Line> lines;
};

std::string ReadFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

class ReceivePipelineTest : public ::testing::Test {
protected:
    Chunk At(std::string_view bytes, std::chrono::milliseconds offset = 0ms) {
        return Chunk{Bytes(bytes.begin(), bytes.end()), start + offset, wallStart + offset};
    }

    Clock::time_point start = Clock::now();
    // 2024-03-05 13:04:05.067 UTC, 21:04:05.067 in China.
    WallClock::time_point wallStart =
        std::chrono::sys_days{std::chrono::year{2024} / 3 / 5} + 13h + 4min + 5s + 67ms;
    testing::TempDir dir;
    std::vector<Bytes> records;
    ReceivePipeline::RecordSink recorder = [this](const std::uint8_t* data, std::size_t size) {
        records.emplace_back(data, data + size);
    };
};

TEST_F(ReceivePipelineTest, PausedChunksReachNoCounterDisplayFileOrMonitor) {
    ReceivePipeline pipeline;
    pipeline.setMonitor(recorder);
    ASSERT_TRUE(pipeline.StartOutput(dir / "out.txt"));
    pipeline.setPaused(true);
    pipeline.Receive(At("hidden"));
    EXPECT_EQ(pipeline.receivedTotal(), 0);
    EXPECT_EQ(pipeline.area().text(), u"");
    EXPECT_TRUE(records.empty());
    EXPECT_EQ(ReadFile(dir / "out.txt"), "");
    EXPECT_EQ(pipeline.RefreshStatus(u"接收区：已接收%d字节，速度%d字节/秒，"),
              u"接收区：已接收0字节，速度0字节/秒，接收状态[暂停]，输出文本状态[输出中]");

    pipeline.setPaused(false);
    pipeline.Receive(At("shown"));
    EXPECT_EQ(pipeline.receivedTotal(), 5);
    EXPECT_EQ(pipeline.area().text(), u"shown");
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(ReadFile(dir / "out.txt"), "shown");
}

TEST_F(ReceivePipelineTest, FrameBreakFollowsTheFirstChunkAFrameTimeAfterTheLastBreak) {
    ReceivePipeline pipeline;
    pipeline.setFrameBreak(true, 40);
    // Appended, not "F" + ...: GCC 12 at -O3 reports a false overlap (-Wrestrict) for that.
    for (int i = 0; i < 4; ++i)
        pipeline.Receive(At(std::string("F").append(std::to_string(i + 1)), i * 1000ms));
    EXPECT_EQ(pipeline.area().text(), u"F1F2\r\nF3\r\nF4\r\n");

    // Parts of one frame 10 ms apart stay together; the clock runs on read times.
    ReceivePipeline parts;
    parts.setFrameBreak(true, 40);
    parts.Receive(At("a", 0ms));
    parts.Receive(At("b", 10ms));
    parts.Receive(At("c", 39ms));
    parts.Receive(At("d", 40ms));
    parts.Receive(At("e", 60ms));
    parts.Receive(At("f", 80ms));
    EXPECT_EQ(parts.area().text(), u"abcd\r\nef\r\n");
}

TEST_F(ReceivePipelineTest, AreaOverTwoHundredLinesIsEmptiedBeforeTheNextChunk) {
    ReceivePipeline pipeline;
    for (int i = 0; i < 200; ++i) pipeline.Receive(At("line\n"));
    EXPECT_EQ(pipeline.area().lineCount(), 201u) << "200 finished lines and the empty last one";
    pipeline.Receive(At("next"));
    EXPECT_EQ(pipeline.area().text(), u"next");
    EXPECT_EQ(pipeline.receivedTotal(), 200 * 5 + 4);
}

TEST_F(ReceivePipelineTest, LongHexLinesCountAsTheirWrappedScreenLines) {
    ReceivePipeline pipeline;
    pipeline.setHexDisplay(true);
    pipeline.area().SetColumns(30);  // ten "%02X " groups per screen line
    const std::string tenBytes(10, '\x55');
    for (int i = 0; i < 200; ++i) pipeline.Receive(At(tenBytes));
    EXPECT_EQ(pipeline.area().lineCount(), 200u);
    pipeline.Receive(At("\x01"));
    EXPECT_EQ(pipeline.area().lineCount(), 201u);
    EXPECT_EQ(pipeline.area().text().size(), 201u * 30 - 27);
    pipeline.Receive(At("\x02"));
    EXPECT_EQ(pipeline.area().text(), u"02 ");
}

TEST_F(ReceivePipelineTest, OutputSwitchedOnTwiceKeepsOnlyTheSecondPeriod) {
    ReceivePipeline pipeline;
    ASSERT_TRUE(pipeline.StartOutput(dir / "out.txt"));
    pipeline.Receive(At("first\n"));
    pipeline.StopOutput();
    pipeline.Receive(At("between"));
    ASSERT_TRUE(pipeline.StartOutput(dir / "out.txt"));
    pipeline.Receive(At("second\n"));
    EXPECT_EQ(ReadFile(dir / "out.txt"), "second\r\n") << "written through after every chunk";
    pipeline.StopOutput();
    EXPECT_FALSE(pipeline.outputOn());
}

TEST_F(ReceivePipelineTest, HexOutputFileHoldsExactlyTheAreaText) {
    ReceivePipeline pipeline;
    pipeline.setHexDisplay(true);
    pipeline.setFrameBreak(true, 40);
    ASSERT_TRUE(pipeline.StartOutput(dir / "out.txt"));
    pipeline.Receive(At(std::string("\x00\xFF\x0a", 3), 0ms));
    pipeline.Receive(At("AB", 50ms));
    EXPECT_EQ(pipeline.area().text(), u"00 FF 0A 41 42 \r\n");
    EXPECT_EQ(ReadFile(dir / "out.txt"), "00 FF 0A 41 42 \r\n");
}

TEST_F(ReceivePipelineTest, TextOutputIsCodePage936WithLineFeedsExpanded) {
    ReceivePipeline pipeline;
    ASSERT_TRUE(pipeline.StartOutput(dir / "out.txt"));
    const std::string gbk = testing::Gbk("中文\n");
    pipeline.Receive(At(gbk));
    EXPECT_EQ(pipeline.area().text(), u"中文\r\n");
    EXPECT_EQ(ReadFile(dir / "out.txt"), testing::Gbk("中文\r\n"));
}

TEST_F(ReceivePipelineTest, OutputThatCannotBeCreatedOrWrittenIsOff) {
    ReceivePipeline pipeline;
    EXPECT_FALSE(pipeline.StartOutput(dir / "missing" / "out.txt"));
    EXPECT_FALSE(pipeline.outputOn());
    ASSERT_TRUE(pipeline.StartOutput("/dev/full"));
    pipeline.Receive(At("data"));
    EXPECT_FALSE(pipeline.outputOn()) << "a full disk switches output off instead of losing data silently";
    pipeline.Receive(At("more\n"));
    // Said once, on a line of its own, with the system's reason; the data is all still shown.
    const std::u16string reason = Utf8ToUtf16(std::strerror(ENOSPC));
    EXPECT_EQ(pipeline.area().text(), u"data\r\n输出文件写入失败：" + reason + u"，已停止输出\r\nmore\r\n");
    EXPECT_EQ(pipeline.StatusTitle(u"接收区：已接收%d字节，速度%d字节/秒，"),
              u"接收区：已接收9字节，速度0字节/秒，接收状态[允许]，输出文本状态[已停止]");

    // A chunk that ends its line puts the notice straight on the next line.
    ASSERT_TRUE(pipeline.StartOutput("/dev/full"));
    pipeline.area().Clear();
    pipeline.Receive(At("line\n"));
    EXPECT_EQ(pipeline.area().text(), u"line\r\n输出文件写入失败：" + reason + u"，已停止输出\r\n");
}

TEST_F(ReceivePipelineTest, TextIsTheReadsDecodedWithLineFeedsAsCrLfUpToEachReadsFirstZero) {
    ReceivePipeline pipeline;
    pipeline.Receive(At("H\nI\r\n"));
    pipeline.Receive(At(std::string("A\0B", 3)));
    pipeline.Receive(At(testing::Gbk("温度=25℃") + "\xFF|"));
    EXPECT_EQ(pipeline.area().text(), u"H\r\nI\r\nA" + Utf8ToUtf16("温度=25℃") + u"\uFFFD|");
}

// Only a bare LF becomes CR LF: a CR LF (also split between reads), a lone CR
// and an LF after a lone CR's line come out as the device sent them.
TEST_F(ReceivePipelineTest, OutputFileGetsEachLineEndOnceWhetherTheDeviceSendsLfOrCrLf) {
    ReceivePipeline pipeline;
    ASSERT_TRUE(pipeline.StartOutput(dir / "out.txt"));
    for (const char* read : {"a\r\n", "b\n", "c\r", "\nd\r", "\r\n", "\n\n", "e\rf\n"})
        pipeline.Receive(At(read));
    const std::string expected = "a\r\nb\r\nc\r\nd\r\r\n\r\n\r\ne\rf\r\n";
    EXPECT_EQ(ReadFile(dir / "out.txt"), expected);
    EXPECT_EQ(pipeline.area().text(), Utf8ToUtf16(expected));

    // The server page's sender lines end in CR LF of their own, after data ending in CR too.
    ReceivePipeline server;
    ASSERT_TRUE(server.StartOutput(dir / "server.txt"));
    server.Receive(At("x\r"), u"[1]", u"\r\n");
    server.Receive(At("y\n"), u"[1]", u"\r\n");
    EXPECT_EQ(ReadFile(dir / "server.txt"), "[1]x\r\n[1]y\r\n\r\n");
}

TEST_F(ReceivePipelineTest, ACharacterSplitBetweenReadsShowsWholeInEitherEncodingOnEveryPage) {
    for (TextEncoding encoding : {TextEncoding::Gbk, TextEncoding::Utf8}) {
        ReceivePipeline pipeline;
        pipeline.setEncoding(encoding);
        ASSERT_TRUE(pipeline.StartOutput(dir / "out.txt"));
        const std::string bytes =
            encoding == TextEncoding::Gbk ? testing::Gbk("中文\n") : std::string("中文\n");
        for (char byte : bytes) pipeline.Receive(At(std::string(1, byte)));
        EXPECT_EQ(pipeline.area().text(), u"中文\r\n");
        const std::string inFile = encoding == TextEncoding::Gbk ? testing::Gbk("中文\r\n") : "中文\r\n";
        EXPECT_EQ(ReadFile(dir / "out.txt"), inFile) << "the output file is in the page's encoding";
        // A zero byte cuts a character short: its first bytes show as bad bytes.
        pipeline.Receive(At(bytes.substr(0, 1)));
        pipeline.Receive(At(std::string("\0", 1)));
        EXPECT_EQ(pipeline.area().text(), u"中文\r\n\uFFFD");
    }
}

TEST_F(ReceivePipelineTest, TimeStampsBeginEachLineWithTheTimeOfTheReadOfItsFirstByte) {
    ChinaTime china;
    ReceivePipeline pipeline;
    pipeline.setEncoding(TextEncoding::Utf8);
    pipeline.setTimeStamps(true);
    ASSERT_TRUE(pipeline.StartOutput(dir / "out.txt"));
    pipeline.Receive(At("温", 0ms));
    pipeline.Receive(At("度\n2", 1005ms));
    pipeline.Receive(At("5\n", 2000ms));
    pipeline.Receive(At("\n℃", 61999ms));
    const std::u16string expected =
        Utf8ToUtf16("[21:04:05.067] 温度\r\n[21:04:06.072] 25\r\n[21:05:07.066] \r\n[21:05:07.066] ℃");
    EXPECT_EQ(pipeline.area().text(), expected);
    EXPECT_EQ(ReadFile(dir / "out.txt"), Utf16ToUtf8(expected));

    // The sender prefix of the server page comes after the stamp.
    ReceivePipeline server;
    server.setTimeStamps(true);
    server.Receive(At("a", 0ms), u"[127.0.0.1:5000]:", u"\r\n");
    server.Receive(At("b", 1ms), u"[127.0.0.1:5000]:", u"\r\n");
    EXPECT_EQ(server.area().text(),
              u"[21:04:05.067] [127.0.0.1:5000]:a\r\n[21:04:05.068] [127.0.0.1:5000]:b\r\n");
}

TEST_F(ReceivePipelineTest, HexTimeStampsBeginEachFrameOrEachReadWithoutFrameBreaks) {
    ChinaTime china;
    ReceivePipeline reads;
    reads.setHexDisplay(true);
    reads.setTimeStamps(true);
    reads.Receive(At("AB", 0ms));
    reads.Receive(At("C", 10ms));
    EXPECT_EQ(reads.area().text(), u"[21:04:05.067] 41 42 [21:04:05.077] 43 ");

    ReceivePipeline frames;
    frames.setHexDisplay(true);
    frames.setTimeStamps(true);
    frames.setFrameBreak(true, 40);
    frames.Receive(At("A", 0ms));
    frames.Receive(At("B", 10ms));
    frames.Receive(At("C", 100ms));
    frames.Receive(At("D", 200ms));
    EXPECT_EQ(frames.area().text(), u"[21:04:05.067] 41 42 43 \r\n[21:04:05.267] 44 \r\n");
}

TEST_F(ReceivePipelineTest, StreamsOfOneAreaJoinSplitCharactersEachWithItsOwn) {
    ReceivePipeline pipeline;
    pipeline.setEncoding(TextEncoding::Utf8);
    pipeline.Receive(At("\xE4\xB8"), u"[A]:", u"\r\n", 1);
    pipeline.Receive(At("\xE6\x96"), u"[B]:", u"\r\n", 2);
    pipeline.Receive(At("\xAD"), u"[A]:", u"\r\n", 1);
    pipeline.Receive(At("\x87"), u"[B]:", u"\r\n", 2);
    EXPECT_EQ(pipeline.area().text(), u"[A]:\r\n[B]:\r\n[A]:中\r\n[B]:文\r\n");
    // A client that left takes its unfinished character with it.
    pipeline.Receive(At("\xE4"), {}, {}, 3);
    pipeline.ForgetSource(3);
    pipeline.Receive(At("x"), {}, {}, 3);
    EXPECT_EQ(pipeline.area().text(), u"[A]:\r\n[B]:\r\n[A]:中\r\n[B]:文\r\nx");
}

TEST_F(ReceivePipelineTest, SubscribersGetEachDecodedLineWithTheTimeOfItsFirstByte) {
    ReceivePipeline pipeline;
    pipeline.setEncoding(TextEncoding::Utf8);
    pipeline.setTimeStamps(true);
    LineRecorder plot;
    pipeline.AddLineSink(&plot);
    pipeline.Receive(At("1.5,", 0ms));
    pipeline.Receive(At("2\r", 10ms));
    pipeline.Receive(At("\n3\xE2\x84", 20ms));
    pipeline.Receive(At("\x83\n\n", 30ms));
    pipeline.setPaused(true);
    pipeline.Receive(At("paused\n", 40ms));
    pipeline.setPaused(false);
    pipeline.setHexDisplay(true);
    pipeline.Receive(At("4\n", 50ms), {}, {}, 7);
    const std::vector<Line> expected{{0, wallStart, u"1.5,2"},
                                     {0, wallStart + 20ms, u"3℃"},
                                     {0, wallStart + 30ms, u""},
                                     {7, wallStart + 50ms, u"4"}};
    EXPECT_EQ(plot.lines, expected) << "no time stamps, frame breaks or paused data in the lines";
    pipeline.RemoveLineSink(&plot);
    pipeline.Receive(At("5\n", 60ms));
    EXPECT_EQ(plot.lines.size(), expected.size());
}

TEST_F(ReceivePipelineTest, HexDisplaySwitchAffectsOnlyLaterChunks) {
    ReceivePipeline pipeline;
    pipeline.Receive(At("AB"));
    pipeline.setHexDisplay(true);
    pipeline.Receive(At("AB"));
    pipeline.setHexDisplay(false);
    pipeline.Receive(At("C"));
    EXPECT_EQ(pipeline.area().text(), u"AB41 42 C");
}

TEST_F(ReceivePipelineTest, SerialMonitorRecordIsTheChunkAsDisplayed) {
    ReceivePipeline pipeline(ReceivePipeline::TextForm::Serial);
    pipeline.setMonitor(recorder);
    const std::string gbk = testing::Gbk("A中");  // 41 D6 D0
    pipeline.Receive(At(gbk.substr(0, 2)));
    pipeline.Receive(At(gbk.substr(2)));
    EXPECT_EQ(pipeline.area().text(), u"A中");
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[0], (Bytes{0x41}));
    EXPECT_EQ(records[1], (Bytes{0xD6, 0xD0}));
    EXPECT_EQ(pipeline.receivedTotal(), 3) << "the counters count what arrived";

    // A chunk that is only a held-back lead byte shows and records nothing.
    pipeline.Receive(At("\xB0"));
    EXPECT_EQ(records.size(), 2u);

    // The same in UTF-8, whose characters may be cut after any of three bytes.
    ReceivePipeline utf8(ReceivePipeline::TextForm::Serial);
    utf8.setMonitor(recorder);
    utf8.setEncoding(TextEncoding::Utf8);
    utf8.Receive(At("A\xF0\x9F"));
    utf8.Receive(At("\x98\x80!"));
    EXPECT_EQ(utf8.area().text(), u"A\U0001F600!");
    ASSERT_EQ(records.size(), 4u);
    EXPECT_EQ(records[2], (Bytes{0x41}));
    EXPECT_EQ(records[3], (Bytes{0xF0, 0x9F, 0x98, 0x80, '!'}));

    ReceivePipeline plain;
    plain.setMonitor(recorder);
    plain.Receive(At(gbk.substr(0, 2)));
    EXPECT_EQ(records.back(), (Bytes{0x41, 0xD6}));
}

TEST_F(ReceivePipelineTest, EmptyChunksAddNoMonitorRecord) {
    ReceivePipeline pipeline;
    pipeline.setMonitor(recorder);
    pipeline.Receive(At(""));
    EXPECT_TRUE(records.empty());
}

TEST_F(ReceivePipelineTest, ServerPrefixAndSuffixFrameTheTextBeforeTheFrameBreak) {
    ReceivePipeline pipeline;
    pipeline.setHexDisplay(true);
    pipeline.setFrameBreak(true, 40);
    pipeline.Receive(At("\x01", 0ms), u"[127.0.0.1:5000]", u"\r\n");
    pipeline.Receive(At("\x02", 100ms), u"[127.0.0.1:5000]", u"\r\n");
    EXPECT_EQ(pipeline.area().text(), u"[127.0.0.1:5000]01 \r\n[127.0.0.1:5000]02 \r\n\r\n");
}

TEST_F(ReceivePipelineTest, StatusRateIsTheBytesOfTheLastTenRefreshes) {
    ReceivePipeline pipeline;
    const std::u16string_view format = u"TCP：已接收%d字节，速度%d字节/秒";
    pipeline.Receive(At("12345"));
    EXPECT_EQ(pipeline.RefreshStatus(format),
              u"TCP：已接收5字节，速度5字节/秒接收状态[允许]，输出文本状态[已停止]")
        << "the very first refresh shows the bytes so far";
    for (int i = 0; i < 7; ++i) pipeline.RefreshStatus(format);
    pipeline.Receive(At("678"));
    pipeline.RefreshStatus(format);  // ninth refresh: not yet over nine
    EXPECT_EQ(pipeline.shownRate(), 5);
    pipeline.RefreshStatus(format);
    EXPECT_EQ(pipeline.shownRate(), 8);
    for (int i = 0; i < 10; ++i) pipeline.RefreshStatus(format);
    EXPECT_EQ(pipeline.shownRate(), 0);
    pipeline.Receive(At("9"));
    pipeline.ResetRate();
    for (int i = 0; i < 10; ++i) pipeline.RefreshStatus(format);
    EXPECT_EQ(pipeline.shownRate(), 0) << "bytes before a reset are not in the next rate";
    EXPECT_EQ(pipeline.receivedTotal(), 9);
    pipeline.ResetTotal();
    EXPECT_EQ(pipeline.receivedTotal(), 0);
}

}  // namespace
}  // namespace viz
