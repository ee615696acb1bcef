#include "net/ServerDlg.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include <sys/ioctl.h>
#include <sys/stat.h>

#include <charconv>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>

#include "ModalCatcher.h"
#include "PageTestSupport.h"
#include "TempDir.h"
#include "net/NetTestSupport.h"
#include "net/RecordArea.h"
#include "terminal/ReceiveArea.h"
#include "terminal/SendArea.h"

namespace viz {
namespace {

using namespace net_testing;
using testing::CurrentDirectory;
using testing::RunLoopUntil;
using testing::TempDir;

std::string Received(int fd, std::size_t count) {
    const auto bytes = ReadUpTo(fd, count, 3s);
    return {bytes.begin(), bytes.end()};
}

// The socket (its inode) of this process whose peer has the local port
// `peerPort`, or 0; and whether a descriptor of this process still holds a
// socket, whatever its state.
ino_t ServerSocketOf(int peerPort) {
    for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) {
        int fd = -1;
        const std::string name = entry.path().filename().string();
        std::from_chars(name.data(), name.data() + name.size(), fd);
        sockaddr_in remote{};
        socklen_t length = sizeof remote;
        struct stat status {};
        if (::getpeername(fd, reinterpret_cast<sockaddr*>(&remote), &length) == 0 &&
            remote.sin_family == AF_INET && ntohs(remote.sin_port) == peerPort && ::fstat(fd, &status) == 0)
            return status.st_ino;
    }
    return 0;
}

bool SocketStillOpen(ino_t socket) {
    for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) {
        struct stat status {};
        if (::stat(entry.path().c_str(), &status) == 0 && S_ISSOCK(status.st_mode) && status.st_ino == socket)
            return true;
    }
    return false;
}

class ServerDlgTest : public ::testing::Test {
protected:
    void Create(int serverPort) {
        port = serverPort;
        store.WriteServerPort(static_cast<std::uint32_t>(port));
        page = std::make_unique<CServerDlg>(context, nullptr);
        page->resize(1000, 650);
    }

    template <typename T = QAbstractButton>
    T* Find(const char* name) const {
        T* widget = page->findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(widget, nullptr) << name;
        return widget;
    }
    void Click(const char* name) { QTest::mouseClick(Find(name), Qt::LeftButton); }
    bool Wait(const std::function<bool()>& condition, int ms = 20000) {
        return RunLoopUntil(condition, ms).reached;
    }
    std::u16string Records() const { return page->recordArea()->text(); }
    bool Recorded(const QString& line) const {
        return Records().find((line + QStringLiteral("\r\n\r\n")).toStdU16String()) != std::u16string::npos;
    }
    QStringList Entries() const {
        QStringList entries;
        for (int i = 0; i < page->chooser()->count(); ++i) entries.append(page->chooser()->itemText(i));
        return entries;
    }

    // A peer that connects and is listed in the chooser.
    Fd Join() {
        const int before = page->chooser()->count();
        Fd peer = ConnectTo(port);
        EXPECT_GE(peer.get(), 0);
        EXPECT_TRUE(Wait([&] { return page->chooser()->count() == before + 1; }));
        return peer;
    }

    void LoadFile(const std::string& name, const std::string& content) {
        std::ofstream(dir / name, std::ios::binary) << content;
        const QString path = QString::fromStdString((dir / name).string());
        page->sendArea()->setFileChooser([path] { return path; });
        page->sendArea()->LoadFile();
    }

    // What `fd` receives while the page's event loop runs (its timers tick).
    std::string ReceivedWhileRunning(int fd, std::size_t count) {
        std::string data;
        Wait([&] {
            char buffer[4096];
            const ssize_t got = ::recv(fd, buffer, sizeof buffer, MSG_DONTWAIT);
            if (got > 0) data.append(buffer, static_cast<std::size_t>(got));
            return data.size() >= count;
        });
        return data;
    }

    bool FileSent() {
        return Wait([&] {
            return page->sendArea()->edit()->toPlainText().endsWith(
                QStringLiteral("发送文件完成，请重新载入文件！"));
        });
    }

    TempDir dir;
    CurrentDirectory current{dir.path()};
    SettingsStore store{dir / "Vizuruv.conf"};
    PageContext context{store};
    std::unique_ptr<CServerDlg> page;
    int port = 0;
};

