#include "NetDlgFixture.h"

namespace viz {
namespace net_page_testing {

TEST_F(NetDlgTest, StartsWithTheBuiltInValuesWhenNothingIsStored) {
    SettingsStore empty{dir / "empty.conf"};
    PageContext emptyContext{empty};
    CNetDlg fresh(emptyContext, nullptr);
    auto find = [&](const char* name) {
        return fresh.findChild<QLineEdit*>(QString::fromLatin1(name))->text();
    };
    EXPECT_EQ(find("address"), QStringLiteral("192.168.1.218"));
    EXPECT_EQ(find("tcpSourcePort") + find("tcpDestPort"), QStringLiteral("080"));
    EXPECT_EQ(find("udpSourcePort") + find("udpDestPort"), QStringLiteral("22222222"));
    EXPECT_EQ(find("tcpPeriod") + find("udpPeriod") + find("frameTime"), QStringLiteral("1000100040"));
    EXPECT_EQ(fresh.findChild<QLabel*>(QStringLiteral("udpLamp"))->property("icon").toInt(),
              CNetDlg::kLampClosed);
    EXPECT_TRUE(fresh.receiveArea(CNetDlg::kTcp)
                    ->pipeline()
                    .area()
                    .text()
                    .starts_with(u"\r\n进行网络调试时请注意："));
    EXPECT_EQ(fresh.receiveArea(CNetDlg::kUdp)->title(),
              QStringLiteral("UDP：已接收0字节（提示：双击文本框立即保存数据，右键点击则显示更多功能）"));
    EXPECT_EQ(fresh.sendArea()->edit()->toPlainText().left(8), QStringLiteral("01 02 03"));
}

// A new user's first "打开TCP" works without privileges: the system picks
// the source port. A source port the user stored is kept.
TEST_F(NetDlgTest, ANewOrdinaryUserOpensTcpWithTheDefaultSourcePort) {
    const Fd listening = Listening();
    store.WriteIpAddress(u"127.0.0.1");
    page = std::make_unique<CNetDlg>(context, nullptr);
    EXPECT_EQ(Find<QLineEdit>("tcpSourcePort")->text(), QStringLiteral("0"));
    page->SetTcpDestination(QStringLiteral("127.0.0.1"), LocalPort(listening.get()));
    // Root may bind any port: act as an ordinary user for this open.
    const bool root = ::geteuid() == 0;
    if (root) {
        ASSERT_EQ(::seteuid(65534), 0);
    }
    Click("tcpOpen");
    if (root) {
        ASSERT_EQ(::seteuid(0), 0);
    }
    const Fd peer = AcceptWithin(listening.get());
    EXPECT_GE(peer.get(), 0);
    EXPECT_TRUE(Wait([&] { return page->isOpen(CNetDlg::kTcp); }))
        << QString::fromStdU16String(AreaText(CNetDlg::kTcp)).toStdString();
    page.reset();

    PortPair tcp;
    ASSERT_EQ(store.ReadTcpPorts(tcp), 0);
    EXPECT_EQ(tcp.source, 0u);
    Create({4321, 80}, {0, 9});
    EXPECT_EQ(Find<QLineEdit>("tcpSourcePort")->text(), QStringLiteral("4321")) << "a stored port is kept";
}

TEST_F(NetDlgTest, SettingsAreReadAtStartAndWrittenAtExitUnlessDefaultsWereRestored) {
    Create({1234, 5678}, {4321, 8765});
    EXPECT_EQ(Find<QLineEdit>("address")->text(), QStringLiteral("127.0.0.1"));
    EXPECT_EQ(Find<QLineEdit>("tcpSourcePort")->text(), QStringLiteral("1234"));
    EXPECT_EQ(Find<QLineEdit>("udpDestPort")->text(), QStringLiteral("8765"));
    Find<QLineEdit>("tcpDestPort")->setText(QStringLiteral("9000"));
    Find<QLineEdit>("udpSourcePort")->setText(QStringLiteral("7000"));
    page.reset();
    PortPair tcp, udp;
    ASSERT_EQ(store.ReadTcpPorts(tcp), 0);
    ASSERT_EQ(store.ReadUdpPorts(udp), 0);
    EXPECT_EQ(tcp.destination, 9000u);
    EXPECT_EQ(udp.source, 7000u);

    Create({1234, 5678}, {4321, 8765});
    Find<QLineEdit>("tcpSourcePort")->setText(QStringLiteral("1111"));
    store.RestoreDefaults();
    page.reset();
    std::u16string address;
    store.ReadIpAddress(address);
    store.ReadTcpPorts(tcp);
    EXPECT_EQ(address, u"192.168.1.218");
    EXPECT_EQ(tcp.source, 0u) << "restored defaults survive the page's exit";
}

TEST_F(NetDlgTest, TcpOpensAndClosesByButtonAndByPeer) {
    const Fd listening = Listening();
    Create({0, static_cast<std::uint32_t>(LocalPort(listening.get()))}, {0, 9});
    page->show();
    Click("tcpMonitor");
    page->monitor(CNetDlg::kTcp)->StartMonitoring();

    Fd peer = OpenTcp(listening);
    ASSERT_GE(peer.get(), 0);
    EXPECT_EQ(Caption("tcpOpen"), QStringLiteral("关闭TCP"));
    EXPECT_EQ(Lamp("tcpLamp"), CNetDlg::kLampOpen);
    EXPECT_EQ(Find<QLabel>("tcpLamp")->accessibleName(), QStringLiteral("TCP状态：已打开"));
    EXPECT_EQ(Find<QLabel>("udpLamp")->accessibleName(), QStringLiteral("UDP状态：已关闭"));
    EXPECT_FALSE(Find<QLineEdit>("tcpSourcePort")->isEnabled());
    EXPECT_TRUE(Find<QLineEdit>("udpSourcePort")->isEnabled()) << "the other link is untouched";
    EXPECT_TRUE(Wait([&] {
        return Title(CNetDlg::kTcp)
            .startsWith(QStringLiteral("TCP：已接收0字节，速度0字节/秒接收状态[允许]，"));
    }));

    Click("tcpOpen");
    EXPECT_FALSE(page->isOpen(CNetDlg::kTcp));
    EXPECT_EQ(Caption("tcpOpen"), QStringLiteral("打开TCP"));
    EXPECT_EQ(Lamp("tcpLamp"), CNetDlg::kLampClosed);
    EXPECT_EQ(Find<QLabel>("tcpLamp")->accessibleName(), QStringLiteral("TCP状态：已关闭"));
    EXPECT_TRUE(Find<QLineEdit>("tcpDestPort")->isEnabled());
    EXPECT_TRUE(ReadUpTo(peer.get(), 1, 2s).empty()) << "the peer sees the close";

    peer = OpenTcp(listening);
    ::send(peer.get(), "bye", 3, 0);
    peer.Reset();
    ASSERT_TRUE(Wait([&] { return !page->isOpen(CNetDlg::kTcp); }));
    EXPECT_EQ(Caption("tcpOpen"), QStringLiteral("打开TCP"));
    EXPECT_TRUE(AreaText(CNetDlg::kTcp).ends_with(u"bye")) << "the last data comes before the close";
    EXPECT_TRUE(testing::Settled());
    std::u16string kinds;
    for (const MonitorRow& row : page->monitor(CNetDlg::kTcp)->list()->rows()) kinds += row[1];
    EXPECT_EQ(kinds, u"OCORC");
}

TEST_F(NetDlgTest, ConnectAttemptShowsOnTheButtonAndASecondPressGivesUp) {
    // A full accept queue: further connects get no answer.
    const Fd listening = Listening(0);
    const int port = LocalPort(listening.get());
    std::vector<Fd> queued;
    for (int i = 0; i < 2; ++i) {
        queued.emplace_back(::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0));
        const sockaddr_in to = Loopback(port);
        ::connect(queued.back().get(), reinterpret_cast<const sockaddr*>(&to), sizeof to);
    }
    Create({0, static_cast<std::uint32_t>(port)}, {0, 9});

