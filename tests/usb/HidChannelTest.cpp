// The HID channel over a pretend sysfs tree, socket pairs as device nodes
// and announced hot-plug events.
#include <gtest/gtest.h>

#include <atomic>
#include <numeric>
#include <thread>

#include "HidTestSupport.h"
#include "Patience.h"
#include "TempDir.h"
#include "platform/Signals.h"
#include "serial/SerialTestSupport.h"
#include "usb/HidOpenResult.h"

namespace viz::testing {
namespace {

using Kind = HotplugEvent::Kind;

class HidRecorder : public HidListener {
public:
    void OnDeviceLost() override {
        std::lock_guard lock(mutex_);
        ++lost_;
        changed_.notify_all();
    }
    void OnDeviceEvent(const HotplugEvent& event) override {
        std::lock_guard lock(mutex_);
        events_.push_back(event);
        changed_.notify_all();
    }
    bool WaitForLost() {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, 20s, [&] { return lost_ > 0; });
    }
    // The paths of the events so far, once `count` came or time ran out, as "+path" / "-path".
    std::vector<std::string> WaitForEvents(std::size_t count, std::chrono::milliseconds within = 20000ms) {
        std::unique_lock lock(mutex_);
        changed_.wait_for(lock, within, [&] { return events_.size() >= count; });
        std::vector<std::string> seen;
        for (const HotplugEvent& event : events_)
            seen.push_back((event.kind == Kind::Arrived ? "+" : "-") + event.devicePath);
        return seen;
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    int lost_ = 0;
    std::vector<HotplugEvent> events_;
};

HidBytes Counting(std::size_t size, std::uint8_t first = 0) {
    HidBytes bytes(size);
    std::iota(bytes.begin(), bytes.end(), first);
    return bytes;
}

class HidChannel : public ::testing::Test {
protected:
    HidChannel() { IgnoreBrokenPipeSignal(); }

    std::shared_ptr<HidBoard> PlugIn(int number, const FakeHid& device = {}) {
        return nodes.Plug(tree.Add(number, device));
    }
    bool Open(std::uint32_t vendor = 0x0472, std::uint32_t product = 0x0002) {
        return channel.Open(sink, listener, vendor, product);
    }
    WriteStep Write(const HidBytes& bytes, int waitMs = 250) {
        return channel.Write(bytes.data(), bytes.size(), {-1, waitMs});
    }
    // Writes reports nobody reads until the socket takes no more.
    void FillTheLink() {
        for (int i = 0; i < 100000 && Write({1}, 0).error == 0; ++i) {
        }
        ASSERT_EQ(Write({1}, 0).error, EAGAIN);
    }

