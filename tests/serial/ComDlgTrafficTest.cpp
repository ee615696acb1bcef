// The serial page's traffic over a pseudo-terminal: sending, receiving, the
// monitor, multi-send, ports that cannot be opened and ports that vanish.
#include <QPlainTextEdit>

#include <atomic>
#include <thread>

#include "ComDlgTestSupport.h"
#include "serial/SerialOpenResult.h"

namespace viz::testing {
namespace {

using ComDlgTraffic = ComDlgTest;

Bytes FileBytes(const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

std::u16string Tail(std::u16string_view text, std::size_t size) {
    return std::u16string(text.size() < size ? text : text.substr(text.size() - size));
}

TEST_F(ComDlgTraffic, HexSendReachesTheFarEndAndTheMonitor) {
    CPortMonitorDialog* monitor = StartMonitor();
    ASSERT_NE(monitor, nullptr);
    EXPECT_EQ(monitor->windowTitle(), QStringLiteral("伪串口监视器"));
    OpenPty();

    Click(Box("hexSend"));
    page().sendArea()->edit()->setPlainText(QStringLiteral("01 02 03"));
    Click(Button("send"));
    EXPECT_EQ(pty.Read(3), (Bytes{1, 2, 3}));
    EXPECT_TRUE(pty.Read(1, std::chrono::milliseconds(50)).empty());
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return page().sendArea()->title() == QStringLiteral("发送区：已发送3字节"); }, 20000));

    Click(Button("open"));
    const std::vector<MonitorRow>& rows = monitor->list()->rows();
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0][1], u"O");
    EXPECT_EQ(rows[1][1], u"S");
    EXPECT_EQ(rows[1][2], u"0003");
    EXPECT_EQ(rows[2][1], u"C");
    Click(Button("send"));
    EXPECT_EQ(rows.size(), 3u) << "a closed port sends nothing";
}

TEST_F(ComDlgTraffic, FarEndBytesAreCountedShownMonitoredAndWrittenOut) {
    StartMonitor();
    OpenPty();
    page().receiveArea()->ToggleOutput();
    ASSERT_TRUE(received().outputOn());

    pty.WriteAll({'h', 'i', 0xC4, 0xE3});
    ASSERT_TRUE(QTest::qWaitFor([&] { return received().receivedTotal() == 4; }, 20000));
    Click(Box("hexDisplay"));
    pty.WriteAll({0x41, 0x0A});
    ASSERT_TRUE(QTest::qWaitFor([&] { return received().receivedTotal() == 6; }, 20000));
    EXPECT_EQ(Tail(received().area().text(), 9), u"hi你41 0A ");
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return page().receiveArea()->title().startsWith(QStringLiteral("接收区：已接收6字节，")); },
        20000));

    page().receiveArea()->ToggleOutput();
    EXPECT_EQ(FileBytes(dir / "串口数据输出记录.txt"),
              (Bytes{'h', 'i', 0xC4, 0xE3, '4', '1', ' ', '0', 'A', ' '}));
    std::size_t received = 0;
    for (const MonitorRow& row : page().monitor()->list()->rows()) {
        if (row[1] == u"R") received += std::stoul(std::string(row[2].begin(), row[2].end()));
    }
    EXPECT_EQ(received, 6u);
}

TEST_F(ComDlgTraffic, MultiSendWritesToThePortWithoutTouchingTheCounters) {
    StartMonitor();
    OpenPty();
    Click(Button("moreSend"));
    CMoreSendDialog* dialog = page().moreSendDialog();
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(dialog->windowTitle(), QStringLiteral("串口多项发送"));
    dialog->entry(0)->setText(QStringLiteral("AB"));
    QTest::mouseClick(dialog->sendButton(0), Qt::LeftButton);
    EXPECT_EQ(pty.Read(2), (Bytes{'A', 'B'}));
    EXPECT_TRUE(QTest::qWaitFor([&] { return MonitorKinds().size() == 2; }, 20000));
    EXPECT_EQ(MonitorKinds(), (std::vector<std::u16string>{u"O", u"S"}));
    EXPECT_EQ(page().sendArea()->link(0).sentTotal(), 0);
}