    Click("tcpOpen");
    EXPECT_EQ(Caption("tcpOpen"), QStringLiteral("取消连接"));
    EXPECT_FALSE(Find<QLineEdit>("tcpDestPort")->isEnabled());
    QTest::qWait(100);
    Click("tcpOpen");
    EXPECT_EQ(Caption("tcpOpen"), QStringLiteral("打开TCP"));
    EXPECT_TRUE(Find<QLineEdit>("tcpDestPort")->isEnabled());
    EXPECT_TRUE(testing::Settled());
    EXPECT_EQ(Caption("tcpOpen"), QStringLiteral("打开TCP")) << "the given-up connect reports nothing";
    EXPECT_FALSE(page->isOpen(CNetDlg::kTcp));

    page->tcpChannel().SetConnectLimit(200ms);
    Click("tcpOpen");
    ASSERT_TRUE(Wait([&] { return Caption("tcpOpen") == QStringLiteral("打开TCP"); }));
    EXPECT_TRUE(AreaText(CNetDlg::kTcp).ends_with(u"\r\n打开TCP失败：连接超时，目标设备没有应答\r\n"));
}

TEST_F(NetDlgTest, FailedOpensSayWhyAndLeaveTheLinkClosed) {
    const Fd taken = BoundLoopback(SOCK_DGRAM);
    const int refusing = FreePort(SOCK_STREAM);
    Create({0, static_cast<std::uint32_t>(refusing)},
           {static_cast<std::uint32_t>(LocalPort(taken.get())), 9});

    Click("tcpOpen");
    const QString refused =
        QStringLiteral("\r\n打开TCP失败：目标设备拒绝连接，请检查目的端口%1是否正确\r\n").arg(refusing);
    ASSERT_TRUE(Wait([&] { return AreaText(CNetDlg::kTcp).ends_with(refused.toStdU16String()); }));
    EXPECT_EQ(Caption("tcpOpen"), QStringLiteral("打开TCP"));
    Click("udpOpen");
    EXPECT_NE(AreaText(CNetDlg::kUdp).find(u"已被占用"), std::u16string::npos);
    EXPECT_FALSE(page->isOpen(CNetDlg::kUdp));
    EXPECT_EQ(Caption("udpOpen"), QStringLiteral("打开UDP"));

    // Bad input never reaches the network.
    auto expectRefused = [&](const char* field, const QString& text, const char16_t* reason) {
        QLineEdit* edit = Find<QLineEdit>(field);
        const QString before = edit->text();
        edit->setText(text);
        Click("udpOpen");
        EXPECT_FALSE(page->isOpen(CNetDlg::kUdp)) << field;
        EXPECT_NE(AreaText(CNetDlg::kUdp).find(reason), std::u16string::npos) << field;
        edit->setText(before);
    };
    expectRefused("address", QString(), u"目的IP地址不完整");
    expectRefused("address", QStringLiteral("127.0.1"), u"目的IP地址不完整");
    expectRefused("udpDestPort", QStringLiteral("0"), u"目的端口应为1～65535");
    expectRefused("udpSourcePort", QStringLiteral("99999"), u"源端口应为0～65535");
    QLineEdit* port = Find<QLineEdit>("udpDestPort");
    port->clear();
    QTest::keyClicks(port, QStringLiteral("8a0b"));
    EXPECT_EQ(port->text(), QStringLiteral("80")) << "letters cannot be typed into a port";

    // Root may bind any port: act as an ordinary user for this open.
    const bool root = ::geteuid() == 0;
    if (root) {
        ASSERT_EQ(::seteuid(65534), 0);
    }
    Find<QLineEdit>("tcpSourcePort")->setText(QStringLiteral("80"));
    Click("tcpOpen");
    if (root) {
        ASSERT_EQ(::seteuid(0), 0);
    }
    EXPECT_NE(AreaText(CNetDlg::kTcp).find(u"源端口80小于1024，需要管理员权限"), std::u16string::npos);
    EXPECT_EQ(Caption("tcpOpen"), QStringLiteral("打开TCP"));
}

TEST_F(NetDlgTest, UdpReceivesCountsAndAnswersTheLastSender) {
    const Fd peer = BoundLoopback(SOCK_DGRAM);
    const Fd other = BoundLoopback(SOCK_DGRAM);
    const int source = FreePort(SOCK_DGRAM);
    Create({0, 9}, {static_cast<std::uint32_t>(source), static_cast<std::uint32_t>(LocalPort(peer.get()))});
    Click("udpOpen");
    ASSERT_TRUE(page->isOpen(CNetDlg::kUdp));
    EXPECT_EQ(Caption("udpOpen"), QStringLiteral("关闭UDP"));
    EXPECT_EQ(Lamp("udpLamp"), CNetDlg::kLampOpen);
    EXPECT_EQ(Find<QLabel>("udpLamp")->accessibleName(), QStringLiteral("UDP状态：已打开"));

    page->sendArea()->edit()->setPlainText(QStringLiteral("AB"));
    Click("udpSend");
    const std::vector<std::uint8_t> first = Datagram(peer.get());
    EXPECT_EQ(std::string(first.begin(), first.end()), "AB");
    EXPECT_TRUE(Wait([&] {
        return page->sendArea()->title() == QStringLiteral("发送区：TCP已发送0字节，UDP已发送2字节");
    }));
    Click("tcpSend");
    EXPECT_TRUE(testing::Settled());
    EXPECT_EQ(page->sendArea()->title(), QStringLiteral("发送区：TCP已发送0字节，UDP已发送2字节"))
        << "a closed link sends nothing";

    SendTo(other.get(), source, "hello\n");
    ASSERT_TRUE(Wait([&] { return AreaText(CNetDlg::kUdp) == u"hello\r\n"; }));
    EXPECT_TRUE(Wait([&] { return Title(CNetDlg::kUdp).startsWith(QStringLiteral("UDP：已接收6字节")); }));
    Click("udpSend");
    EXPECT_EQ(Datagram(other.get()).size(), 2u) << "the next send goes to the last sender";

    Click("recount");
    EXPECT_EQ(page->sendArea()->title(), QStringLiteral("发送区：TCP已发送0字节，UDP已发送0字节"));
    EXPECT_EQ(Title(CNetDlg::kUdp), QStringLiteral("UDP：已接收0字节"));
}

TEST_F(NetDlgTest, PausedDataIsNotCountedAndClearingEmptiesOneOrBothAreas) {
    const Fd peer = BoundLoopback(SOCK_DGRAM);
    const int source = FreePort(SOCK_DGRAM);
    Create({0, 9}, {static_cast<std::uint32_t>(source), static_cast<std::uint32_t>(LocalPort(peer.get()))});
    Click("udpOpen");
    CReceiveArea* area = page->receiveArea(CNetDlg::kUdp);
    std::unique_ptr<QMenu> menu(area->edit()->CreateMenu(page.get()));
    ASSERT_EQ(menu->actions().size(), 5);

    menu->actions()[1]->trigger();
    EXPECT_TRUE(Title(CNetDlg::kUdp).contains(QStringLiteral("接收状态[暂停]")));
    SendTo(peer.get(), source, "lost");
    EXPECT_TRUE(testing::HandledAfter([&] { return UnreadAt(source, SOCK_DGRAM) == 0; }));
    EXPECT_EQ(area->pipeline().receivedTotal(), 0);
    menu->actions()[1]->trigger();
    SendTo(peer.get(), source, "kept");
    ASSERT_TRUE(Wait([&] { return AreaText(CNetDlg::kUdp) == u"kept"; }));
    EXPECT_TRUE(Wait([&] { return Title(CNetDlg::kUdp).startsWith(QStringLiteral("UDP：已接收4字节")); }));

    ASSERT_FALSE(AreaText(CNetDlg::kTcp).empty());
    menu->actions()[0]->trigger();
    EXPECT_TRUE(AreaText(CNetDlg::kUdp).empty());
    EXPECT_FALSE(AreaText(CNetDlg::kTcp).empty()) << "the menu empties its own area only";
    SendTo(peer.get(), source, "again");
    ASSERT_TRUE(Wait([&] { return !AreaText(CNetDlg::kUdp).empty(); }));
    Click("clearReceive");
    EXPECT_TRUE(AreaText(CNetDlg::kUdp).empty());
    EXPECT_TRUE(AreaText(CNetDlg::kTcp).empty());
}

TEST_F(NetDlgTest, CaptureAndOutputFilesCarryTheLinkName) {
    const Fd peer = BoundLoopback(SOCK_DGRAM);
    const int source = FreePort(SOCK_DGRAM);
    Create({0, 9}, {static_cast<std::uint32_t>(source), static_cast<std::uint32_t>(LocalPort(peer.get()))});
    page->show();
    Click("udpOpen");
    CReceiveArea* area = page->receiveArea(CNetDlg::kUdp);
    std::unique_ptr<QMenu> menu(area->edit()->CreateMenu(page.get()));
    menu->actions()[2]->trigger();
    EXPECT_TRUE(Title(CNetDlg::kUdp).endsWith(QStringLiteral("输出文本状态[输出中]")));
    SendTo(peer.get(), source, "abc");
    ASSERT_TRUE(Wait([&] { return AreaText(CNetDlg::kUdp) == u"abc"; }));
    menu->actions()[2]->trigger();
    std::ifstream output(dir / "UDP数据输出记录.txt", std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(output), {}), "abc");

