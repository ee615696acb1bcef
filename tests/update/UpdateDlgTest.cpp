#include "update/UpdateDlg.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include <gtest/gtest.h>

#include <fstream>

#include "AccessibilityWalk.h"
#include "LocalHttpServer.h"
#include "Patience.h"
#include "UpdateTestSupport.h"
#include "ModalCatcher.h"
#include "PageTestSupport.h"
#include "TempDir.h"

namespace viz {
namespace {

using testing::FilesIn;
using testing::HttpRoute;
using testing::LocalHttpServer;
using testing::ReadFile;

std::string Pattern(std::size_t size) {
    std::string bytes(size, '\0');
    for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>((i * 7 + i / 251) & 0xFF);
    return bytes;
}

// The downloader as the user sees it, in a fresh current directory.
class UpdateDlgTest : public ::testing::Test {
protected:
    testing::TempDir dir;
    testing::CurrentDirectory cwd{dir.path()};
    LocalHttpServer server;

    struct Seen {
        QString size, received, speed, percent;
        bool operator==(const Seen&) const = default;
        friend void PrintTo(const Seen& s, std::ostream* out) {
            *out << QStringList{s.size, s.received, s.speed, s.percent}.join('|').toStdString();
        }
    };

    std::unique_ptr<CUpdateDlg> Open(const std::string& primary, const std::string& mirror,
                                     DownloadOptions options = {}) {
        auto dialog = std::make_unique<CUpdateDlg>(UpdateServers{primary, mirror}, nullptr, options);
        dialog->show();
        // Every time the percentage changes, the four figures as shown then.
        auto* percent = Box(*dialog, "percent");
        QObject::connect(percent, &QLineEdit::textChanged,
                         [this, d = dialog.get()] { seen.push_back(Shown(*d)); });
        return dialog;
    }
    static Seen Shown(CUpdateDlg& d) {
        return {Box(d, "size")->text(), Box(d, "received")->text(), Box(d, "speed")->text(),
                Box(d, "percent")->text()};
    }
    static QLineEdit* Box(CUpdateDlg& dialog, const char* name) { return dialog.findChild<QLineEdit*>(name); }
    static QString Status(CUpdateDlg& dialog) { return dialog.findChild<QLabel*>("status")->text(); }
    // What a screen reader says of the status.
    static QString Heard(CUpdateDlg& dialog) {
        return testing::SpokenText(dialog.findChild<QLabel*>("status"));
    }
    static void Click(CUpdateDlg& dialog, const char* text) {
        QTest::mouseClick(testing::ButtonWithText(dialog, QString::fromUtf8(text)), Qt::LeftButton);
    }
    static bool StatusBecomes(CUpdateDlg& dialog, const char* text) {
        return QTest::qWaitFor([&] { return Status(dialog) == QString::fromUtf8(text); }, 5000);
    }

    HttpRoute Slow(std::size_t size) {
        HttpRoute route;
        route.body = Pattern(size);
        route.blockBytes = 1024;
        route.blockPause = std::chrono::milliseconds(40);
        return route;
    }