TEST_F(ServerDlgTest, StartsWithItsNotesAndDefaultsAndKeepsThePortAtExitUnlessDefaultsWereRestored) {
    SettingsStore empty{dir / "empty.conf"};
    PageContext emptyContext{empty};
    {
        CServerDlg fresh(emptyContext, nullptr);
        EXPECT_EQ(fresh.findChild<QLineEdit*>(QStringLiteral("port"))->text(), QStringLiteral("8888"));
        EXPECT_EQ(fresh.findChild<QLineEdit*>(QStringLiteral("period"))->text(), QStringLiteral("1000"));
        EXPECT_EQ(fresh.findChild<QLineEdit*>(QStringLiteral("frameTime"))->text(), QStringLiteral("40"));
        EXPECT_EQ(
            fresh.recordArea()->text(),
            u"注意事项：\n\n\r\n\r\n当要对某一客户端发送数据，需要通过客户端列表进行选择！\r\n\r\n\r\n");
        EXPECT_TRUE(fresh.receiveArea()->pipeline().area().text().starts_with(u"\r\n进行网络调试时请注意："));
        EXPECT_EQ(
            fresh.receiveArea()->title(),
            QStringLiteral("接收区：已接收0字节（提示：双击文本框立即保存数据，右键点击则显示更多功能）"));
        EXPECT_EQ(fresh.findChild<QPushButton*>(QStringLiteral("create"))->text(), QStringLiteral("创建"));
    }
    std::uint32_t stored = 0;
    ASSERT_EQ(empty.ReadServerPort(stored), 0);
    EXPECT_EQ(stored, 8888u) << "the port is written at exit";

    Create(1234);
    EXPECT_EQ(Find<QLineEdit>("port")->text(), QStringLiteral("1234"));
    Find<QLineEdit>("port")->setText(QStringLiteral("4321"));
    page.reset();
    ASSERT_EQ(store.ReadServerPort(stored), 0);
    EXPECT_EQ(stored, 4321u);

    Create(1234);
    Find<QLineEdit>("port")->setText(QStringLiteral("5555"));
    store.RestoreDefaults();
    page.reset();
    store.ReadServerPort(stored);
    EXPECT_EQ(stored, 8888u) << "restored defaults survive the page's exit";
}

TEST_F(ServerDlgTest, APortThatCannotBeTakenSaysWhyAndLeavesTheServerClosed) {
    const Fd taken = Listening();
    Create(LocalPort(taken.get()));
    Click("create");
    EXPECT_FALSE(page->created());
    EXPECT_EQ(Find("create")->text(), QStringLiteral("创建"));
    EXPECT_TRUE(Find<QLineEdit>("port")->isEnabled());
    EXPECT_TRUE(Recorded(
        QStringLiteral("创建服务器失败：端口%1已被占用，请改用其他端口或关闭占用该端口的程序").arg(port)));

    Find<QLineEdit>("port")->setText(QStringLiteral("0"));
    Click("create");
    EXPECT_FALSE(page->created());
    EXPECT_TRUE(Recorded(QStringLiteral("创建服务器失败：端口应为1～65535之间的数字")));
}