    ModalCatcher catcher;
    area->edit()->setFocus();
    QTest::mouseDClick(area->edit()->viewport(), Qt::LeftButton);
    ASSERT_TRUE(Wait([&] { return !catcher.texts().isEmpty(); }));
    EXPECT_EQ(catcher.texts().front(), QStringLiteral("保存UDP数据接收记录成功,并保存在该软件的当前目录！"));
    EXPECT_TRUE(std::filesystem::exists(dir / "UDP数据接收记录.txt"));
}

TEST_F(NetDlgTest, PingResultReplacesTheTcpArea) {
    Create({0, 9}, {0, 9});
    ASSERT_FALSE(AreaText(CNetDlg::kTcp).empty());
    Click("ping");
    ASSERT_TRUE(Wait([&] { return Find<QPushButton>("ping")->isEnabled(); }, 3000));
    const QString text = QString::fromStdU16String(AreaText(CNetDlg::kTcp));
    const QRegularExpression result(
        QStringLiteral("^\\r\\n(Reply from 127\\.0\\.0\\.1 : bytes32 time(<1|=\\d+)ms TTL=\\d\\d+\\.|Request "
                       "timed out\\.)\\r\\n$"));
    EXPECT_TRUE(result.match(text).hasMatch()) << text.toStdString();

    Find<QLineEdit>("address")->setText(QStringLiteral("127.0.0."));
    Click("ping");
    EXPECT_EQ(AreaText(CNetDlg::kTcp), u"\r\n目的IP地址不完整，请填写四段0～255之间的数字\r\n");
}

