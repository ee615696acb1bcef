#include "update/StartupNotices.h"

#include <QMessageBox>
#include <QPlainTextEdit>
#include <QTest>

#include <gtest/gtest.h>

#include "LocalHttpServer.h"
#include "PageTestSupport.h"
#include "Patience.h"
#include "UpdateTestSupport.h"
#include "app/VizuruvDlg.h"
#include "base/Page.h"
#include "platform/CodePage.h"
#include "update/ServerText.h"

namespace viz {
namespace {

using namespace std::chrono_literals;
using testing::HttpRoute;
using testing::LocalHttpServer;

TEST(StartupNotices, TitlesAndTheNewVersionMessageReachTheWindowOnItsThread) {
    LocalHttpServer server;
    server.Serve(kTitleFilePath,
                 HttpRoute{EncodeText(u"dodiror\r\n#新版本已发布#欢迎使用$", CodePage::Ansi)});
    server.Serve(kVersionFilePath, HttpRoute{"dodiror169"});
    QWidget window;
    window.setWindowTitle("Duvezer [自动更新：已开启]");
    QStringList titles;
    testing::ModalCatcher catcher;
    {
        CStartupNotices notices(&window, {server.base(), testing::UnreachableBase()}, {0ms, 0ms, 20ms});
        QObject::connect(&window, &QWidget::windowTitleChanged,
                         [&](const QString& title) { titles.append(title); });
        ASSERT_TRUE(QTest::qWaitFor([&] { return titles.size() >= 4 && !catcher.texts().isEmpty(); }, 20000));
    }
    EXPECT_EQ(titles.mid(0, 4), (QStringList{"dodiror", "新版本已发布", "欢迎使用", "dodiror"}));
    EXPECT_EQ(catcher.texts(),
              QStringList{"1：检测到新版本，请到[升级与配置]选项卡执行更新操作！\r\n2：最新使用手册可到"
                          "http://www.vizuruv.example进行下载！"});
    // Nothing more arrives once the notices are gone.
    const qsizetype shown = titles.size();
    QTest::qWait(100);
    EXPECT_EQ(titles.size(), shown);
}

// A first start, with a fresh settings folder and the real delays: the
// version message after 5 s, the first notice after 6 s and the information
// box after 7 s, each file asked once; a later start asks the same.
TEST(StartupNotices, TheFirstStartAsksForEveryServerFileLikeEveryLaterStart) {
    LocalHttpServer server;
    server.Serve(kTitleFilePath, HttpRoute{"dodiror#公告$"});
    server.Serve(kVersionFilePath, HttpRoute{"dodiror169"});
    server.Serve(kInfoFilePath, HttpRoute{EncodeText(u"dodiror 信息", CodePage::Ansi)});
    testing::ScopedUpdateServers servers(server.base(), testing::UnreachableBase());
    testing::PageHost host;
    ASSERT_FALSE(host.store.Exists());
    testing::ModalCatcher catcher;
    auto window = std::make_unique<CVizuruvDlg>(host.context, nullptr);
    EXPECT_EQ(window->windowTitle(), "Duvezer [自动更新：已开启]");
    auto* info = window->page(11)->findChild<QPlainTextEdit*>("info");
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return window->windowTitle() == "dodiror" && info->toPlainText() == "dodiror 信息"; }, 20000));
    EXPECT_EQ(catcher.texts().size(), 1);
    for (const char* path : {kVersionFilePath, kTitleFilePath, kInfoFilePath})
        EXPECT_EQ(server.requests(path), 1) << path;
    const auto start = std::chrono::steady_clock::now();
    window.reset();
    EXPECT_LT(std::chrono::steady_clock::now() - start, testing::kHangLimit);

    int threadStarts = 0;
    host.context.setUpdateInfoDelay(0ms);
    window = std::make_unique<CVizuruvDlg>(host.context, [&] { ++threadStarts; });
    // The update page, which fetches the box, is built once the window has been drawn.
    window->show();
    EXPECT_TRUE(QTest::qWaitFor([&] { return server.requests(kInfoFilePath) == 2; }, 20000));
    EXPECT_EQ(threadStarts, 1);
}

}  // namespace
}  // namespace viz
