#include "serial/SerialPortIdentity.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "SerialSysfs.h"
#include "SerialTestSupport.h"

namespace viz {
namespace {

using testing::FakeUsbAdapter;
using testing::PtyPair;
namespace fs = std::filesystem;

class SerialPortIdentityTest : public testing::FakeSysfsTest {
protected:
    std::vector<ExtraSerialPort> noExtras;
};

TEST_F(SerialPortIdentityTest, AUsbAdapterIsFoundUnderAnyNameButNeverAnotherAdapterUnderItsOldName) {
    PtyPair first;
    sysfs.AddUsbOnPty("ttyUSB0", {}, first.slave());
    const SerialPortIdentity who = IdentifySerialPort(sysfs.NodePath("ttyUSB0"), sysfs.system(), noExtras);
    ASSERT_TRUE(who.usb);
    EXPECT_EQ(who.node, sysfs.NodePath("ttyUSB0"));
    EXPECT_TRUE(who.CanReturn());
    EXPECT_TRUE(IsSerialPortRemoval(who, sysfs.NodePath("ttyUSB0")));
    EXPECT_FALSE(IsSerialPortRemoval(who, sysfs.NodePath("ttyUSB1")));
    EXPECT_EQ(FindSerialPort(who, sysfs.system(), noExtras), sysfs.NodePath("ttyUSB0")) << "still there";

    sysfs.Remove("ttyUSB0");
    EXPECT_EQ(FindSerialPort(who, sysfs.system(), noExtras), "");

    FakeUsbAdapter other;
    other.serial = "0002";
    other.location = "1-3";
    PtyPair stranger;
    sysfs.AddUsbOnPty("ttyUSB0", other, stranger.slave());
    EXPECT_EQ(FindSerialPort(who, sysfs.system(), noExtras), "") << "another adapter took the name";

    PtyPair back;
    FakeUsbAdapter replugged;
    replugged.location = "1-5";  // another socket: the serial number tells it
    sysfs.AddUsbOnPty("ttyUSB1", replugged, back.slave());
    EXPECT_EQ(FindSerialPort(who, sysfs.system(), noExtras), sysfs.NodePath("ttyUSB1"));

    const SerialPortIdentity reopened =
        IdentifyReopenedSerialPort(who, sysfs.NodePath("ttyUSB1"), sysfs.system(), noExtras);
    EXPECT_EQ(reopened.node, sysfs.NodePath("ttyUSB1"));
    EXPECT_TRUE(IsSerialPortRemoval(reopened, sysfs.NodePath("ttyUSB1")));
}

// udev's by-id link names the adapter; it is followed one step to the node.
TEST_F(SerialPortIdentityTest, TheByIdLinkLeadsToTheAdapterWhereverItIs) {
    PtyPair first;
    sysfs.AddUsbOnPty("ttyUSB0", {}, first.slave());
    const fs::path byId = sysfs.deviceRoot() / "serial" / "by-id";
    fs::create_directories(byId);
    const fs::path link = byId / "usb-Silicon_Labs_CP2102N-if00-port0";
    fs::create_symlink("../../ttyUSB0", link);
    const SerialPortIdentity who = IdentifySerialPort(sysfs.NodePath("ttyUSB0"), sysfs.system(), noExtras);
    EXPECT_EQ(who.byIdLink, link.string());

    sysfs.Remove("ttyUSB0");
    fs::remove(link);
    EXPECT_EQ(FindSerialPort(who, sysfs.system(), noExtras), "");

    PtyPair back;
    sysfs.AddNode("ttyUSB3", back.slave());
    fs::create_symlink("../../ttyUSB3", link);
    EXPECT_EQ(FindSerialPort(who, sysfs.system(), noExtras), sysfs.NodePath("ttyUSB3"));
}

// A pseudo-terminal has no identity: a link to it is found again by the
// link, once the link is made anew; its own number never.
TEST_F(SerialPortIdentityTest, APseudoTerminalReturnsOnlyBehindALinkMadeAnew) {
    auto pty = std::make_unique<PtyPair>();
    const std::string link = (dir / "board").string();
    fs::create_symlink(pty->slave(), link);
    const SerialPortIdentity who = IdentifySerialPort(link, sysfs.system(), noExtras);
    EXPECT_TRUE(who.byPath);
    EXPECT_TRUE(who.node.empty());
    EXPECT_FALSE(who.usb);
    EXPECT_TRUE(IsSerialPortRemoval(who, link));

    // The link still leads to a terminal under the old number: it may be
    // someone else's now.
    EXPECT_EQ(FindSerialPort(who, sysfs.system(), noExtras), "");
    pty.reset();
    EXPECT_EQ(FindSerialPort(who, sysfs.system(), noExtras), "");

    PtyPair again;
    fs::remove(link);
    fs::create_symlink(again.slave(), link);
    EXPECT_EQ(FindSerialPort(who, sysfs.system(), noExtras), link);

    const SerialPortIdentity bare = IdentifySerialPort(again.slave(), sysfs.system(), noExtras);
    EXPECT_FALSE(bare.CanReturn());
    EXPECT_EQ(FindSerialPort(bare, sysfs.system(), noExtras), "");
}

TEST_F(SerialPortIdentityTest, AnExtraPortIsFoundByItsIdAndTheRegistryTellsItsListeners) {
    ExtraSerialPorts registry;
    int changes = 0;
    {
        const ExtraSerialPorts::Subscription subscription = registry.Subscribe([&] { ++changes; });
        registry.Put({"board", "/dev/pts/70", VirtualBoardPortLabel("AT89C52", "11.0592MHz", "/dev/pts/70")});
        registry.Put({"other", "/dev/pts/71", "other"});
        EXPECT_EQ(changes, 2);
        ASSERT_EQ(registry.ports().size(), 2u);
        EXPECT_EQ(registry.ports()[0].label, "虚拟开发板：AT89C52 @ 11.0592MHz (/dev/pts/70)");

        const SerialPortIdentity who = IdentifySerialPort("/dev/pts/70", sysfs.system(), registry.ports());
        EXPECT_EQ(who.extraId, "board");
        registry.Remove("board");
        registry.Remove("board");
        EXPECT_EQ(changes, 3) << "removing what is not there tells nobody";
        EXPECT_EQ(FindSerialPort(who, sysfs.system(), registry.ports()), "");

        registry.Put({"board", "/dev/pts/72", "restarted"});
        EXPECT_EQ(FindSerialPort(who, sysfs.system(), registry.ports()), "/dev/pts/72");
        registry.Put({"board", "/dev/pts/73", "replaced"});
        ASSERT_EQ(registry.ports().size(), 2u) << "one entry per id";
        EXPECT_EQ(registry.ports()[1].path, "/dev/pts/73");
    }
    registry.Remove("other");
    EXPECT_EQ(changes, 5) << "no call after the subscription ended";
}

}  // namespace
}  // namespace viz
