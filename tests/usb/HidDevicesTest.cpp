// Report descriptors and the sysfs listing of HID devices.
#include <gtest/gtest.h>

#include "HidTestSupport.h"
#include "TempDir.h"
#include "usb/HidDevices.h"
#include "usb/HidReportDescriptor.h"

namespace viz::testing {
namespace {

HidReportLayout Parse(const HidBytes& descriptor, std::size_t size = SIZE_MAX) {
    return ParseReportDescriptor(descriptor.data(), std::min(size, descriptor.size()));
}

// Lengths as HID drivers count them: the longest report's data plus the report-ID byte.
TEST(HidReportDescriptor, GivesTheLongestReportsOfRealDevices) {
    const HidReportLayout keyboard = Parse(kKeyboardDescriptor);
    EXPECT_EQ(keyboard.inputLength, 9u);
    EXPECT_EQ(keyboard.outputLength, 2u);
    EXPECT_FALSE(keyboard.numbered);

    const HidReportLayout vendor = Parse(kVendorDescriptor);
    EXPECT_EQ(vendor.inputLength, 65u);
    EXPECT_EQ(vendor.outputLength, 65u);
    EXPECT_FALSE(vendor.numbered);

    // The keyboard's 8 bytes, the consumer control's 2 and the vendor
    // channel's 64 are separate reports: the longest counts, not their sum.
    const HidReportLayout numbered = Parse(kNumberedDescriptor);
    EXPECT_EQ(numbered.inputLength, 65u);
    EXPECT_EQ(numbered.outputLength, 65u);
    EXPECT_TRUE(numbered.numbered);
}

TEST(HidReportDescriptor, KeepsWhatCompleteItemsDescribeWhenCutShortOrMalformed) {
    // Cut right after the vendor device's input item, then inside the next
    // two-byte item: the output report is never reached.
    EXPECT_EQ(Parse(kVendorDescriptor, 20).inputLength, 65u);
    EXPECT_EQ(Parse(kVendorDescriptor, 20).outputLength, 0u);
    EXPECT_EQ(Parse(kVendorDescriptor, 25).outputLength, 0u);
    EXPECT_EQ(Parse({}).inputLength, 0u);

    // Pushed globals come back; a pop without a push and a long item that
    // claims more bytes than there are change nothing.
    const HidBytes pushPop = {0x75, 0x08, 0x95, 0x04, 0xA4, 0x75, 0x10, 0x95, 0x02,
                              0x81, 0x02, 0xB4, 0xB4, 0x81, 0x02, 0xFE, 0x40, 0x01};
    EXPECT_EQ(Parse(pushPop).inputLength, 9u);
    // Report size and count at their 32-bit maximum do not wrap around.
    const HidBytes huge = {0x77, 0xFF, 0xFF, 0xFF, 0xFF, 0x97, 0xFF,
                           0xFF, 0xFF, 0xFF, 0x81, 0x02, 0x81, 0x02};
    EXPECT_GT(Parse(huge).inputLength, std::size_t{0xFFFFFFFF});
}

class HidListing : public ::testing::Test {
protected:
    TempDir dir;
    FakeHidTree tree{dir / "sys"};
};

TEST_F(HidListing, ReadsNumbersNamesAndReportLengthsInNodeOrder) {
    FakeHid bluetooth;
    bluetooth.bus = 0x05;
    bluetooth.vendor = 0x046D;
    bluetooth.product = 0xB33A;
    bluetooth.hidName = "Keys-To-Go";
    bluetooth.descriptor = kKeyboardDescriptor;
    FakeHid board;
    board.productString = std::string(200, 'x') + "\xF0\x9F\x98\x80";
    FakeHid numbered;
    numbered.vendor = 0x1A86;
    numbered.product = 0xE010;
    numbered.release = 0x0110;
    numbered.productString = "USB串口调试器";
    numbered.descriptor = kNumberedDescriptor;
    // Added out of order; hidraw10 sorts after hidraw2 by number, not as text.
    tree.Add(10, numbered);
    tree.Add(2, board);
    tree.Add(1, bluetooth);
    std::filesystem::create_directories(tree.classRoot() / "hidraw7");  // no device behind it

    const std::vector<HidInterface> found = ListHidInterfaces(tree.classRoot(), "/dev");
    ASSERT_EQ(found.size(), 3u);
    EXPECT_EQ(found[0].devicePath, "/dev/hidraw1");
    EXPECT_EQ(found[0].vendorId, 0x046Du);
    EXPECT_EQ(found[0].productId, 0xB33Au);
    EXPECT_EQ(found[0].version, 0u) << "only USB devices have a release number";
    EXPECT_EQ(found[0].product, u"Keys-To-Go");
    EXPECT_EQ(found[0].reports.outputLength, 2u);

    EXPECT_EQ(found[1].devicePath, "/dev/hidraw2");
    EXPECT_EQ(found[1].version, 0x0200u);
    EXPECT_EQ(found[1].product, std::u16string(kProductUnits, u'x')) << "cut to the table's room";
    EXPECT_EQ(found[1].reports.inputLength, 65u);

    EXPECT_EQ(found[2].devicePath, "/dev/hidraw10");
    EXPECT_EQ(found[2].vendorId, 0x1A86u);
    EXPECT_EQ(found[2].productId, 0xE010u);
    EXPECT_EQ(found[2].version, 0x0110u);
    EXPECT_EQ(found[2].product, u"USB串口调试器");
    EXPECT_TRUE(found[2].reports.numbered);
}

TEST_F(HidListing, ChannelFillsAtMostSixtyFourRecordsInOrder) {
    for (int number = 69; number >= 0; --number) {
        FakeHid device;
        device.product = static_cast<std::uint32_t>(number);
        device.productString = "Board " + std::to_string(number);
        tree.Add(number, device);
    }
    CHIDUSB channel(HidSystem{.classRoot = tree.classRoot(), .deviceRoot = "/dev", .open = {}, .events = {}});
    const std::vector<HidDeviceRecord> records = channel.ListDevices();
    ASSERT_EQ(records.size(), CHIDUSB::kMaxDevices);
    for (std::size_t i = 0; i < records.size(); ++i) {
        EXPECT_EQ(records[i].productId, i);
        EXPECT_EQ(records[i].vendorId, 0x0472u);
        EXPECT_EQ(records[i].version, 0x0200u);
        const std::string number = std::to_string(i);
        EXPECT_EQ(records[i].product, u"Board " + std::u16string(number.begin(), number.end()));
    }
}

}  // namespace
}  // namespace viz::testing
