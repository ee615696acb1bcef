#include "terminal/ReceivePipeline.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <iterator>
#include <vector>

#include "IconvReference.h"
#include "TempDir.h"
#include "platform/CodePage.h"

namespace viz {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

std::string ReadFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

class ReceivePipelineTest : public ::testing::Test {
protected:
    Chunk At(std::string_view bytes, std::chrono::milliseconds offset = 0ms) {
        return Chunk{Bytes(bytes.begin(), bytes.end()), start + offset};
    }

    Clock::time_point start = Clock::now();
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
