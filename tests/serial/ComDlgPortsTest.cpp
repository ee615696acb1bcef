// The serial page's port list as the user sees it: ports by name, kept up to
// date as ports arrive and leave, ports the program offers, and the choice
// that is saved.
#include "ComDlgTestSupport.h"

namespace viz::testing {
namespace {

using Kind = HotplugEvent::Kind;

class ComDlgPorts : public ComDlgTest {
protected:
    QStringList Entries() {
        QStringList entries;
        for (int i = 0; i < List("port")->count(); ++i) entries.append(List("port")->itemText(i));
        return entries;
    }
    // Plugs in an adapter and waits until the list shows it.
    void PlugIn(const std::string& name, const FakeUsbAdapter& adapter, const std::string& deviceNumber) {
        sysfs.AddUsb(name, adapter, deviceNumber);
        Announce(Kind::Arrived, name);
    }
    void Announce(Kind kind, const std::string& name) {
        const int before = List("port")->count();
        hotplug.Announce(kind, "/dev/" + name);
        EXPECT_TRUE(QTest::qWaitFor([&] { return List("port")->count() != before; }, 20000)) << name;
    }
};

FakeUsbAdapter Ftdi(const std::string& serial) {
    FakeUsbAdapter adapter;
    adapter.vendorId = "0403";
    adapter.productId = "6001";
    adapter.serial = serial;
    adapter.product = "FT232R USB UART";
    adapter.manufacturer = "FTDI";
    adapter.driver = "ftdi_sio";
    adapter.location = "1-" + serial;
    return adapter;
}

TEST_F(ComDlgPorts, ANewAdapterIsSelectedOnlyUntilTheUserChoosesAndAChoiceOutlivesItsPort) {
    EXPECT_EQ(page().portPath(), QStringLiteral("/dev/ttyUSB0")) << "nothing saved: the first entry";

    PlugIn("ttyUSB1", Ftdi("7"), "188:1");
    EXPECT_EQ(List("port")->currentText(), QStringLiteral("/dev/ttyUSB1  FT232R USB UART (FTDI)"));
    EXPECT_EQ(Entries().size(), 4);

    // The user picks a port; later arrivals leave it selected.
    QTest::keyClick(List("port"), Qt::Key_Down);
    QTest::keyClick(List("port"), Qt::Key_Down);
    ASSERT_EQ(page().portPath(), QStringLiteral("/dev/ttyS2"));
    PlugIn("ttyUSB2", Ftdi("8"), "188:2");
    EXPECT_EQ(page().portPath(), QStringLiteral("/dev/ttyS2"));

    // It stays, as its path, when it leaves the list.
    sysfs.Remove("ttyS2");
    Announce(Kind::Removed, "ttyS2");
    EXPECT_FALSE(Entries().join(u'\n').contains(QStringLiteral("ttyS2")));
    EXPECT_EQ(List("port")->currentText(), QStringLiteral("/dev/ttyS2"));

    // A typed path stays as typed through a refresh.
    Type(List("port")->lineEdit(), QStringLiteral("pts/9"));
    PlugIn("ttyUSB3", Ftdi("9"), "188:3");
    EXPECT_EQ(List("port")->currentText(), QStringLiteral("pts/9"));
    EXPECT_EQ(page().portPath(), QStringLiteral("/dev/pts/9"));

    EndPage();
    SerialSettings saved;
    ASSERT_EQ(store.ReadSerial(saved), 0);
    EXPECT_EQ(saved.port, u"/dev/pts/9");
}

TEST_F(ComDlgPorts, ASavedPortIsTheUsersChoiceAndAnOpenPortStaysOpenThroughRefreshes) {
    ASSERT_EQ(store.WriteSerial(
                  {.baud = 9600, .dataBits = 8, .stopBits = 1, .port = u"/dev/ttyS10", .parity = u"NONE"}),
              0);
    EXPECT_EQ(List("port")->currentText(), QStringLiteral("/dev/ttyS10  serial8250"));
    PlugIn("ttyUSB1", Ftdi("7"), "188:1");
    EXPECT_EQ(page().portPath(), QStringLiteral("/dev/ttyS10"));

    OpenPty();
    PlugIn("ttyUSB2", Ftdi("8"), "188:2");
    sysfs.Remove("ttyUSB1");
    Announce(Kind::Removed, "ttyUSB1");
    EXPECT_TRUE(page().isOpen());
    EXPECT_EQ(List("port")->currentText().toStdString(), pty.slave());
    pty.WriteAll({'o', 'k'});
    EXPECT_TRUE(QTest::qWaitFor([&] { return received().receivedTotal() == 2; }, 20000));
}

// A simulated board's UART is listed while it runs, after the USB adapters.
TEST_F(ComDlgPorts, PortsTheProgramOffersComeAndGoWithTheirOwner) {
    page();
    const std::string label = VirtualBoardPortLabel("AT89C52", "11.0592MHz", pty.slave());
    context.extraSerialPorts().Put({"board", pty.slave(), label});
    ASSERT_TRUE(QTest::qWaitFor([&] { return Entries().size() == 4; }, 20000));
    EXPECT_EQ(Entries()[1], QString::fromStdString(label));

    QTest::keyClick(List("port"), Qt::Key_Down);
    EXPECT_EQ(page().portPath().toStdString(), pty.slave());
    Click(Button("open"));
    ASSERT_TRUE(page().isOpen());
    pty.WriteAll({'b'});
    EXPECT_TRUE(QTest::qWaitFor([&] { return received().receivedTotal() == 1; }, 20000));

    Click(Button("open"));
    context.extraSerialPorts().Remove("board");
    ASSERT_TRUE(QTest::qWaitFor([&] { return Entries().size() == 3; }, 20000));
    EXPECT_EQ(page().portPath().toStdString(), pty.slave()) << "the choice stays as its path";
}

TEST_F(ComDlgPorts, AutoReconnectIsOnAtFirstAndItsBoxIsSaved) {
    EXPECT_TRUE(Box("autoReconnect")->isChecked());
    Click(Box("autoReconnect"));
    EndPage();
    std::uint32_t on = 1;
    ASSERT_EQ(store.ReadSerialAutoReconnect(on), 0);
    EXPECT_EQ(on, 0u);
    EXPECT_FALSE(Box("autoReconnect")->isChecked()) << "read back by the next page";
}

}  // namespace
}  // namespace viz::testing
