#include "update/ReadMePage.h"

#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QUrl>

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <fstream>

#include "LocalHttpServer.h"
#include "OpenedLinks.h"
#include "PageTestSupport.h"
#include "UpdateTestSupport.h"
#include "platform/CodePage.h"
#include "update/ServerText.h"
#include "update/UpdateDlg.h"

namespace viz {
namespace {

using namespace std::chrono_literals;
using testing::HttpRoute;
using testing::LocalHttpServer;

const QString kStartText = QString(44, ' ') + "感谢有你！";

// What the page shows after a modal window opened by a click closes: the
// message box texts and icons, or the downloader's caption.
struct Answer {
    QStringList texts;
    QList<QMessageBox::Icon> icons;
    QString downloader;
};

class ReadMePageTest : public ::testing::Test {
protected:
    testing::PageHost host;
    LocalHttpServer primary, mirror;
    testing::ScopedUpdateServers servers{primary.base(), mirror.base()};

    std::unique_ptr<CReadMe> Open(bool autoUpdate) {
        host.context.setAutomaticUpdate(autoUpdate);
        host.context.setUpdateInfoDelay(10ms);
        auto page = std::make_unique<CReadMe>(host.context, nullptr);
        page->show();
        return page;
    }
    static QString Info(CReadMe& page) { return page.findChild<QPlainTextEdit*>("info")->toPlainText(); }

