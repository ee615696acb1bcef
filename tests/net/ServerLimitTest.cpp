#include <QComboBox>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>

#include <gtest/gtest.h>

#include <sys/resource.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "ModalCatcher.h"
#include "TempDir.h"
#include "base/PageContext.h"
#include "net/NetTestSupport.h"
#include "net/RecordArea.h"
#include "net/ServerDlg.h"
#include "net/TCPServer.h"
#include "platform/Descriptors.h"
#include "terminal/ReceiveArea.h"

namespace viz {
namespace {

using namespace net_testing;

constexpr std::size_t kPayload = 100;

long CpuMs() {
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1000 +
           (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1000;
}

int Count(const QString& text, const QString& part) {
    return static_cast<int>(text.count(part));
}

// The whole path in a child process whose descriptor limit leaves the server
// a few clients. Exits 0 when everything held; otherwise 1, with what did
// not on stderr.
[[noreturn]] void ServeAtTheLimit() {
    std::string problems;
    const auto check = [&problems](bool held, const std::string& what) {
        if (!held) problems += what + "\n";
    };
    testing::TempDir dir;
    testing::CurrentDirectory current{dir.path()};
    SettingsStore store{dir / "Vizuruv.conf"};
    PageContext context{store};
    const int port = FreeTcpPort();
    store.WriteServerPort(static_cast<std::uint32_t>(port));
    CServerDlg page(context, nullptr);
    rlimit limit{};
    ::getrlimit(RLIMIT_NOFILE, &limit);
    limit.rlim_cur = OpenDescriptors() + CTCPServer::kDescriptorReserve + 12;
    ::setrlimit(RLIMIT_NOFILE, &limit);
    QTest::mouseClick(page.findChild<QPushButton*>(QStringLiteral("create")), Qt::LeftButton);
    const auto records = [&page] { return QString::fromStdU16String(page.recordArea()->text()); };
    const auto listed = [&page] { return page.chooser()->count(); };

    // Clients come, each saying something at once, until the page says it is full.
    std::vector<Fd> peers;
    const QRegularExpression full(QStringLiteral("客户端数已达上限（(\\d+)），新的连接将等待"));
    while (peers.size() < 40 && !full.match(records()).hasMatch()) {
        peers.push_back(ConnectTo(port));
        ::send(peers.back().get(), std::string(kPayload, 'a').data(), kPayload, 0);
        check(QTest::qWaitFor([&] { return listed() == static_cast<int>(peers.size()); }, 20000),
              "a client below the limit is listed");
    }
    const int clientLimit = full.match(records()).captured(1).toInt();
    check(clientLimit > 3 && clientLimit == static_cast<int>(peers.size()),
          "the page says it is full with the number it serves: " + records().toStdString());

    // Three more wait unread; the server sleeps meanwhile.
    for (int i = 0; i < 3; ++i) {
        peers.push_back(ConnectTo(port));
        ::send(peers.back().get(), std::string(kPayload, 'w').data(), kPayload, 0);
    }
    const long cpuBefore = CpuMs();
    QTest::qWait(500);
    const long cpuWhileFull = CpuMs() - cpuBefore;
    check(cpuWhileFull < 60, "the full server spins: " + std::to_string(cpuWhileFull) + " ms CPU in 500 ms");
    check(listed() == clientLimit, "the waiting clients are not listed");

    // As three leave, the three waiting come in; the server is full again and says nothing new.
    for (int i = 0; i < 3; ++i) peers[static_cast<std::size_t>(i)].Reset();
    const auto waitingListed = [&] {
        const QString entries = [&] {
            QString all;
            for (int i = 0; i < page.chooser()->count(); ++i) all += page.chooser()->itemText(i) + u'\n';
            return all;
        }();
        for (std::size_t i = peers.size() - 3; i < peers.size(); ++i) {
            const int peerPort = LocalPort(peers[i].get());
            if (!entries.contains(QStringLiteral("127.0.0.1 : %1\n").arg(peerPort))) return false;
        }
        return true;
    };
    check(QTest::qWaitFor(waitingListed, 3000), "the waiting clients are taken as others leave");
    check(listed() == clientLimit, "as many listed as before");
    // The last one leaving with nobody waiting opens the door.
    peers[3].Reset();
    const QString accepting = QStringLiteral("客户端数已低于上限，继续接受新的连接");
    check(QTest::qWaitFor([&] { return records().contains(accepting); }, 3000), "it says it accepts again");
    const std::int64_t sent = static_cast<std::int64_t>(peers.size() * kPayload);
    check(QTest::qWaitFor([&] { return page.receiveArea()->pipeline().receivedTotal() == sent; }, 3000),
          "every byte arrives: " + std::to_string(page.receiveArea()->pipeline().receivedTotal()) + " of " +
              std::to_string(sent));
    check(Count(records(), QStringLiteral("新的连接将等待")) == 1 && Count(records(), accepting) == 1,
          "each is said once: " + records().toStdString());

    std::fputs(problems.c_str(), stderr);
    std::fflush(stderr);
    std::_Exit(problems.empty() ? 0 : 1);
}

// Run in a child: the limit is the process's own.
TEST(ServerLimitDeathTest, AtItsClientLimitTheServerSaysSoSleepsAndTakesTheWaitingAsOthersLeave) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(ServeAtTheLimit(), ::testing::ExitedWithCode(0), "");
}

}  // namespace
}  // namespace viz
