// The serial port's life across a loss, without the page: what waits, what
// closes, and what is opened again with which settings.
#include "serial/SerialReconnect.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <set>

#include "SerialSysfs.h"
#include "SerialTestSupport.h"

namespace viz {
namespace {

using testing::FakeUsbAdapter;
using testing::PtyPair;
using State = SerialReconnect::State;
using Loss = SerialReconnect::Loss;
namespace fs = std::filesystem;

class SerialReconnectTest : public testing::FakeSysfsTest {
protected:
    // Records every open it is asked for and answers with `openWorks`.
    SerialReconnect::OpenFn Opener() {
        return [this](const SerialPortConfig& config) {
            asked.push_back(config);
            return openWorks;
        };
    }

    SerialReconnect port{sysfs.system()};
    std::vector<ExtraSerialPort> noExtras;
    std::vector<SerialPortConfig> asked;
    bool openWorks = true;
};

// The adapter leaves, another adapter takes its name, ours comes back under
// another name and first refuses to open: the wait goes on until it opens,
// with the line settings it had.
TEST_F(SerialReconnectTest, AnAdapterThatComesBackIsOpenedWithItsSettingsOnceItOpens) {
    PtyPair first;
    FakeUsbAdapter board;
    sysfs.AddUsbOnPty("ttyUSB0", board, first.slave());
    SerialPortConfig config;
    config.device = sysfs.NodePath("ttyUSB0");
    config.baud = 115200;
    config.dataBits = 7;
    config.parity = Parity::Even;
    config.stopBits = StopBits::Two;
    port.Opened(config, noExtras);
    EXPECT_EQ(port.state(), State::Open);
    EXPECT_FALSE(port.Retry(noExtras, Opener())) << "nothing to do while open";
    EXPECT_FALSE(port.IsRemovalOfOpenPort(sysfs.NodePath("ttyUSB1")));
    EXPECT_TRUE(port.IsRemovalOfOpenPort(sysfs.NodePath("ttyUSB0")));

    sysfs.Remove("ttyUSB0");
    EXPECT_EQ(port.Lost(true), Loss::Waiting);
    EXPECT_EQ(port.state(), State::Waiting);
    EXPECT_EQ(port.Lost(true), Loss::NotOpen) << "the channel's and udev's news of one loss";
    EXPECT_FALSE(port.IsRemovalOfOpenPort(sysfs.NodePath("ttyUSB0")));
    EXPECT_FALSE(port.Retry(noExtras, Opener()));

    PtyPair stranger;
    FakeUsbAdapter other;
    other.serial = "0002";
    other.location = "1-3";
    sysfs.AddUsbOnPty("ttyUSB0", other, stranger.slave());
    EXPECT_FALSE(port.Retry(noExtras, Opener()));
    EXPECT_TRUE(asked.empty()) << "another adapter under the old name is never opened";

    PtyPair back;
    sysfs.AddUsbOnPty("ttyUSB3", board, back.slave());
    openWorks = false;
    EXPECT_FALSE(port.Retry(noExtras, Opener()));
    EXPECT_EQ(port.state(), State::Waiting) << "back but not ready: still waited for";
    openWorks = true;
    EXPECT_EQ(port.Retry(noExtras, Opener()), sysfs.NodePath("ttyUSB3"));
    EXPECT_EQ(port.state(), State::Open);
    ASSERT_EQ(asked.size(), 2u);
    for (const SerialPortConfig& tried : asked) {
        EXPECT_EQ(tried.device, sysfs.NodePath("ttyUSB3"));
        EXPECT_EQ(tried.baud, 115200u);
        EXPECT_EQ(tried.dataBits, 7);
        EXPECT_EQ(tried.parity, Parity::Even);
        EXPECT_EQ(tried.stopBits, StopBits::Two);
    }
    EXPECT_EQ(port.lineConfig().device, sysfs.NodePath("ttyUSB3"));
    EXPECT_TRUE(port.IsRemovalOfOpenPort(sysfs.NodePath("ttyUSB3"))) << "known by its new name";
    EXPECT_FALSE(port.IsRemovalOfOpenPort(sysfs.NodePath("ttyUSB0")));
}

TEST_F(SerialReconnectTest, ALostPortClosesWithoutTheWishOrAWayToTellItAndAClosedWaitOpensNothing) {
    PtyPair pty;
    SerialPortConfig config;
    config.device = pty.slave();
    port.Opened(config, noExtras);
    EXPECT_EQ(port.Lost(true), Loss::Closed) << "a pseudo-terminal by its own number has no identity";
    EXPECT_EQ(port.state(), State::Closed);

    const fs::path link = dir / "board";
    fs::create_symlink(pty.slave(), link);
    config.device = link.string();
    port.Opened(config, noExtras);
    EXPECT_EQ(port.Lost(false), Loss::Closed) << "\"自动重连\" off";

    port.Opened(config, noExtras);
    ASSERT_EQ(port.Lost(true), Loss::Waiting);
    port.Close();
    PtyPair again;
    fs::remove(link);
    fs::create_symlink(again.slave(), link);
    EXPECT_FALSE(port.Retry(noExtras, Opener()));
    EXPECT_TRUE(asked.empty());
    EXPECT_EQ(port.state(), State::Closed);
}

// A board this program runs is followed by its id to its next pseudo-terminal.
// A download tool's port: neither a port handed over to it (a pseudo-terminal,
// which has no identity to look for) nor an adapter that came back while the
// tool has it is opened until the reservation ends; then each is opened
// where it was, with its settings.
TEST_F(SerialReconnectTest, APortADownloadHoldsIsWaitedForUntilItIsFree) {
    std::set<std::string> reserved;
    SerialReconnect watched{sysfs.system(),
                            [&](const std::string& path) { return reserved.count(path) != 0; }};
    PtyPair pty;
    SerialPortConfig config;
    config.device = pty.slave();
    config.baud = 57600;
    EXPECT_FALSE(watched.HandOver()) << "nothing open to hand over";
    watched.Opened(config, noExtras);
    reserved.insert(pty.slave());
    ASSERT_TRUE(watched.HandOver());
    EXPECT_TRUE(watched.handedOver());
    EXPECT_EQ(watched.state(), State::Waiting);
    EXPECT_FALSE(watched.Retry(noExtras, Opener()));
    EXPECT_TRUE(asked.empty());
    reserved.clear();
    EXPECT_EQ(watched.Retry(noExtras, Opener()), pty.slave());
    EXPECT_FALSE(watched.handedOver());
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0].baud, 57600u);