TEST_F(ServerDlgTest, ClientsComeAndGoInTheChooserAndTheRecordAndClosingTheServerLetsAllGo) {
    Create(FreeTcpPort());
    page->show();
    Click("create");
    ASSERT_TRUE(page->created());
    EXPECT_EQ(Find("create")->text(), QStringLiteral("关闭"));
    EXPECT_FALSE(Find<QLineEdit>("port")->isEnabled());

    Fd first = Join();
    Fd second = Join();
    Fd third = Join();
    const int ports[] = {LocalPort(first.get()), LocalPort(second.get()), LocalPort(third.get())};
    EXPECT_EQ(Entries(), (QStringList{QStringLiteral("127.0.0.1 : %1").arg(ports[0]),
                                      QStringLiteral("127.0.0.1 : %1").arg(ports[1]),
                                      QStringLiteral("127.0.0.1 : %1").arg(ports[2])}))
        << "clients of one host differ only by port, in connection order";
    EXPECT_EQ(page->chooser()->currentIndex(), 0);
    EXPECT_TRUE(Recorded(QStringLiteral("远程IP:127.0.0.1:%1与服务器建立连接！").arg(ports[1])));
    EXPECT_EQ(page->currentClient()->port(), ports[2]) << "the newest client is current";

    second.Reset();
    ASSERT_TRUE(Wait([&] { return page->chooser()->count() == 2; }));
    EXPECT_TRUE(Recorded(QStringLiteral("远程IP:127.0.0.1:%1与服务器断开连接！").arg(ports[1])));
    EXPECT_EQ(Entries().join(u'|'),
              QStringLiteral("127.0.0.1 : %1|127.0.0.1 : %2").arg(ports[0]).arg(ports[2]));

    Click("create");
    EXPECT_FALSE(page->created());
    EXPECT_EQ(Find("create")->text(), QStringLiteral("创建"));
    EXPECT_TRUE(Find<QLineEdit>("port")->isEnabled());
    EXPECT_EQ(page->chooser()->count(), 0);
    EXPECT_TRUE(ReadUpTo(first.get(), 1, 2s).empty()) << "every client sees the close";
    EXPECT_TRUE(ReadUpTo(third.get(), 1, 2s).empty());
    EXPECT_EQ(ConnectTo(port).get(), -1);

    QTest::mouseDClick(page->recordArea()->viewport(), Qt::LeftButton);
    EXPECT_TRUE(Records().empty()) << "a double-click empties the record";

    // At once again on the same port, although the clients it closed linger.
    Click("create");
    EXPECT_TRUE(page->created());
}

TEST_F(ServerDlgTest, ReceivedDataShowsTheSenderOnRequestIsRecordedAndCountedUnlessPaused) {
    Create(FreeTcpPort());
    Click("create");
    Fd peer = Join();
    const int peerPort = LocalPort(peer.get());
    const AreaText& shownArea = page->receiveArea()->pipeline().area();

    Click("showAddress");
    ::send(peer.get(), "abc", 3, 0);
    ASSERT_TRUE(Wait([&] { return shownArea.text().ends_with(u"abc\r\n"); }));
    EXPECT_TRUE(
        shownArea.text().ends_with(QStringLiteral("[127.0.0.1:%1]abc\r\n").arg(peerPort).toStdU16String()));
    EXPECT_TRUE(Recorded(QStringLiteral("从127.0.0.1:%1接收了3字节").arg(peerPort)));

    Click("showAddress");
    emit page->receiveArea()->edit()->Command(2025);
    ::send(peer.get(), "zz", 2, 0);
    EXPECT_TRUE(testing::HandledAfter([&] { return UnreadAt(port, SOCK_STREAM) == 0; }));
    emit page->receiveArea()->edit()->Command(2025);
    ::send(peer.get(), "de", 2, 0);
    ASSERT_TRUE(Wait([&] { return shownArea.text().ends_with(u"de"); }));
    EXPECT_TRUE(shownArea.text().ends_with(u"abc\r\nde")) << "paused data is dropped";
    EXPECT_EQ(page->receiveArea()->pipeline().receivedTotal(), 5);
    const std::u16string twoBytes =
        QStringLiteral("从127.0.0.1:%1接收了2字节").arg(peerPort).toStdU16String();
    EXPECT_EQ(Records().find(twoBytes), Records().rfind(twoBytes)) << "recorded once, for the data shown";
    EXPECT_TRUE(Wait([&] {
        const QString title = page->receiveArea()->title();
        return title.startsWith(QStringLiteral("接收区：已接收5字节，速度")) &&
               title.endsWith(QStringLiteral("字节/秒接收状态[允许]，输出文本状态[已停止]"));
    }));
}