TEST_F(NetDlgTest, MonitorCaptionKeepsThePortsOfItsFirstOpening) {
    Create({80, 80}, {0, 9});
    Click("tcpMonitor");
    CPortMonitorDialog* monitor = page->monitor(CNetDlg::kTcp);
    ASSERT_NE(monitor, nullptr);
    EXPECT_EQ(monitor->windowTitle(), QStringLiteral("TCP监视器"));
    Find<QLineEdit>("tcpSourcePort")->setText(QStringLiteral("1234"));
    monitor->hide();
    Click("tcpMonitor");
    EXPECT_EQ(page->monitor(CNetDlg::kTcp), monitor);
    EXPECT_TRUE(monitor->isVisible());
    QStringList labels;
    for (const QLabel* label : monitor->findChildren<QLabel*>()) labels << label->text();
    EXPECT_TRUE(labels.join(u'|').contains(QStringLiteral("S:80 D:80"))) << labels.join(u'|').toStdString();
}

TEST_F(NetDlgTest, MultiSendUsesBothLinksAndLeavesTheCounters) {
    const Fd peer = BoundLoopback(SOCK_DGRAM);
    Create({0, 9}, {0, static_cast<std::uint32_t>(LocalPort(peer.get()))});
    Click("udpOpen");
    Click("moreSend");
    CMoreSendDialog* dialog = page->moreSend();
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(dialog->windowTitle(), QStringLiteral("网络多项发送"));
    EXPECT_EQ(dialog->linkButton(0)->text() + dialog->linkButton(1)->text(), QStringLiteral("TCPUDP"));
    dialog->linkButton(1)->click();
    dialog->entry(0)->setText(QStringLiteral("xyz"));
    dialog->SendEntry(0);
    EXPECT_EQ(Datagram(peer.get()).size(), 3u);
    EXPECT_EQ(
        page->sendArea()->title(),
        QStringLiteral("发送区：TCP已发送0字节，UDP已发送0字节（提示：双击文本框可以支持Bin/Txt文件发送）"));
}

