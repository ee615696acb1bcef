#include "terminal/SendLink.h"

#include <gtest/gtest.h>

#include <climits>
#include <condition_variable>
#include <fstream>
#include <mutex>
#include <thread>
#include <vector>

#include "FakeLink.h"
#include "Patience.h"
#include "TempDir.h"
#include "base/TextFormat.h"
#include "terminal/LoadedFile.h"

namespace viz {
namespace {

using testing::FakeLink;

using namespace std::chrono_literals;

Bytes Pattern(std::size_t size) {
    Bytes bytes(size);
    for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<std::uint8_t>(i * 7);
    return bytes;
}

// A send link with its wake-ups turned into a condition the test can wait on,
// the way the page's thread collects when woken.
struct Harness {
    explicit Harness(FakeLink& fake, std::size_t block = 1024, std::size_t typedLimit = 0,
                     LinkWriter::Limits limits = {})
        : link({.write = fake.Writer(),
                .blockSize = block,
                .typedLimit = typedLimit,
                .wake =
                    [this] {
                        std::lock_guard lock(mutex);
                        woken = true;
                        wake.notify_all();
                    },
                .limits = limits}) {
        link.setMonitor([this](const std::uint8_t* p, std::size_t n) { records.emplace_back(p, p + n); });
    }

    // Collects until `done` holds or the time is up.
    template <typename Done>
    bool CollectUntil(Done done, std::chrono::milliseconds limit = 5s) {
        const auto end = std::chrono::steady_clock::now() + limit;
        for (;;) {
            SendReport report = link.Collect();
            stalls += report.stalled ? 1 : 0;
            for (SendResult& result : report.finished) finished.push_back(std::move(result));
            if (done()) return true;
            std::unique_lock lock(mutex);
            if (!wake.wait_until(lock, end, [this] { return woken; })) return done();
            woken = false;
        }
    }
    bool Finished(std::size_t count) {
        return CollectUntil([&] { return finished.size() >= count; });
    }