TEST_F(ServerDlgTest, TwoClientsEachSplittingACharacterBetweenReadsShowBothWhole) {
    Create(FreeTcpPort());
    Find<QComboBox>("encoding")->setCurrentText(QStringLiteral("UTF-8"));
    Click("create");
    Fd first = Join();
    Fd second = Join();
    const AreaText& shownArea = page->receiveArea()->pipeline().area();
    const auto sendAndShow = [&](const Fd& peer, const char* bytes, std::int64_t total) {
        ::send(peer.get(), bytes, std::strlen(bytes), 0);
        ASSERT_TRUE(Wait([&] { return page->receiveArea()->pipeline().receivedTotal() == total; }));
    };
    sendAndShow(first, "\xE4\xB8", 2);
    sendAndShow(second, "\xE6\x96", 4);
    sendAndShow(first, "\xAD|", 6);
    sendAndShow(second, "\x87|", 8);
    EXPECT_TRUE(shownArea.text().ends_with(u"中|文|"))
        << QString::fromStdU16String(std::u16string(shownArea.text())).toStdString();
}

TEST_F(ServerDlgTest, SendsGoToTheChosenClientAndFilesToTheNewestUnlessATextSendChoseAnother) {
    Create(FreeTcpPort());
    Click("create");
    Click("send");
    EXPECT_TRUE(Recorded(QStringLiteral("客户端没有与服务器建立连接！")));
    EXPECT_TRUE(page->sendArea()->title().startsWith(QStringLiteral("发送区：已发送0字节（")))
        << "no counter changes";
    Click("continuous");
    EXPECT_FALSE(Find<QCheckBox>("continuous")->isChecked()) << "nobody to send to";

    Fd older = Join();
    Fd newer = Join();
    page->chooser()->setCurrentIndex(0);
    LoadFile("one.txt", "file-one");
    Click("send");
    EXPECT_EQ(Received(newer.get(), 8), "file-one") << "a file goes to the newest client";
    ASSERT_TRUE(FileSent());

    page->sendArea()->edit()->setPlainText(QStringLiteral("hi"));
    page->chooser()->setCurrentIndex(0);
    Click("send");
    EXPECT_EQ(Received(older.get(), 2), "hi");
    LoadFile("two.txt", "file-two");
    page->chooser()->setCurrentIndex(1);
    Click("send");
    EXPECT_EQ(Received(older.get(), 8), "file-two") << "the text send chose the older one";
    ASSERT_TRUE(FileSent());
    ASSERT_TRUE(Wait([&] { return page->sendArea()->title() == QStringLiteral("发送区：已发送18字节"); }));

    // The current client leaves: a file has nobody to go to.
    older.Reset();
    ASSERT_TRUE(Wait([&] { return page->chooser()->count() == 1; }));
    LoadFile("three.txt", "file-three");
    Click("send");
    EXPECT_TRUE(Records().ends_with(u"客户端没有与服务器建立连接！\r\n\r\n"));
    EXPECT_TRUE(ReadUpTo(newer.get(), 1, 200ms).empty());
    // Choosing a client gives the file somewhere to go again.
    page->chooser()->setCurrentIndex(0);
    emit page->chooser()->activated(0);
    Click("send");
    EXPECT_EQ(Received(newer.get(), 10), "file-three");
    ASSERT_TRUE(FileSent());

    page->sendArea()->edit()->setPlainText(QStringLiteral("tick"));
    Find<QLineEdit>("period")->setText(QStringLiteral("20"));
    Click("continuous");
    EXPECT_EQ(ReceivedWhileRunning(newer.get(), 12).substr(0, 12), "tickticktick") << "sent on every tick";
    Click("continuous");
    ASSERT_TRUE(Wait([&] { return page->sendArea()->link(0).sendReady(); }));
    QTest::qWait(100);
    ReadUpTo(newer.get(), 1000, 100ms);

    // Multi-send entries go to the chosen client and leave the counter alone.
    const std::int64_t counted = page->sendArea()->link(0).sentTotal();
    Click("moreSend");
    page->moreSend()->entry(0)->setText(QStringLiteral("ms"));
    page->moreSend()->SendEntry(0);
    EXPECT_EQ(Received(newer.get(), 2), "ms");
    EXPECT_TRUE(testing::Settled());
    EXPECT_EQ(page->sendArea()->link(0).sentTotal(), counted);
    EXPECT_EQ(page->moreSend()->windowTitle(), QStringLiteral("服务器网络多项发送"));
}