    PtyPair first;
    FakeUsbAdapter board;
    sysfs.AddUsbOnPty("ttyUSB0", board, first.slave());
    config.device = sysfs.NodePath("ttyUSB0");
    watched.Opened(config, noExtras);
    sysfs.Remove("ttyUSB0");
    ASSERT_EQ(watched.Lost(true), Loss::Waiting);
    EXPECT_FALSE(watched.handedOver()) << "lost, not handed over";
    PtyPair back;
    sysfs.AddUsbOnPty("ttyUSB1", board, back.slave());
    reserved.insert(sysfs.NodePath("ttyUSB1"));
    EXPECT_FALSE(watched.Retry(noExtras, Opener()));
    EXPECT_EQ(asked.size(), 1u) << "back, but the download's";
    reserved.clear();
    EXPECT_EQ(watched.Retry(noExtras, Opener()), sysfs.NodePath("ttyUSB1"));
}

TEST_F(SerialReconnectTest, ABoardIsFollowedByItsIdAcrossRestarts) {
    std::vector<ExtraSerialPort> extras{{"board", "/dev/pts/70", "board"}};
    SerialPortConfig config;
    config.device = "/dev/pts/70";
    port.Opened(config, extras);
    ASSERT_EQ(port.Lost(true), Loss::Waiting);
    extras.clear();
    EXPECT_FALSE(port.Retry(extras, Opener()));
    extras.push_back({"board", "/dev/pts/71", "restarted"});
    EXPECT_EQ(port.Retry(extras, Opener()), "/dev/pts/71");
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0].device, "/dev/pts/71");
}

}  // namespace
}  // namespace viz
