// A serial port that goes away while open and comes back: the page waits
// with its settings and opens the same device again, whatever its new name.
#include <QLabel>
#include <QRegularExpression>

#include <termios.h>

#include "ComDlgTestSupport.h"
#include "serial/SerialOpenResult.h"

namespace viz::testing {
namespace {

using Kind = HotplugEvent::Kind;
namespace fs = std::filesystem;

constexpr char16_t kWaiting[] = u"\r\n串口已断开，等待设备重新连接…";

// How long the page may take from the device's return to the open port: a
// hang check (the user is promised a second; timings are the benchmarks' business).
constexpr int kReconnectLimitMs = 20000;

class ComDlgReconnect : public ComDlgTest {
protected:
    std::u16string AreaText() { return std::u16string(received().area().text()); }
    bool EndsWith(const std::u16string& tail) {
        const std::u16string text = AreaText();
        return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
    }
    static std::u16string Reconnected(const std::string& path) {
        return u"\r\n串口已重新连接：" + QString::fromStdString(path).toStdU16String() + u"\r\n";
    }

    void ExpectWaiting() {
        EXPECT_TRUE(page().isWaitingForDevice());
        EXPECT_FALSE(page().isOpen());
        EXPECT_EQ(Button("open")->text(), QStringLiteral("关闭串口"));
        EXPECT_EQ(Find<QLabel>("lamp")->accessibleName().toStdString(), "串口状态：等待设备重新连接");
        for (const char* list : {"port", "baud", "dataBits", "stopBits", "parity"})
            EXPECT_FALSE(List(list)->isEnabled()) << list;
        EXPECT_TRUE(EndsWith(kWaiting));
    }

    // Milliseconds until the page has the port open again; -1 past the limit.
    qint64 TimeToReopen() {
        QElapsedTimer clock;
        clock.start();
        if (!QTest::qWaitFor([&] { return page().isOpen(); }, kReconnectLimitMs)) return -1;
        return clock.elapsed();
    }

    // Both ways work on the reopened port.
    void ExpectTraffic(PtyPair& far) {
        far.WriteAll({'h', 'i'});
        const std::int64_t before = received().receivedTotal();
        EXPECT_TRUE(QTest::qWaitFor([&] { return received().receivedTotal() == before + 2; }, 20000));
        page().sendArea()->edit()->setPlainText(QStringLiteral("ok"));
        Click(Button("send"));
        EXPECT_EQ(far.Read(2), (Bytes{'o', 'k'}));
    }

    static void Relink(const fs::path& link, const std::string& target) {
        fs::remove(link);
        fs::create_symlink(target, link);
    }
};

TEST_F(ComDlgReconnect, APseudoTerminalBehindALinkIsOpenedAgainWithTheSameSettings) {
    CPortMonitorDialog* monitor = StartMonitor();
    const fs::path link = dir / "board";
    fs::create_symlink(pty.slave(), link);
    List("baud")->setCurrentText(QStringLiteral("115200"));
    ASSERT_TRUE(TypePortAndOpen(link.string()).isEmpty());
    Click(Box("dtr"));
    ASSERT_TRUE(lines->Outputs() & kLineDtr);

    pty.CloseMaster();
    ASSERT_TRUE(QTest::qWaitFor([&] { return page().isWaitingForDevice(); }, 20000));
    ExpectWaiting();
    EXPECT_TRUE(Box("dtr")->isChecked()) << "kept for the port's return";
    RunTimerTicks(CComDlg::kRetryMs, 3);
    EXPECT_TRUE(page().isWaitingForDevice()) << "nothing behind the link yet";

    PtyPair second;
    Relink(link, second.slave());
    const qint64 took = TimeToReopen();
    EXPECT_GE(took, 0) << "not open again within " << kReconnectLimitMs << " ms";
    EXPECT_TRUE(EndsWith(Reconnected(link.string())));
    EXPECT_EQ(Find<QLabel>("lamp")->accessibleName().toStdString(), "串口状态：已打开");
    EXPECT_TRUE(lines->Outputs() & kLineDtr) << "DTR set again";
    termios line{};
    ASSERT_EQ(::tcgetattr(second.master(), &line), 0);
    EXPECT_EQ(::cfgetospeed(&line), speed_t{B115200});
    ExpectTraffic(second);
    ASSERT_NE(monitor, nullptr);
    const std::vector<std::u16string> kinds = MonitorKinds();
    ASSERT_GE(kinds.size(), 3u);
    EXPECT_EQ(std::vector<std::u16string>(kinds.begin(), kinds.begin() + 3),
              (std::vector<std::u16string>{u"O", u"C", u"O"}));
}

// The notice of the return stands on a line of its own: what the port sends
// next starts a line, with its time stamp.
TEST_F(ComDlgReconnect, TheFirstLineAfterAReturnStartsALineOfItsOwnWithItsStamp) {
    const fs::path link = dir / "board";
    fs::create_symlink(pty.slave(), link);
    ASSERT_TRUE(TypePortAndOpen(link.string()).isEmpty());
    Click(page().receiveArea()->timeStampBox());
    ASSERT_TRUE(page().receiveArea()->timeStampBox()->isChecked());
    pty.CloseMaster();
    ASSERT_TRUE(QTest::qWaitFor([&] { return page().isWaitingForDevice(); }, 2000));

    PtyPair second;
    Relink(link, second.slave());
    ASSERT_TRUE(QTest::qWaitFor([&] { return page().isOpen(); }, 5000));
    second.WriteAll({'h', 'i', '\r', '\n'});
    ASSERT_TRUE(QTest::qWaitFor([&] { return received().receivedTotal() == 4; }, 2000));
    const QString text = QString::fromStdU16String(AreaText());
    const QString notice = QString::fromStdU16String(Reconnected(link.string()));
    EXPECT_TRUE(text.contains(QRegularExpression(QRegularExpression::escape(notice) +
                                                 QStringLiteral("\\[\\d\\d:\\d\\d:\\d\\d\\.\\d{3}\\] hi"))))
        << text.toStdString();
}

// udev says the adapter left before any read failed; it comes back under
// another name, after another adapter took its old one.
TEST_F(ComDlgReconnect, AUsbAdapterIsFoundUnderItsNewNameAndTheBoxFollowsIt) {
    devices.deviceRoot = sysfs.deviceRoot();
    FakeUsbAdapter board;
    board.serial = "B0001";
    board.location = "1-7";
    sysfs.AddUsb("ttyUSB4", board, DeviceNumberOf(pty.slave()));
    sysfs.AddNode("ttyUSB4", pty.slave());
    page().ChoosePort(QString::fromStdString(sysfs.NodePath("ttyUSB4")));
    EXPECT_EQ(List("port")->currentText().toStdString(),
              sysfs.NodePath("ttyUSB4") + "  CP2102N USB to UART Bridge Controller (Silicon Labs)");
    ASSERT_TRUE(Click(Button("open")).isEmpty());
    ASSERT_TRUE(page().isOpen());

    sysfs.Remove("ttyUSB4");
    hotplug.Announce(Kind::Removed, sysfs.NodePath("ttyUSB4"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return page().isWaitingForDevice(); }, 20000));
    ExpectWaiting();
    pty.CloseMaster();