    // Clicks and waits until the window it opens has been answered.
    static Answer ClickAndAnswer(CReadMe& page, const char* text) {
        Answer answer;
        QTimer closer;
        closer.setInterval(5);
        QObject::connect(&closer, &QTimer::timeout, [&] {
            QWidget* modal = QApplication::activeModalWidget();
            if (auto* box = qobject_cast<QMessageBox*>(modal)) {
                answer.texts.append(box->text());
                answer.icons.append(box->icon());
                box->accept();
            } else if (auto* downloader = qobject_cast<CUpdateDlg*>(modal)) {
                answer.downloader = downloader->windowTitle();
                downloader->reject();
            }
        });
        closer.start();
        QPushButton* button = testing::ButtonWithText<QPushButton>(page, QString::fromUtf8(text));
        QTest::mouseClick(button, Qt::LeftButton);
        const bool answered = QTest::qWaitFor(
            [&] { return button->isEnabled() && (!answer.texts.isEmpty() || !answer.downloader.isEmpty()); },
            5000);
        EXPECT_TRUE(answered) << text;
        return answer;
    }
};

TEST_F(ReadMePageTest, WithAutomaticUpdateOffNothingIsAskedUntilTheUserDoes) {
    auto page = Open(false);
    QTest::qWait(200);
    EXPECT_EQ(primary.requests() + mirror.requests(), 0);
    EXPECT_TRUE(Info(*page).contains(kStartText));
    EXPECT_EQ(Info(*page), QString::fromUtf8("\n\n\n") + kStartText + QString(10, '\n'));

    primary.Serve(kVersionFilePath, HttpRoute{"dodiror168"});
    const Answer same = ClickAndAnswer(*page, "下载新版本");
    EXPECT_EQ(same.texts, QStringList{"当前版本无需进行更新！"});
    EXPECT_EQ(same.icons, QList<QMessageBox::Icon>{QMessageBox::NoIcon});
    EXPECT_EQ(primary.requests(), 1);
}

TEST_F(ReadMePageTest, AtStartDownloadsThatEndedProcessesLeftAreRemoved) {
    testing::TempDir folder;
    testing::CurrentDirectory cwd(folder.path());
    const pid_t child = ::fork();
    if (child == 0) ::_exit(0);
    ::waitpid(child, nullptr, 0);
    for (const std::string& name :
         {std::string("Duvezer.rar"), "Duvezer.rar.part-" + std::to_string(child) + "-0",
          "Duvezer.rar.part-" + std::to_string(::getpid()) + "-4"}) {
        std::ofstream(folder / name) << "bytes";
    }
    auto page = Open(false);
    std::vector<std::string> left;
    for (const auto& entry : std::filesystem::directory_iterator(folder.path()))
        left.push_back(entry.path().filename());
    EXPECT_EQ(left, std::vector<std::string>{"Duvezer.rar"});
}

TEST_F(ReadMePageTest, TheInformationBoxTakesTheMirrorsTextWhenThePrimaryHasNone) {
    primary.Serve(kInfoFilePath, HttpRoute{"<html>portal</html>"});
    mirror.Serve(kInfoFilePath, HttpRoute{EncodeText(u"dodiror 公告\r\n第二行", CodePage::Ansi)});
    auto page = Open(true);
    ASSERT_TRUE(QTest::qWaitFor([&] { return Info(*page).startsWith("dodiror"); }, 20000));
    EXPECT_EQ(Info(*page), "dodiror 公告\n第二行");
    EXPECT_EQ(primary.requests(), 1);
}

TEST_F(ReadMePageTest, DownloadNewVersionReportsEachOutcome) {
    {
        // Both servers down: the name-resolution message with the error icon.
        testing::ScopedUpdateServers down(testing::UnreachableBase(), testing::UnreachableBase());
        auto page = Open(false);
        const Answer answer = ClickAndAnswer(*page, "下载新版本");
        ASSERT_EQ(answer.texts.size(), 1);
        EXPECT_TRUE(answer.texts[0].startsWith(
            "无法解释服务器的名称和地址：\r\n\r\n1：请检查该软件是否被系统防火墙所拦截"));
        EXPECT_TRUE(answer.texts[0].endsWith("3：服务器不存在\r\n\r\n"));
        EXPECT_EQ(answer.icons, QList<QMessageBox::Icon>{QMessageBox::Critical});
    }
    // The primary has no valid file: the mirror's newer version opens the downloader.
    mirror.Serve(kVersionFilePath, HttpRoute{"dodiror169"});
    auto page = Open(false);
    const Answer newer = ClickAndAnswer(*page, "下载新版本");
    EXPECT_TRUE(newer.texts.isEmpty());
    EXPECT_EQ(newer.downloader, "若不能下载，请发邮件到ruderu@vizuruv.example索取！");
    EXPECT_EQ(primary.requests(), 1);
    EXPECT_EQ(mirror.requests(), 1);
}

TEST_F(ReadMePageTest, VersionInformationAndLinksAsTheUserSeesThem) {
    auto page = Open(false);
    const Answer info = ClickAndAnswer(*page, "版本信息");
    ASSERT_EQ(info.texts.size(), 1);
    EXPECT_TRUE(info.texts[0].startsWith(
        "版本号：V1.6.8\r\n作  者：Ruderu\r\n联系方式：ruderu@vizuruv.example\r\n软件特点：\r\n"));
    EXPECT_TRUE(info.texts[0].endsWith("(8)添加字符串编码功能\r\n(9)能够在线下载新版本\r\n"));
    EXPECT_EQ(info.texts[0].count("\r\n"), 13);

    testing::OpenedLinks opened;
    auto* picture = page->findChild<QPushButton*>("picture");
    EXPECT_EQ(picture->cursor().shape(), Qt::PointingHandCursor);
    QTest::mouseClick(picture, Qt::LeftButton);
    EXPECT_EQ(opened.urls, (QStringList{"http://shop.vizuruv.example", "http://blog.vizuruv.example",
                                        "http://bbs.vizuruv.example"}));
    opened.urls.clear();
    for (const char* caption : {"开发板网店", "作者博客", "技术交流论坛", "软件官方网站"}) {
        QPushButton* link = nullptr;
        for (auto* button : page->findChildren<QPushButton*>())
            if (button->accessibleName() == QString::fromUtf8(caption)) link = button;
        ASSERT_NE(link, nullptr) << caption;
        EXPECT_EQ(link->cursor().shape(), Qt::PointingHandCursor);
        EXPECT_TRUE(link->text().endsWith(link->accessibleDescription()));
        // Reached by the keyboard as well as the mouse.
        link->setFocus();
        QTest::keyClick(link, Qt::Key_Space);
    }
    EXPECT_EQ(opened.urls, (QStringList{"http://shop.vizuruv.example", "http://blog.vizuruv.example",
                                        "http://bbs.vizuruv.example", "http://www.vizuruv.example"}));
}

}  // namespace
}  // namespace viz