TEST_F(ServerDlgTest, ASendToAClientThatHasGoneRecordsTheErrorAndTheClosure) {
    Create(FreeTcpPort());
    Click("create");
    Fd peer = Join();
    const int peerPort = LocalPort(peer.get());
    const linger reset{1, 0};
    ::setsockopt(peer.get(), SOL_SOCKET, SO_LINGER, &reset, sizeof reset);
    peer.Reset();
    page->sendArea()->edit()->setPlainText(QStringLiteral("late"));
    Click("send");
    ASSERT_TRUE(Wait([&] { return page->chooser()->count() == 0; }));
    EXPECT_TRUE(Recorded(QStringLiteral("客户端套接字发生错误:%1").arg(ECONNRESET)) ||
                Recorded(QStringLiteral("客户端套接字发生错误:%1").arg(EPIPE)));
    EXPECT_TRUE(Recorded(QStringLiteral("远程IP:127.0.0.1:%1与服务器断开连接！").arg(peerPort)));
    EXPECT_EQ(page->currentClient(), nullptr);
}

// A client that leaves takes its socket with it, also after the page sent to
// it, and not only when the server stops.
TEST_F(ServerDlgTest, AClientThatLeavesLeavesNoDescriptorBehind) {
    Create(FreeTcpPort());
    Click("create");
    Fd typed = Join();
    Fd filed = Join();
    const ino_t typedSocket = ServerSocketOf(LocalPort(typed.get()));
    const ino_t filedSocket = ServerSocketOf(LocalPort(filed.get()));
    ASSERT_NE(typedSocket, 0u);
    ASSERT_NE(filedSocket, 0u);

    LoadFile("one.txt", "file-one");
    Click("send");
    EXPECT_EQ(Received(filed.get(), 8), "file-one") << "to the newest client";
    ASSERT_TRUE(FileSent());
    filed.Reset();
    ASSERT_TRUE(Wait([&] { return page->chooser()->count() == 1; }));
    EXPECT_TRUE(Wait([&] { return !SocketStillOpen(filedSocket); })) << "a client sent a file to";

    page->sendArea()->edit()->setPlainText(QStringLiteral("hi"));
    page->chooser()->setCurrentIndex(0);
    Click("send");
    EXPECT_EQ(Received(typed.get(), 2), "hi");
    typed.Reset();
    ASSERT_TRUE(Wait([&] { return page->chooser()->count() == 0; }));
    EXPECT_TRUE(Wait([&] { return !SocketStillOpen(typedSocket); })) << "a client sent text to";
    EXPECT_TRUE(page->created()) << "while the server runs on";
}

// As on the network page: a client that closes in the middle of a file, with
// data it never read, ends the send as a closed link counting what reached it.
TEST_F(ServerDlgTest, AClientThatClosesMidFileEndsTheSendAsClosedCountingWhatReachedIt) {
    Create(FreeTcpPort());
    Click("create");
    Fd peer(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
    const int small = 16 * 1024;
    ::setsockopt(peer.get(), SOL_SOCKET, SO_RCVBUF, &small, sizeof small);
    const sockaddr_in to = Loopback(port);
    ASSERT_EQ(::connect(peer.get(), reinterpret_cast<const sockaddr*>(&to), sizeof to), 0);
    ASSERT_TRUE(Wait([&] { return page->chooser()->count() == 1; }));
    LoadFile("big.bin", std::string(16u << 20, 'x'));
    Click("send");
    std::int64_t seen = -1;
    ASSERT_TRUE(Wait([&] {
        QTest::qWait(300);
        const std::int64_t now = page->sendArea()->link(0).sentTotal();
        return std::exchange(seen, now) == now && now > 0;
    }));
    int unread = 0;
    ASSERT_EQ(::ioctl(peer.get(), FIONREAD, &unread), 0);
    ASSERT_LT(unread, seen);
    peer.Reset();

    const QPlainTextEdit* edit = page->sendArea()->edit();
    ASSERT_TRUE(Wait([&] { return edit->toPlainText().contains(QStringLiteral("发送文件中断")); }));
    EXPECT_TRUE(edit->toPlainText().endsWith(
        QStringLiteral("发送文件中断：已发送%1/16777216字节（连接已关闭）").arg(unread)))
        << edit->toPlainText().toStdString();
    EXPECT_EQ(page->sendArea()->title(), QStringLiteral("发送区：已发送%1字节").arg(unread))
        << "the counter tells the same as the message";
}

}  // namespace
}  // namespace viz