    PtyPair stranger;
    FakeUsbAdapter other = board;
    other.serial = "B0002";
    other.location = "1-8";
    sysfs.AddUsb("ttyUSB4", other, DeviceNumberOf(stranger.slave()));
    sysfs.AddNode("ttyUSB4", stranger.slave());
    hotplug.Announce(Kind::Arrived, sysfs.NodePath("ttyUSB4"));
    RunTimerTicks(CComDlg::kRetryMs, 3);
    EXPECT_TRUE(page().isWaitingForDevice()) << "another adapter under the old name is not ours";

    PtyPair back;
    sysfs.AddUsb("ttyUSB6", board, DeviceNumberOf(back.slave()));
    sysfs.AddNode("ttyUSB6", back.slave());
    hotplug.Announce(Kind::Arrived, sysfs.NodePath("ttyUSB6"));
    EXPECT_GE(TimeToReopen(), 0) << "not open again within " << kReconnectLimitMs << " ms";
    EXPECT_TRUE(EndsWith(Reconnected(sysfs.NodePath("ttyUSB6"))));
    EXPECT_EQ(page().portPath().toStdString(), sysfs.NodePath("ttyUSB6"));
    ExpectTraffic(back);

    // Unplugged again under its new name.
    back.CloseMaster();
    ASSERT_TRUE(QTest::qWaitFor([&] { return page().isWaitingForDevice(); }, 20000));
}

// A simulated board that restarts gets another pseudo-terminal; its id tells it.
TEST_F(ComDlgReconnect, ABoardTheProgramRunsIsFollowedAcrossRestarts) {
    page();
    context.extraSerialPorts().Put({"board", pty.slave(), "board"});
    ASSERT_TRUE(TypePortAndOpen(pty.slave()).isEmpty());
    context.extraSerialPorts().Remove("board");
    pty.CloseMaster();
    ASSERT_TRUE(QTest::qWaitFor([&] { return page().isWaitingForDevice(); }, 20000));

    PtyPair restarted;
    context.extraSerialPorts().Put({"board", restarted.slave(), "board"});
    EXPECT_GE(TimeToReopen(), 0);
    EXPECT_TRUE(EndsWith(Reconnected(restarted.slave())));
    ExpectTraffic(restarted);
}

TEST_F(ComDlgReconnect, TheWaitEndsWithTheCloseButtonOrTheBoxAndWithoutTheBoxALostPortCloses) {
    const fs::path link = dir / "board";
    fs::create_symlink(pty.slave(), link);
    ASSERT_TRUE(TypePortAndOpen(link.string()).isEmpty());
    pty.CloseMaster();
    ASSERT_TRUE(QTest::qWaitFor([&] { return page().isWaitingForDevice(); }, 20000));
    Click(Button("open"));
    EXPECT_FALSE(page().isWaitingForDevice());
    EXPECT_EQ(Button("open")->text(), QStringLiteral("打开串口"));
    EXPECT_EQ(Find<QLabel>("lamp")->accessibleName().toStdString(), "串口状态：已关闭");
    PtyPair second;
    Relink(link, second.slave());
    RunTimerTicks(CComDlg::kRetryMs, 3);
    EXPECT_FALSE(page().isOpen()) << "nothing waits any more";

    ASSERT_TRUE(Click(Button("open")).isEmpty());
    second.CloseMaster();
    ASSERT_TRUE(QTest::qWaitFor([&] { return page().isWaitingForDevice(); }, 20000));
    Click(Box("autoReconnect"));
    EXPECT_FALSE(page().isWaitingForDevice());
    EXPECT_TRUE(List("port")->isEnabled());

    PtyPair third;
    Relink(link, third.slave());
    ASSERT_TRUE(Click(Button("open")).isEmpty());
    third.CloseMaster();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !page().isOpen(); }, 20000));
    EXPECT_FALSE(page().isWaitingForDevice());
    EXPECT_TRUE(EndsWith(QString::fromStdString(SerialDeviceLostText(link.string())).toStdU16String()));
}

}  // namespace
}  // namespace viz::testing
