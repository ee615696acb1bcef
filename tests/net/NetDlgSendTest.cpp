#include "NetDlgFixture.h"

namespace viz {
namespace net_page_testing {

TEST_F(NetDlgTest, ContinuousSendingFollowsTheBoxTheLinkAndThePeriod) {
    const Fd peer = BoundLoopback(SOCK_DGRAM);
    Create({0, 9}, {0, static_cast<std::uint32_t>(LocalPort(peer.get()))});
    QCheckBox* box = Find<QCheckBox>("udpContinuous");
    Click("udpContinuous");
    EXPECT_FALSE(box->isChecked()) << "no continuous sending on a closed link";

    // A period typed while the link is closed is the one used once it opens.
    Find<QLineEdit>("udpPeriod")->setText(QStringLiteral("20"));
    Click("udpOpen");
    Click("udpContinuous");
    ASSERT_TRUE(box->isChecked());
    // What was sent while a timer of the same period ticked `ticks` times.
    auto sentSince = [&](int ticks) {
        testing::RunTimerTicks(20, ticks);
        int count = 0;
        pollfd wait{peer.get(), POLLIN, 0};
        for (; ::poll(&wait, 1, 0) == 1; ++count) Datagram(peer.get());
        return count;
    };
    EXPECT_GE(sentSince(15), 5);

    Click("udpOpen");
    EXPECT_TRUE(box->isChecked()) << "the box stays; closing stops the timer";
    sentSince(3);
    EXPECT_EQ(sentSince(8), 0) << "nothing is sent while closed";
    Click("udpOpen");
    EXPECT_GE(sentSince(8), 1) << "reopening resumes continuous sending";
    Click("udpContinuous");
    sentSince(3);
    EXPECT_EQ(sentSince(8), 0);
}

TEST_F(NetDlgTest, FilesGoOutInBlocksOf1024WithTheirOwnProgressWindow) {
    const Fd peer = BoundLoopback(SOCK_DGRAM);
    Create({0, 9}, {0, static_cast<std::uint32_t>(LocalPort(peer.get()))});
    Click("udpOpen");
    CSendArea* send = page->sendArea();

    auto sendFile = [&](std::size_t size) {
        // Appended, not "f" + ...: GCC 12 at -O3 reports a false overlap (-Wrestrict) for that.
        const QString path = WriteFile(std::string("f").append(std::to_string(size)).append(".bin"), size);
        send->setFileChooser([path] { return path; });
        send->LoadFile();
        Click("udpSend");
        // Every datagram is in the peer's queue by the time the send ends.
        EXPECT_TRUE(Wait([&] { return !send->file().fileMode(); }));
        std::vector<std::size_t> sizes;
        for (std::vector<std::uint8_t> d = Datagram(peer.get(), 0); !d.empty(); d = Datagram(peer.get(), 0))
            sizes.push_back(d.size());
        return sizes;
    };
    EXPECT_EQ(sendFile(1024), (std::vector<std::size_t>{1024}));
    EXPECT_EQ(sendFile(2049), (std::vector<std::size_t>{1024, 1024, 1}));
    EXPECT_EQ(send->title(), QStringLiteral("发送区：TCP已发送0字节，UDP已发送3073字节"));
    CProcessDlg* progress = send->progressWindow(CNetDlg::kUdp);
    ASSERT_NE(progress, nullptr);
    EXPECT_EQ(progress->windowTitle(), QStringLiteral("UDP发送文件进度"));
    EXPECT_EQ(progress->bar()->value(), 2049);
    EXPECT_TRUE(send->edit()->toPlainText().endsWith(QStringLiteral("发送文件完成，请重新载入文件！")));

    Click("udpSend");
    EXPECT_EQ(Datagram(peer.get()), TextToBytes(send->text())) << "then the send area's text again";
}

// A peer that stops reading in the middle of a 50 MB file: the window runs
// on, and closing the link says exactly how far the file got, which is what
// the peer then finds in its socket.
TEST_F(NetDlgTest, AFileSendToAPeerThatStopsReadingNeverHoldsTheWindowAndEndsTruthfully) {
    const Fd listening = Listening();
    Create({0, static_cast<std::uint32_t>(LocalPort(listening.get()))}, {0, 9});
    const Fd peer = OpenTcp(listening);
    const std::size_t size = 50u << 20;
    const QString path = WriteFile("big.bin", size);
    CSendArea* send = page->sendArea();
    send->setFileChooser([path] { return path; });
    send->LoadFile();
    Click("tcpSend");
    EXPECT_EQ(send->progressWindow(CNetDlg::kTcp)->windowTitle(), QStringLiteral("TCP发送文件进度"));
    const auto taken = ReadUpTo(peer.get(), 1 << 20);
    ASSERT_GE(taken.size(), 1u << 20);
    const testing::LoopRun stalled = testing::RunLoopUntil([] { return false; }, 3000);
    EXPECT_LT(stalled.longestStallMs, testing::kStallLimitMs)
        << "the window runs while the peer does not read";
    EXPECT_TRUE(send->file().fileMode()) << "still sending";

    Click("tcpOpen");
    ASSERT_TRUE(Wait([&] { return send->edit()->toPlainText().contains(QStringLiteral("发送文件中断")); }));
    const std::int64_t sent = send->link(CNetDlg::kTcp).sentTotal();
    EXPECT_TRUE(send->edit()->toPlainText().endsWith(
        QStringLiteral("发送文件中断：已发送%1/52428800字节（连接已关闭）").arg(sent)));
    EXPECT_GT(sent, 1 << 20);
    EXPECT_LT(sent, static_cast<std::int64_t>(size));
    const auto rest = ReadUpTo(peer.get(), size, 2s);
    EXPECT_EQ(static_cast<std::int64_t>(taken.size() + rest.size()), sent) << "the count is what arrived";
    EXPECT_TRUE(send->file().fileMode()) << "the file stays loaded to be sent again";
}

// A peer that closes in the middle of a file, with data it never read: the
// send ends as a closed link, and the count is what reached the peer, not
// what still sat in this side's socket.
TEST_F(NetDlgTest, APeerThatClosesMidFileEndsTheSendAsClosedCountingWhatReachedIt) {
    const Fd listening = Listening();
    const int small = 16 * 1024;
    ::setsockopt(listening.get(), SOL_SOCKET, SO_RCVBUF, &small, sizeof small);
    Create({0, static_cast<std::uint32_t>(LocalPort(listening.get()))}, {0, 9});
    Fd peer = OpenTcp(listening);
    const std::size_t size = 16u << 20;
    const QString path = WriteFile("big.bin", size);
    CSendArea* send = page->sendArea();
    send->setFileChooser([path] { return path; });
    send->LoadFile();
    Click("tcpSend");
    std::int64_t seen = -1;
    ASSERT_TRUE(Wait([&] {
        QTest::qWait(300);
        const std::int64_t now = send->link(CNetDlg::kTcp).sentTotal();
        return std::exchange(seen, now) == now && now > 0;
    }));
    int unread = 0;
    ASSERT_EQ(::ioctl(peer.get(), FIONREAD, &unread), 0);
    ASSERT_LT(unread, seen) << "this side's socket holds a part";
    peer.Reset();

    ASSERT_TRUE(Wait([&] { return send->edit()->toPlainText().contains(QStringLiteral("发送文件中断")); }));
    EXPECT_TRUE(send->edit()->toPlainText().endsWith(
        QStringLiteral("发送文件中断：已发送%1/16777216字节（连接已关闭）").arg(unread)))
        << send->edit()->toPlainText().toStdString();
    EXPECT_EQ(send->link(CNetDlg::kTcp).sentTotal(), unread) << "the counter tells the same as the message";
    EXPECT_EQ(send->title(), QStringLiteral("发送区：TCP已发送%1字节，UDP已发送0字节").arg(unread));
}

}  // namespace net_page_testing
}  // namespace viz
