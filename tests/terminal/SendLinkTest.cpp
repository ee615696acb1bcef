#include "terminal/SendLink.h"

#include <gtest/gtest.h>

#include <climits>
#include <fstream>
#include <vector>

#include "TempDir.h"
#include "terminal/LoadedFile.h"
#include "terminal/TextFormat.h"

namespace viz {
namespace {

struct FakeChannel {
    std::vector<Bytes> writes;
    std::size_t result = SIZE_MAX;  // SIZE_MAX: everything written
    SendLink::WriteFn Writer() {
        return [this](const std::uint8_t* data, std::size_t size) {
            writes.emplace_back(data, data + size);
            return result == SIZE_MAX ? size : result;
        };
    }
};

Bytes Pattern(std::size_t size) {
    Bytes bytes(size);
    for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<std::uint8_t>(i * 7);
    return bytes;
}

TEST(SendLinkTest, FileIsWrittenInFullBlocksThenTheRemainderCountingNominalSizes) {
    FakeChannel channel;
    SendLink link({.write = channel.Writer(), .blockSize = 1024});
    const Bytes file = Pattern(2500);
    std::vector<std::size_t> progress;
    link.SendFile(file, [&](std::size_t done) { progress.push_back(done); });
    ASSERT_EQ(channel.writes.size(), 3u);
    EXPECT_EQ(channel.writes[0].size(), 1024u);
    EXPECT_EQ(channel.writes[1].size(), 1024u);
    EXPECT_EQ(channel.writes[2].size(), 452u);
    Bytes joined;
    for (const Bytes& w : channel.writes) joined.insert(joined.end(), w.begin(), w.end());
    EXPECT_EQ(joined, file);
    EXPECT_EQ(progress, (std::vector<std::size_t>{1024, 2048, 2500}));
    EXPECT_EQ(link.sentTotal(), 2500);
}

TEST(SendLinkTest, FileSendEndsAtTheFirstWriteThatFallsShortOfItsBlock) {
    // A peer that stopped reading takes part of the second block, then nothing.
    const std::vector<std::size_t> results{1024, 300, 0, 0};
    std::size_t calls = 0;
    SendLink link(
        {.write = [&](const std::uint8_t*, std::size_t) { return results.at(calls++); }, .blockSize = 1024});
    std::vector<std::size_t> progress;
    link.SendFile(Pattern(4096), [&](std::size_t done) { progress.push_back(done); });
    EXPECT_EQ(calls, 2u);
    EXPECT_EQ(progress, (std::vector<std::size_t>{1024, 2048}));
    EXPECT_EQ(link.sentTotal(), 2048) << "the short block counts at its nominal size";
    EXPECT_TRUE(link.sendReady());

    // A failed first write sends nothing more.
    FakeChannel failing;
    failing.result = 0;
    SendLink dead({.write = failing.Writer(), .blockSize = 64});
    dead.SendFile(Pattern(1000), {});
    EXPECT_EQ(failing.writes.size(), 1u);

    // A page that pads its last report writes more than the block: not short.
    FakeChannel reports;
    reports.result = 64;
    SendLink usb({.write = reports.Writer(), .blockSize = 64});
    usb.SendFile(Pattern(130), {});
    EXPECT_EQ(reports.writes.size(), 3u);
    EXPECT_EQ(usb.sentTotal(), 130);
}

TEST(SendLinkTest, FileOfExactlyOneBlockGoesInOnePieceAndPagesChooseTheirBlockSize) {
    FakeChannel channel;
    SendLink link({.write = channel.Writer(), .blockSize = 1024});
    std::vector<std::size_t> progress;
    link.SendFile(Pattern(1024), [&](std::size_t done) { progress.push_back(done); });
    ASSERT_EQ(channel.writes.size(), 1u);
    EXPECT_EQ(channel.writes[0].size(), 1024u);
    EXPECT_EQ(progress, std::vector<std::size_t>{1024});

    FakeChannel reports;
    SendLink usb({.write = reports.Writer(), .blockSize = 64});
    usb.SendFile(Pattern(130), {});
    ASSERT_EQ(reports.writes.size(), 3u);
    EXPECT_EQ(reports.writes[2].size(), 2u) << "the page pads the last report itself";
    EXPECT_EQ(usb.sentTotal(), 130);
}

TEST(SendLinkTest, TypedSendCountsWhatTheChannelWroteAndRecordsIt) {
    FakeChannel channel;
    SendLink link({.write = channel.Writer()});
    std::vector<Bytes> records;
    link.setMonitor([&](const std::uint8_t* p, std::size_t n) { records.emplace_back(p, p + n); });
    EXPECT_EQ(link.SendTyped(u"01 02 0A", true), 3u);
    EXPECT_EQ(link.SendTyped(u"中", false), 2u);
    ASSERT_EQ(channel.writes.size(), 2u);
    EXPECT_EQ(channel.writes[0], (Bytes{0x01, 0x02, 0x0A}));
    EXPECT_EQ(channel.writes[1], (Bytes{0xD6, 0xD0}));
    EXPECT_EQ(records, channel.writes);
    EXPECT_EQ(link.sentTotal(), 5);

    channel.result = 0;
    EXPECT_EQ(link.SendTyped(u"AB", false), 0u);
    EXPECT_EQ(records.size(), 2u) << "a failed write tells the monitor nothing";
    EXPECT_EQ(link.sentTotal(), 5);

    channel.result = 64;  // a page writing 64-byte reports
    EXPECT_EQ(link.SendTyped(u"AB", false), 64u);
    ASSERT_EQ(records.size(), 3u);
    EXPECT_EQ(records[2].size(), 64u);
    EXPECT_EQ(records[2][0], 0x41);
    EXPECT_EQ(records[2][63], 0);
    EXPECT_EQ(link.sentTotal(), 69);
}

TEST(SendLinkTest, HexTextWithoutAValidPairSendsAndCountsNothing) {
    FakeChannel channel;
    SendLink link({.write = channel.Writer()});
    EXPECT_EQ(link.SendTyped(u"0x12", true), std::nullopt);
    EXPECT_EQ(link.SendTyped(u"1 2", true), std::nullopt);
    EXPECT_EQ(link.SendTyped(u"", false), std::nullopt);
    EXPECT_TRUE(channel.writes.empty());
    EXPECT_EQ(link.sentTotal(), 0);
}

TEST(SendLinkTest, TickDuringASendInProgressSendsNothing) {
    int writes = 0;
    SendLink* self = nullptr;
    std::optional<std::size_t> nestedTick = 99;
    SendLink link({.write = [&](const std::uint8_t*, std::size_t size) {
        ++writes;
        // The channel lets the event loop run while it writes; the timer fires.
        if (writes == 1) {
            EXPECT_FALSE(self->sendReady());
            nestedTick = self->Tick(u"AB", false);
        }
        return size;
    }});
    self = &link;
    EXPECT_EQ(link.Tick(u"AB", false), 2u);
    EXPECT_EQ(nestedTick, std::nullopt);
    EXPECT_EQ(writes, 1);
    EXPECT_TRUE(link.sendReady());
    EXPECT_EQ(link.sentTotal(), 2);
}

TEST(SendLinkTest, LoadedFileEntersFileModeAndFinishesWithTheCompletionNote) {
    testing::TempDir dir;
    std::ofstream(dir / "data.bin", std::ios::binary) << std::string("\x01\x00\x02", 3);
    std::ofstream(dir / "empty.bin", std::ios::binary);

    LoadedFile file;
    ASSERT_EQ(file.Load(dir / "data.bin", u"/tmp/x/data.bin"), LoadedFile::LoadResult::Loaded);
    EXPECT_TRUE(file.fileMode());
    EXPECT_EQ(file.bytes(), (Bytes{0x01, 0x00, 0x02}));
    EXPECT_EQ(file.loadMessage(), u"\r\n成功读取外部资源文件：\r\n\r\n/tmp/x/data.bin\r\n\r\n");

    EXPECT_EQ(file.Load(dir / "missing.bin", u"missing"), LoadedFile::LoadResult::Unreadable);
    EXPECT_EQ(file.Load(dir.path(), u"folder"), LoadedFile::LoadResult::Unreadable);
    EXPECT_TRUE(file.fileMode()) << "a failed load keeps the file loaded before";

    EXPECT_EQ(file.Finish(),
              u"\r\n成功读取外部资源文件：\r\n\r\n/tmp/x/data.bin\r\n\r\n\r\n发送文件完成，请重新载入文件！");
    EXPECT_FALSE(file.fileMode());
    EXPECT_TRUE(file.bytes().empty());

    ASSERT_EQ(file.Load(dir / "data.bin", u"d"), LoadedFile::LoadResult::Loaded);
    EXPECT_EQ(file.Load(dir / "empty.bin", u"e"), LoadedFile::LoadResult::Empty);
    EXPECT_FALSE(file.fileMode());
}

TEST(SendLinkTest, CounterTextsTakeTheirNumbersInOrder) {
    EXPECT_EQ(FormatCounts(u"发送区：TCP已发送%d字节，UDP已发送%d字节", {12, 3000000000LL}),
              u"发送区：TCP已发送12字节，UDP已发送3000000000字节");
    EXPECT_EQ(FormatCounts(u"发送区：已发送%d字节", {0}), u"发送区：已发送0字节");
    EXPECT_EQ(FormatCounts(u"%d and %d", {1}), u"1 and %d");
}

TEST(SendLinkTest, NumberFieldsReadLikeACIntegerConversion) {
    EXPECT_EQ(FieldInteger(u"250"), 250);
    EXPECT_EQ(FieldInteger(u""), 0);
    EXPECT_EQ(FieldInteger(u"abc"), 0);
    EXPECT_EQ(FieldInteger(u" 12ab"), 12);
    EXPECT_EQ(FieldInteger(u"-5"), -5);
    EXPECT_EQ(FieldInteger(u"99999999999"), INT_MAX);
}

}  // namespace
}  // namespace viz