TEST_F(ComDlgTraffic, PortsThatCannotBeOpenedSayWhyAndLeaveThePageClosed) {
    const std::string missing = (dir / "ttyNoSuch").string();
    SerialOpenResult notFound;
    notFound.error = SerialOpenError::NotFound;
    notFound.device = missing;
    EXPECT_EQ(TypePortAndOpen(missing), QStringList{QString::fromStdString(SerialOpenFailureText(notFound))});
    EXPECT_FALSE(page().isOpen());
    EXPECT_EQ(Button("open")->text(), QStringLiteral("打开串口"));

    const std::string plain = (dir / "plain.txt").string();
    std::ofstream(plain) << "not a port";
    const QStringList messages = TypePortAndOpen(plain);
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages[0].contains(QStringLiteral("不是串口"))) << messages[0].toStdString();
    EXPECT_FALSE(page().isOpen());

    EXPECT_TRUE(TypePortAndOpen("").isEmpty()) << "no port chosen: nothing happens, nothing is said";
    EXPECT_FALSE(page().isOpen());
}

TEST_F(ComDlgTraffic, APortHeldByAnotherOpenerIsBusy) {
    CSerial other;
    ChunkCollector sink;
    RecordingListener listener;
    ASSERT_TRUE(other.Open(PortConfig(pty.slave()), sink, listener).ok());
    const QStringList messages = TypePortAndOpen(pty.slave());
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages[0].contains(QStringLiteral("已被其他程序占用"))) << messages[0].toStdString();
    EXPECT_FALSE(page().isOpen());
    other.Close();
    EXPECT_TRUE(Click(Button("open")).isEmpty());
    EXPECT_TRUE(page().isOpen());
}

TEST_F(ComDlgTraffic, ANameUnderDevIsOpenedWithoutItsFolder) {
    ASSERT_EQ(pty.slave().rfind("/dev/", 0), 0u);
    EXPECT_TRUE(TypePortAndOpen(pty.slave().substr(5)).isEmpty());
    EXPECT_TRUE(page().isOpen());
}

TEST_F(ComDlgTraffic, AVanishedDeviceClosesThePortAndSaysSo) {
    StartMonitor();
    OpenPty();
    Click(Box("continuous"));
    pty.WriteAll({'o', 'k'});
    ASSERT_TRUE(QTest::qWaitFor([&] { return received().receivedTotal() == 2; }, 20000));

    pty.CloseMaster();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !page().isOpen(); }, 20000));
    EXPECT_EQ(Button("open")->text(), QStringLiteral("打开串口"));
    EXPECT_TRUE(List("port")->isEnabled());
    const std::u16string lost = QString::fromStdString(SerialDeviceLostText(pty.slave())).toStdU16String();
    EXPECT_EQ(Tail(received().area().text(), lost.size() + 2), u"ok" + lost);
    EXPECT_EQ(MonitorKinds(), (std::vector<std::u16string>{u"O", u"R", u"C"}));
}

// A reader waiting for the page (the UI thread is busy) must not keep the
// close button from closing, and nothing is counted after it.
TEST_F(ComDlgTraffic, ClosingWhileDataPoursInStopsCountingAtOnce) {
    OpenPty();
    std::atomic<bool> stop{false};
    std::thread writer([&] {
        const Bytes block = Pattern(4096);
        while (!stop.load()) {
            if (::write(pty.master(), block.data(), block.size()) < 0) {
                pollfd room{pty.master(), POLLOUT, 0};
                ::poll(&room, 1, 10);
            }
        }
    });
    ASSERT_TRUE(QTest::qWaitFor([&] { return received().receivedTotal() > 64 * 1024; }, 20000));
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    Click(Button("open"));
    EXPECT_FALSE(page().isOpen());
    const std::int64_t atClose = received().receivedTotal();
    // The writer keeps pouring; what the reader handed over before the close is handled.
    EXPECT_TRUE(HandlePostedEvents());
    EXPECT_EQ(received().receivedTotal(), atClose);
    stop = true;
    writer.join();

    EXPECT_TRUE(Click(Button("open")).isEmpty());
    EXPECT_TRUE(page().isOpen()) << "the port can be opened again";
}

}  // namespace
}  // namespace viz::testing