    std::mutex mutex;
    std::condition_variable wake;
    bool woken = false;
    std::vector<SendResult> finished;
    std::vector<Bytes> records;
    int stalls = 0;
    SendLink link;  // last: its writer wakes the members above
};

std::shared_ptr<const FileSource> FileOf(const std::filesystem::path& path, const Bytes& bytes) {
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return FileSource::Open(path).file;
}

TEST(SendLinkTest, FilesAreStreamedInBlocksAndCountedAsTheLinkTakesThem) {
    testing::TempDir dir;
    FakeLink fake;
    Harness serial(fake);
    const Bytes data = Pattern(2500);
    ASSERT_NE(serial.link.SendFile(FileOf(dir / "a.bin", data)), 0u);
    ASSERT_TRUE(serial.Finished(1));
    EXPECT_EQ(fake.writes(), (std::vector<std::size_t>{1024, 1024, 452}));
    EXPECT_EQ(fake.written(), data);
    EXPECT_EQ(serial.finished[0].end, SendEnd::Done);
    EXPECT_EQ(serial.finished[0].done, 2500u);
    EXPECT_EQ(serial.link.sentTotal(), 2500);
    EXPECT_TRUE(serial.records.empty()) << "file data is not recorded";

    // A stream that takes 300 bytes a write still gets every byte in order.
    FakeLink slow;
    slow.Set(FakeLink::Mode::Trickle);
    Harness trickle(slow);
    const Bytes big = Pattern(100000);
    trickle.link.SendFile(FileOf(dir / "b.bin", big));
    ASSERT_TRUE(trickle.Finished(1));
    EXPECT_EQ(slow.written(), big);
    EXPECT_EQ(trickle.link.sentTotal(), 100000);

    // Reports: 64-byte blocks, the last one short (the channel pads it);
    // the total grows by the file's own length.
    FakeLink hid;
    hid.SetReport(64);
    Harness usb(hid, 64, 64);
    usb.link.SendFile(FileOf(dir / "c.bin", Pattern(130)));
    ASSERT_TRUE(usb.Finished(1));
    EXPECT_EQ(hid.writes(), (std::vector<std::size_t>{64, 64, 2}));
    EXPECT_EQ(usb.link.sentTotal(), 130);
}

TEST(SendLinkTest, TypedSendsCountAndRecordWhatWasWritten) {
    FakeLink fake;
    Harness h(fake);
    EXPECT_EQ(h.link.SendTyped(u"01 02 0A", true), SendLink::Outcome::Queued);
    EXPECT_EQ(h.link.SendTyped(u"中", false), SendLink::Outcome::Queued);
    EXPECT_EQ(h.link.SendTyped(u"0x12 1 2", true), SendLink::Outcome::NoBytes);
    EXPECT_EQ(h.link.SendTyped(u"", false), SendLink::Outcome::NoBytes);
    ASSERT_TRUE(h.Finished(2));
    EXPECT_EQ(h.records, (std::vector<Bytes>{{0x01, 0x02, 0x0A}, {0xD6, 0xD0}}));
    EXPECT_EQ(h.link.sentTotal(), 5);

    // A multi-send entry is recorded but leaves the total alone.
    EXPECT_EQ(h.link.SendEntry({0x55}, false), SendLink::Outcome::Queued);
    ASSERT_TRUE(h.Finished(3));
    EXPECT_EQ(h.records.back(), Bytes{0x55});
    EXPECT_EQ(h.link.sentTotal(), 5);

    // A failed write counts and records nothing, and says why.
    fake.Set(FakeLink::Mode::Fail, EIO);
    h.link.SendTyped(u"AB", false);
    ASSERT_TRUE(h.Finished(4));
    EXPECT_EQ(h.finished[3].end, SendEnd::WriteFailed);
    EXPECT_EQ(h.finished[3].error, EIO);
    EXPECT_EQ(h.records.size(), 3u);
    EXPECT_EQ(h.link.sentTotal(), 5);

    // A report link cuts typed data to one report and counts the whole report.
    FakeLink hid;
    hid.SetReport(64);
    Harness usb(hid, 64, 64);
    usb.link.SendTyped(std::u16string(100, u'A'), false);
    ASSERT_TRUE(usb.Finished(1));
    EXPECT_EQ(hid.writes(), std::vector<std::size_t>{64});
    usb.link.SendTyped(u"AB", false);
    ASSERT_TRUE(usb.Finished(2));
    EXPECT_EQ(usb.link.sentTotal(), 128);
    ASSERT_EQ(usb.records.size(), 2u);
    EXPECT_EQ(usb.records[1].size(), 64u) << "the record shows the padded report";
    EXPECT_EQ(usb.records[1][1], 0x42);
    EXPECT_EQ(usb.records[1][63], 0);
}

TEST(SendLinkTest, AStalledLinkHoldsOneSendRefusesTicksBoundsTheQueueAndIsCancelledAtOnce) {
    testing::TempDir dir;
    FakeLink fake;
    fake.Set(FakeLink::Mode::Stall);
    Harness h(fake, 1024, 0, {.queuedBytes = 1000, .stallLimit = 100ms, .waitSliceMs = 20});
    ASSERT_EQ(h.link.Tick(u"first", false), SendLink::Outcome::Queued);
    EXPECT_EQ(h.link.Tick(u"second", false), SendLink::Outcome::Refused);
    EXPECT_EQ(h.link.SendEntry({1}, true), SendLink::Outcome::Refused) << "a cycle step waits like a tick";
    EXPECT_FALSE(h.link.sendReady());
    // "发送" presses queue behind it up to the bound.
    EXPECT_EQ(h.link.SendTyped(std::u16string(600, u'x'), false), SendLink::Outcome::Queued);
    EXPECT_EQ(h.link.SendTyped(std::u16string(600, u'y'), false), SendLink::Outcome::Refused);
    EXPECT_NE(h.link.SendFile(FileOf(dir / "f.bin", Pattern(10))), 0u);
    EXPECT_EQ(h.link.SendFile(FileOf(dir / "g.bin", Pattern(10))), 0u) << "one file at a time";

    ASSERT_TRUE(h.CollectUntil([&] { return h.stalls > 0; }));
    std::this_thread::sleep_for(250ms);
    h.CollectUntil([] { return false; }, 10ms);
    EXPECT_EQ(h.stalls, 1) << "a stall is said once per send";
    EXPECT_TRUE(h.finished.empty()) << "a stall does not end the send";

    const auto start = std::chrono::steady_clock::now();
    h.link.Cancel(SendEnd::DeviceRemoved);
    ASSERT_TRUE(h.Finished(3));
    EXPECT_LT(std::chrono::steady_clock::now() - start, testing::kHangLimit);
    for (const SendResult& result : h.finished) {
        EXPECT_EQ(result.end, SendEnd::DeviceRemoved);
        EXPECT_EQ(result.done, 0u);
    }
    EXPECT_EQ(std::count_if(h.finished.begin(), h.finished.end(), [](const SendResult& r) { return r.file; }),
              1);
    EXPECT_TRUE(h.link.sendReady());
    const int calls = fake.calls();
    EXPECT_TRUE(testing::WaitUntilOthersSleep());
    EXPECT_EQ(fake.calls(), calls) << "nothing is written after a cancel";
    EXPECT_EQ(h.link.sentTotal(), 0);
    EXPECT_TRUE(h.records.empty());

    // The link works again for the next send.
    fake.Set(FakeLink::Mode::TakeAll);
    h.link.SendTyped(u"ok", false);
    ASSERT_TRUE(h.Finished(4));
    EXPECT_EQ(h.finished[3].end, SendEnd::Done);
    EXPECT_EQ(fake.written(), (Bytes{'o', 'k'}));
}

TEST(SendLinkTest, AClosedLinkOrAFileThatShrinksEndsTheSendWithItsReason) {
    testing::TempDir dir;
    FakeLink fake;
    fake.Set(FakeLink::Mode::Fail, ENOTCONN);
    Harness h(fake);
    h.link.SendTyped(u"x", false);
    ASSERT_TRUE(h.Finished(1));
    EXPECT_EQ(h.finished[0].end, SendEnd::LinkClosed);
    // A peer that closed or reset the connection ends it the same way, whatever the socket said.
    for (const int error : {EPIPE, ECONNRESET}) {
        fake.Set(FakeLink::Mode::Fail, error);
        h.link.SendTyped(u"x", false);
    }
    ASSERT_TRUE(h.Finished(3));
    EXPECT_EQ(SendEndReason(h.finished[1].end, h.finished[1].error), u"连接已关闭");
    EXPECT_EQ(SendEndReason(h.finished[2].end, h.finished[2].error), u"连接已关闭");

    // The file is sized when loaded; one cut short meanwhile ends the send.
    fake.Set(FakeLink::Mode::TakeAll);
    auto file = FileOf(dir / "s.bin", Pattern(200000));
    std::filesystem::resize_file(dir / "s.bin", 70000);
    h.link.SendFile(file);
    ASSERT_TRUE(h.Finished(4));
    EXPECT_EQ(h.finished[3].end, SendEnd::ReadFailed);
    EXPECT_EQ(h.finished[3].error, 0);
    EXPECT_EQ(h.finished[3].done, 70000u) << "what the file still holds goes out";
    EXPECT_EQ(SendEndReason(h.finished[3].end, h.finished[3].error), u"文件在发送过程中变短");
    EXPECT_EQ(SendEndReason(SendEnd::Cancelled, 0), u"用户取消发送");
    EXPECT_EQ(SendEndReason(SendEnd::WriteFailed, EIO), u"发送失败：Input/output error");
}

TEST(SendLinkTest, LoadedFileOpensInsteadOfReadingAndTellsHowASendEnded) {
    testing::TempDir dir;
    std::ofstream(dir / "data.bin", std::ios::binary) << std::string("\x01\x00\x02", 3);
    std::ofstream(dir / "empty.bin", std::ios::binary);

    LoadedFile file;
    ASSERT_EQ(file.Load(dir / "data.bin", u"/tmp/x/data.bin").kind, LoadedFile::LoadResult::Loaded);
    EXPECT_TRUE(file.fileMode());
    EXPECT_EQ(file.source()->size(), 3u);
    EXPECT_EQ(file.loadMessage(), u"\r\n成功读取外部资源文件：\r\n\r\n/tmp/x/data.bin\r\n\r\n");
    EXPECT_EQ(file.InterruptedText(1024, 102400, u"用户取消发送"),
              u"\r\n成功读取外部资源文件：\r\n\r\n/tmp/x/data.bin\r\n\r\n\r\n发送文件中断：已发送1024/"
              u"102400字节（用户取消发送）");
    EXPECT_TRUE(file.fileMode()) << "an interrupted file stays loaded";
    EXPECT_EQ(file.Finish(),
              u"\r\n成功读取外部资源文件：\r\n\r\n/tmp/x/data.bin\r\n\r\n\r\n发送文件完成，请重新载入文件！");
    EXPECT_FALSE(file.fileMode());

    const LoadedFile::LoadResult missing = file.Load(dir / "missing.bin", u"missing");
    EXPECT_EQ(missing.kind, LoadedFile::LoadResult::Unreadable);
    EXPECT_EQ(UnreadableText(missing.error), u"读取外部资源文件失败：No such file or directory");
    EXPECT_EQ(file.Load(dir.path(), u"folder").kind, LoadedFile::LoadResult::Unreadable);
    ASSERT_EQ(file.Load(dir / "data.bin", u"d").kind, LoadedFile::LoadResult::Loaded);
    EXPECT_EQ(file.Load(dir / "empty.bin", u"e").kind, LoadedFile::LoadResult::Empty);
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
