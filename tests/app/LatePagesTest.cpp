// Pages built when their tab is first opened keep the settings as pages
// built at start did: one never opened leaves the file as one opened and
// left alone would, one opened late reads its values and saves them, and
// neither undoes restored defaults.
#include <QApplication>
#include <QLineEdit>
#include <QTabWidget>
#include <QTest>

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <optional>
#include <string>

#include "PageTestSupport.h"
#include "TempDir.h"
#include "app/VizuruvDlg.h"
#include "base/Page.h"

namespace viz {
namespace {

std::string FileText(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// A settings file as a user leaves it: a value of its own in every group.
std::string UsedSettings() {
    testing::TempDir dir;
    SettingsStore store(dir / "Vizuruv.conf");
    store.WriteMakerInfo();
    store.WriteAutoUpdate(0);
    store.WriteSerial({115200, 7, 2, u"/dev/ttyS1", u"EVEN"});
    store.WriteHid({0x1234, 0x0483, 0x0100});
    store.WriteIpAddress(u"10.0.0.7");
    store.WriteTcpPorts({81, 8080});
    store.WriteUdpPorts({3333, 4444});
    store.WriteServerPort(9999);
    store.WriteC51Compiler(1);
    return FileText(store.path());
}

// Runs the window once on `start` (no file: a first start), building every
// page or only what the start builds, and returns the file it leaves.
std::string FileAfterRun(const std::optional<std::string>& start, bool everyPage) {
    testing::PageHost host;
    if (start) std::ofstream(host.store.path(), std::ios::binary) << *start;
    {
        CVizuruvDlg window(host.context, [] {});
        window.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&window));
        if (everyPage) {
            for (int i = 0; i < CVizuruvDlg::kPageCount; ++i) window.page(i);
        }
        QApplication::processEvents();
        EXPECT_EQ(window.pageBuilt(3), everyPage);
    }
    return FileText(host.store.path());
}

TEST(LatePagesTest, ARunThatOpensNoTabLeavesTheFileOfARunThatOpenedEveryTab) {
    for (const std::optional<std::string>& start :
         {std::optional<std::string>(), std::optional(UsedSettings())}) {
        const std::string untouched = FileAfterRun(start, false);
        EXPECT_NE(untouched.find("ServerLocalPort="), std::string::npos) << untouched;
        EXPECT_EQ(untouched, FileAfterRun(start, true)) << (start ? "used settings" : "first start");
    }
}

TEST(LatePagesTest, APageOpenedLateReadsAndSavesItsSettingsAndKeepsRestoredDefaults) {
    testing::PageHost host;
    std::ofstream(host.store.path(), std::ios::binary) << UsedSettings();
    const auto openNetPage = [](CVizuruvDlg& window) {
        window.show();
        window.tabs()->setCurrentIndex(3);
        return window.page(3)->findChild<QLineEdit*>("address");
    };
    {
        CVizuruvDlg window(host.context, nullptr);
        QLineEdit* address = openNetPage(window);
        ASSERT_NE(address, nullptr);
        EXPECT_EQ(address->text(), "10.0.0.7");
        address->setText("10.0.0.8");
    }
    std::u16string saved;
    EXPECT_EQ(host.store.ReadIpAddress(saved), 0);
    EXPECT_EQ(saved, u"10.0.0.8");

    {
        CVizuruvDlg window(host.context, nullptr);
        window.show();
        // "恢复" in the settings dialog, then a page opened for the first time.
        ASSERT_EQ(host.store.RestoreDefaults(), 0);
        QLineEdit* address = openNetPage(window);
        ASSERT_NE(address, nullptr);
        EXPECT_EQ(address->text(), "192.168.1.218");
        address->setText("10.0.0.9");
        EXPECT_FALSE(window.pageBuilt(4));
    }
    const SettingsStore after(host.store.path());
    EXPECT_EQ(after.ReadIpAddress(saved), 0);
    EXPECT_EQ(saved, u"192.168.1.218");
    std::uint32_t port = 0;
    EXPECT_EQ(after.ReadServerPort(port), 0);
    EXPECT_EQ(port, 8888u) << "a page never built kept the restored default";
    SerialSettings serial;
    EXPECT_EQ(after.ReadSerial(serial), 0);
    EXPECT_EQ(serial.baud, 9600u) << "the page shown at start kept the restored default";
}

}  // namespace
}  // namespace viz
