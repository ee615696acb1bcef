#pragma once

// The network page on loopback peers, with a temporary working folder and
// its own settings: what every network page test starts from.

#include "net/NetDlg.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QTest>

#include <gtest/gtest.h>

#include <sys/ioctl.h>

#include <fstream>
#include <memory>

#include "ModalCatcher.h"
#include "NetTestSupport.h"
#include "PageTestSupport.h"
#include "TempDir.h"
#include "base/PageContext.h"
#include "terminal/ListCtrlEx.h"
#include "terminal/ProcessDlg.h"
#include "terminal/ReceiveArea.h"
#include "terminal/SendArea.h"
#include "terminal/TextCodec.h"

namespace viz {
namespace net_page_testing {

using namespace net_testing;
using testing::CurrentDirectory;
using testing::ModalCatcher;
using testing::TempDir;

// A port nothing listens on or is bound to right now.
inline int FreePort(int type) {
    Fd fd = BoundLoopback(type);
    return LocalPort(fd.get());
}

// One datagram, waiting at most `waitMs`.
inline std::vector<std::uint8_t> Datagram(int fd, int waitMs = 20000) {
    pollfd wait{fd, POLLIN, 0};
    if (::poll(&wait, 1, waitMs) != 1) return {};
    std::vector<std::uint8_t> buffer(70000);
    const ssize_t got = ::recv(fd, buffer.data(), buffer.size(), 0);
    buffer.resize(got > 0 ? static_cast<std::size_t>(got) : 0);
    return buffer;
}

inline void SendTo(int fd, int port, const std::string& text) {
    const sockaddr_in to = Loopback(port);
    ::sendto(fd, text.data(), text.size(), 0, reinterpret_cast<const sockaddr*>(&to), sizeof to);
}

class NetDlgTest : public ::testing::Test {
protected:
    // Every test page talks to 127.0.0.1 from its first moment.
    void SetUp() override { store.WriteIpAddress(u"127.0.0.1"); }

    void Create(PortPair tcp, PortPair udp) {
        store.WriteTcpPorts(tcp);
        store.WriteUdpPorts(udp);
        page = std::make_unique<CNetDlg>(context, nullptr);
        page->resize(1000, 650);
    }

    template <typename T>
    T* Find(const char* name) const {
        T* widget = page->findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(widget, nullptr) << name;
        return widget;
    }
    void Click(const char* name) { QTest::mouseClick(Find<QAbstractButton>(name), Qt::LeftButton); }
    QString Caption(const char* name) const { return Find<QAbstractButton>(name)->text(); }
    int Lamp(const char* name) const { return Find<QLabel>(name)->property("icon").toInt(); }
    std::u16string AreaText(int side) const { return std::u16string(page->receiveArea(side)->pipeline().area().text()); }
    QString Title(int side) const { return page->receiveArea(side)->title(); }
    bool Wait(const std::function<bool()>& condition, int ms = 20000) {
        return QTest::qWaitFor(condition, ms);
    }

    // Opens TCP to `listening` and returns the accepted peer.
    Fd OpenTcp(const Fd& listening) {
        Click("tcpOpen");
        Fd peer = AcceptWithin(listening.get());
        EXPECT_TRUE(Wait([&] { return page->isOpen(CNetDlg::kTcp); }));
        return peer;
    }

    QString WriteFile(const std::string& name, std::size_t size) {
        const std::vector<std::uint8_t> data = Pattern(size);
        std::ofstream(dir / name, std::ios::binary).write(reinterpret_cast<const char*>(data.data()), size);
        return QString::fromStdString((dir / name).string());
    }

    TempDir dir;
    CurrentDirectory current{dir.path()};
    SettingsStore store{dir / "Vizuruv.conf"};
    PageContext context{store};
    std::unique_ptr<CNetDlg> page;
};

}  // namespace net_page_testing
}  // namespace viz