    TempDir dir;
    FakeHidTree tree{dir / "sys"};
    FakeHidNodes nodes;
    FakeHotplug hotplug;
    ChunkCollector sink;
    HidRecorder listener;
    CHIDUSB channel{HidSystem{tree.classRoot(), "/dev", nodes.Opener(), hotplug.Factory()}};
};

TEST_F(HidChannel, OpensTheFirstOfTwoIdenticalDevicesAndDescribesWhatItDid) {
    FakeHid sameVendor;
    sameVendor.product = 0x0005;
    PlugIn(3, sameVendor);
    const auto first = PlugIn(4);
    const auto second = PlugIn(5);

    ASSERT_TRUE(Open());
    EXPECT_TRUE(channel.IsOpen());
    EXPECT_EQ(channel.devicePath(), "/dev/hidraw4");
    EXPECT_EQ(channel.information(),
              u"\r\n\r\nGUID : 4d1e55b2-f16f-11cf-88cb-011110030\r\n"
              u"厂商号：0472\r\n产品号：0002\r\n版本号：0200\r\n设备路径：/dev/hidraw4\r\n"
              u"读访问打开HidUsb设备成功！\r\n写访问打开HidUsb设备成功！\r\n注册HidUsb设备成功！\r\n");
    EXPECT_TRUE(channel.lastOpen().ok());
    EXPECT_EQ(HidOpenNote(channel.lastOpen()), u"");
    EXPECT_EQ(nodes.Opened(), (std::vector<std::string>{"/dev/hidraw4", "/dev/hidraw4"}));

    EXPECT_EQ(Write({7}).consumed, 1u);
    EXPECT_TRUE(first->Receive().has_value());
    EXPECT_FALSE(second->Receive(50ms).has_value());
}

TEST_F(HidChannel, DeliversOneChunkOfDataBytesPerReportAndNeverTheReportId) {
    FakeHid numbered;
    numbered.product = 0x0010;
    numbered.descriptor = kNumberedDescriptor;
    const auto composite = PlugIn(0, numbered);
    const auto plain = PlugIn(1);

    ASSERT_TRUE(Open(0x0472, 0x0010));
    HidBytes vendorReport = Counting(64, 0x80);
    vendorReport.insert(vendorReport.begin(), 0x03);
    ASSERT_EQ(vendorReport.size(), 65u);
    ASSERT_TRUE(composite->Send(vendorReport));
    ASSERT_TRUE(composite->Send({0x02, 0xE9, 0x00}));
    ASSERT_TRUE(sink.WaitForBytes(66));
    std::vector<Chunk> chunks = sink.Accepted();
    ASSERT_EQ(chunks.size(), 2u);
    EXPECT_EQ(chunks[0].bytes, Counting(64, 0x80));
    EXPECT_EQ(chunks[1].bytes, (HidBytes{0xE9, 0x00}));

    // Without numbered reports the node gives the data alone: a first byte
    // that looks like an ID is data and stays.
    ASSERT_TRUE(Open());
    ASSERT_TRUE(plain->Send(Counting(64, 0x03)));
    ASSERT_TRUE(sink.WaitForBytes(130));
    chunks = sink.Accepted();
    ASSERT_EQ(chunks.size(), 3u);
    EXPECT_EQ(chunks[2].bytes, Counting(64, 0x03));
}

TEST_F(HidChannel, WritesReportIdZeroAndSixtyFourPaddedDataBytesPerReport) {
    const auto board = PlugIn(0);
    FakeHid keyboard;
    keyboard.product = 0x0101;
    keyboard.descriptor = kKeyboardDescriptor;
    const auto leds = PlugIn(1, keyboard);
    FakeHid inputOnly;
    inputOnly.product = 0x0102;
    inputOnly.descriptor = HidBytes(kVendorDescriptor.begin(), kVendorDescriptor.begin() + 20);
    PlugIn(2, inputOnly);

    ASSERT_TRUE(Open());
    const WriteStep two = Write({0x41, 0x42});
    EXPECT_EQ(two.error, 0);
    EXPECT_EQ(two.consumed, 2u);
    EXPECT_EQ(two.counted, 64u);
    HidBytes expected(65, 0);
    expected[1] = 0x41;
    expected[2] = 0x42;
    EXPECT_EQ(board->Receive(), expected);

    // One report takes at most 64 bytes of the input; the rest is the next report's.
    const WriteStep long100 = Write(Counting(100, 1));
    EXPECT_EQ(long100.consumed, 64u);
    EXPECT_EQ(long100.counted, 64u);
    expected = Counting(65, 0);
    EXPECT_EQ(board->Receive(), expected);

    // A device with a shorter output report gets reports of its own length.
    ASSERT_TRUE(Open(0x0472, 0x0101));
    const WriteStep led = Write({0x05, 0x06, 0x07});
    EXPECT_EQ(led.consumed, 1u);
    EXPECT_EQ(led.counted, 1u);
    EXPECT_EQ(leds->Receive(), (HidBytes{0x00, 0x05}));

    ASSERT_TRUE(Open(0x0472, 0x0102));
    EXPECT_EQ(Write({1}).error, EOPNOTSUPP) << "the device has no output report";
}

TEST_F(HidChannel, ExplainsOpensThatFailOrOpenOnlyOneWay) {
    PlugIn(0);
    PlugIn(1);
    nodes.Refuse("/dev/hidraw0", EACCES, EACCES);
    EXPECT_FALSE(Open());
    EXPECT_FALSE(channel.IsOpen());
    EXPECT_NE(channel.information().find(u"读访问打开HidUsb设备失败！\r\n写访问打开HidUsb设备失败！\r\n"),
              std::u16string::npos);
    EXPECT_EQ(channel.information().find(u"注册"), std::u16string::npos);
    EXPECT_EQ(nodes.Opened(), (std::vector<std::string>{"/dev/hidraw0", "/dev/hidraw0"}))
        << "no further device is tried";
    EXPECT_EQ(channel.lastOpen().error, HidOpenResult::Error::NoAccess);
    const std::u16string denied = HidOpenNote(channel.lastOpen());
    EXPECT_NE(denied.find(u"打开USB失败：当前用户没有读写/dev/hidraw0的权限。"), std::u16string::npos);
    EXPECT_NE(denied.find(u"SUBSYSTEM==\"hidraw\", ATTRS{idVendor}==\"0472\", ATTRS{idProduct}==\"0002\", "
                          u"TAG+=\"uaccess\""),
              std::u16string::npos);
    EXPECT_EQ(hotplug.sources(), 0) << "a failed open registers nothing";

    nodes.Refuse("/dev/hidraw0", EBUSY, EBUSY);
    EXPECT_FALSE(Open());
    EXPECT_EQ(HidOpenNote(channel.lastOpen()), u"\r\n打开USB失败：/dev/hidraw0，系统错误 EBUSY\r\n");

    // Readable but not writable: open, and sends fail with the reason.
    nodes.Refuse("/dev/hidraw0", 0, EACCES);
    ASSERT_TRUE(Open());
    EXPECT_NE(channel.information().find(u"读访问打开HidUsb设备成功！\r\n写访问打开HidUsb设备失败！\r\n"),
              std::u16string::npos);
    EXPECT_EQ(Write({1}).error, EACCES);
    EXPECT_NE(HidOpenNote(channel.lastOpen()).find(u"当前用户没有写入/dev/hidraw0的权限"),
              std::u16string::npos);

    EXPECT_FALSE(Open(0x1234, 0xABCD));
    EXPECT_EQ(channel.information(), u"");
    EXPECT_EQ(HidOpenNote(channel.lastOpen()),
              u"\r\n打开USB失败：未找到厂商号为1234、产品号为ABCD的HID设备，请检查设备是否已连接，并点击查找U"
              u"SB按钮更新列表\r\n");
    EXPECT_EQ(channel.devicePath(), "/dev/hidraw0") << "the last device found is kept";
}

TEST_F(HidChannel, CloseEndsWaitingReadsAndWritesAtOnceAndNothingComesAfter) {
    const auto board = PlugIn(0);
    ASSERT_TRUE(Open());
    FillTheLink();
    std::atomic<int> writeError{0};
    std::atomic<pid_t> writerThread{0};
    std::thread writer([&] {
        writerThread = testing::ThisThread();
        writeError = Write({1}, 5000).error;
    });
    EXPECT_TRUE(testing::WaitUntilSleeping(writerThread)) << "the write waits for room";

    const auto start = std::chrono::steady_clock::now();
    EXPECT_TRUE(channel.Close());
    writer.join();
    EXPECT_LT(std::chrono::steady_clock::now() - start, 4s) << "sooner than the write's own 5 s";
    EXPECT_EQ(writeError.load(), ENOTCONN);
    EXPECT_FALSE(channel.IsOpen());

    ASSERT_TRUE(board->Send(Counting(64)));
    EXPECT_TRUE(testing::WaitUntilOthersSleep());
    EXPECT_EQ(sink.AcceptedCount(), 0u);
    EXPECT_EQ(Write({1}).error, ENOTCONN);
    EXPECT_TRUE(channel.Close()) << "closing twice is harmless";
}

TEST_F(HidChannel, AReportTheDeviceDoesNotTakeWithinThreeSecondsFails) {
    PlugIn(0);
    ASSERT_TRUE(Open());
    FillTheLink();
    // As the send path asks: again and again in short waits.
    const auto start = std::chrono::steady_clock::now();
    WriteStep step;
    do {
        step = Write({1}, 250);
    } while (step.error == EAGAIN && std::chrono::steady_clock::now() - start < 10s);
    const auto waited = std::chrono::steady_clock::now() - start;
    EXPECT_EQ(step.error, ETIMEDOUT);
    EXPECT_GE(waited, 2900ms);
}

TEST_F(HidChannel, ReportsAPulledOutDeviceAndArrivalsAndRemovalsAfterTheFirstOpen) {
    const auto board = PlugIn(0);
    EXPECT_EQ(hotplug.sources(), 0);
    ASSERT_TRUE(Open());
    board->Unplug();
    EXPECT_TRUE(listener.WaitForLost());

    EXPECT_EQ(hotplug.sources(), 1);
    hotplug.Announce(Kind::Removed, "/dev/hidraw0");
    EXPECT_EQ(listener.WaitForEvents(1), (std::vector<std::string>{"-/dev/hidraw0"}));
    // Closed, the channel still tells of devices coming back.
    channel.Close();
    hotplug.Announce(Kind::Arrived, "/dev/hidraw0");
    EXPECT_EQ(listener.WaitForEvents(2), (std::vector<std::string>{"-/dev/hidraw0", "+/dev/hidraw0"}));

    nodes.Plug("/dev/hidraw0");
    ASSERT_TRUE(Open());
    EXPECT_EQ(hotplug.sources(), 1) << "registered once";
    channel.EndNotifications();
    hotplug.Announce(Kind::Removed, "/dev/hidraw0");
    EXPECT_EQ(listener.WaitForEvents(3, 200ms).size(), 2u);
}

}  // namespace
}  // namespace viz::testing