    std::vector<Seen> seen;
};

TEST_F(UpdateDlgTest, ATenKilobyteArchiveShowsItsFiguresAndLandsWhole) {
    HttpRoute archive;
    archive.body = Pattern(10240);
    archive.lastModified = "Tue, 02 Jan 2024 03:04:05 GMT";
    server.Serve(kArchivePath, archive);
    auto dialog = Open(server.base(), testing::UnreachableBase());
    EXPECT_EQ(dialog->windowTitle(), "若不能下载，请发邮件到ruderu@vizuruv.example索取！");
    EXPECT_EQ(Status(*dialog), "等待下载！");
    EXPECT_TRUE(dialog->findChild<QRadioButton*>()->isChecked());

    Click(*dialog, "启动下载");
    ASSERT_TRUE(StatusBecomes(*dialog, "下载完成！"));
    ASSERT_GE(seen.size(), 2u);
    EXPECT_EQ(seen.front(), (Seen{"10KB", "1KB", "0KB/秒", "10%"}));
    EXPECT_EQ(Shown(*dialog), (Seen{"10KB", "10KB", "0KB/秒", "100%"}));
    EXPECT_EQ(dialog->findChild<QLabel*>("lastModified")->text(), "Tue, 02 Jan 2024 03:04:05 GMT");
    EXPECT_EQ(Heard(*dialog), "下载状态\n下载完成！");
    EXPECT_EQ(testing::UnheardLabels(dialog.get()), QStringList());
    EXPECT_EQ(ReadFile(dir / "Duvezer.rar"), archive.body);
    EXPECT_EQ(FilesIn(dir.path()), std::vector<std::string>{"Duvezer.rar"});
}

TEST_F(UpdateDlgTest, AnUnreachableServerShowsTheConnectionErrorAndTheMirrorCanBeChosen) {
    HttpRoute archive;
    archive.body = Pattern(3000);
    archive.length = HttpRoute::Length::Absent;
    server.Serve(kArchivePath, archive);
    auto dialog = Open(testing::UnreachableBase(), server.base());

    Click(*dialog, "启动下载");
    ASSERT_TRUE(StatusBecomes(*dialog, "无法与服务器建立连接"));
    EXPECT_TRUE(FilesIn(dir.path()).empty());

    QTest::mouseClick(testing::ButtonWithText<QRadioButton>(*dialog, "备用下载地址"), Qt::LeftButton);
    Click(*dialog, "启动下载");
    ASSERT_TRUE(StatusBecomes(*dialog, "下载完成！"));
    // Without a size the window says so instead of a percentage.
    EXPECT_EQ(Shown(*dialog), (Seen{"未知", "2KB", "0KB/秒", "--"}));
    EXPECT_EQ(ReadFile(dir / "Duvezer.rar"), archive.body);
}

TEST_F(UpdateDlgTest, StoppingKeepsThePreviousArchiveAndASecondStartIsIgnored) {
    std::ofstream(dir / "Duvezer.rar") << "the archive of last month";
    server.Serve(kArchivePath, Slow(200 * 1024));
    auto dialog = Open(server.base(), server.base());

    Click(*dialog, "启动下载");
    ASSERT_TRUE(QTest::qWaitFor([&] { return !seen.empty(); }, 20000));
    Click(*dialog, "启动下载");
    EXPECT_TRUE(dialog->downloading());
    Click(*dialog, "停止下载");
    ASSERT_TRUE(StatusBecomes(*dialog, "下载时已被用户取消！"));
    EXPECT_EQ(Heard(*dialog), "下载状态\n下载时已被用户取消！");
    EXPECT_FALSE(dialog->downloading());
    EXPECT_EQ(server.requests(), 1);
    EXPECT_EQ(ReadFile(dir / "Duvezer.rar"), "the archive of last month");
    EXPECT_EQ(FilesIn(dir.path()), std::vector<std::string>{"Duvezer.rar"});

    // An error page is not an archive either.
    server.Serve(kArchivePath, HttpRoute{"<html>gone</html>", 404});
    Click(*dialog, "启动下载");
    ASSERT_TRUE(StatusBecomes(*dialog, "服务器返回错误：HTTP 404"));
    EXPECT_EQ(ReadFile(dir / "Duvezer.rar"), "the archive of last month");
}

TEST_F(UpdateDlgTest, AServerThatGoesSilentEndsTheDownloadWithAReadableError) {
    HttpRoute silent(Pattern(1000));
    silent.silence = std::chrono::hours(1);
    server.Serve(kArchivePath, silent);
    auto dialog = Open(server.base(), server.base(), {.lowSpeedWindow = std::chrono::seconds(1)});
    Click(*dialog, "启动下载");
    const char* const stalled = "下载停滞：连续1秒每秒收到的数据不足1024字节，已停止下载";
    ASSERT_TRUE(StatusBecomes(*dialog, stalled));
    EXPECT_EQ(Heard(*dialog), QString("下载状态\n") + stalled);
    EXPECT_FALSE(dialog->downloading());
    EXPECT_TRUE(FilesIn(dir.path()).empty());
}

// A folder where the download cannot be created (here one removed while the
// program runs in it, which even root cannot write): the reason is shown and
// read out like every other status.
TEST_F(UpdateDlgTest, AFolderThatCannotTakeTheDownloadIsSaidAndHeard) {
    server.Serve(kArchivePath, HttpRoute{"archive", 200});
    std::filesystem::create_directory(dir / "gone");
    testing::CurrentDirectory inside{dir / "gone"};
    std::filesystem::remove(dir / "gone");
    auto dialog = Open(server.base(), server.base());
    Click(*dialog, "启动下载");
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return Status(*dialog).startsWith("无法在当前目录创建下载文件："); }, 5000))
        << Status(*dialog).toStdString();
    EXPECT_EQ(Heard(*dialog), "下载状态\n" + Status(*dialog));
    EXPECT_EQ(testing::UnheardLabels(dialog.get()), QStringList());
    EXPECT_EQ(server.requests(), 0);
}

TEST_F(UpdateDlgTest, ClosingDuringADownloadEndsItAtOnce) {
    server.Serve(kArchivePath, Slow(2000 * 1024));  // 80 s in all
    auto dialog = Open(server.base(), server.base());
    Click(*dialog, "启动下载");
    ASSERT_TRUE(QTest::qWaitFor([&] { return !seen.empty(); }, 20000));

    const auto start = std::chrono::steady_clock::now();
    dialog->reject();
    EXPECT_LT(std::chrono::steady_clock::now() - start, testing::kHangLimit);
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_FALSE(dialog->downloading());
    const std::size_t shown = seen.size();
    const QString status = Status(*dialog);
    EXPECT_TRUE(testing::Settled());
    EXPECT_EQ(seen.size(), shown);
    EXPECT_EQ(Status(*dialog), status);
    EXPECT_TRUE(FilesIn(dir.path()).empty());
    EXPECT_TRUE(QTest::qWaitFor([&] { return server.abandoned() == 1; }, 20000));
}

}  // namespace
}  // namespace viz