TEST_F(NetDlgTest, FrameBreakNeedsATime) {
    Create({0, 9}, {0, 9});
    ModalCatcher catcher;
    Find<QLineEdit>("frameTime")->clear();
    Click("frameBreak");
    ASSERT_TRUE(Wait([&] { return !catcher.texts().isEmpty(); }));
    EXPECT_EQ(catcher.texts().front(), QStringLiteral("帧换行时间不能为空！"));
    EXPECT_FALSE(Find<QCheckBox>("frameBreak")->isChecked());
    EXPECT_FALSE(page->receiveArea(CNetDlg::kUdp)->pipeline().frameBreak());
    Find<QLineEdit>("frameTime")->setText(QStringLiteral("25"));
    Click("frameBreak");
    EXPECT_TRUE(page->receiveArea(CNetDlg::kTcp)->pipeline().frameBreak());
    EXPECT_EQ(page->receiveArea(CNetDlg::kUdp)->pipeline().frameTime(), 25u);
}

TEST_F(NetDlgTest, ThePageCanGoWhileAPeerFloodsIt) {
    const Fd listening = Listening();
    Create({0, static_cast<std::uint32_t>(LocalPort(listening.get()))}, {0, 9});
    const Fd peer = OpenTcp(listening);
    std::atomic<bool> stop = false;
    std::thread flood([&] {
        const std::vector<std::uint8_t> block(65536, 0x41);
        while (!stop && ::send(peer.get(), block.data(), block.size(), MSG_NOSIGNAL) > 0) {
        }
    });
    ASSERT_TRUE(Wait([&] { return page->receiveArea(CNetDlg::kTcp)->pipeline().receivedTotal() > 1000000; }));
    page.reset();
    std::this_thread::sleep_for(100ms);
    stop = true;
    flood.join();
    QTest::qWait(50);
}

}  // namespace net_page_testing
}  // namespace viz
