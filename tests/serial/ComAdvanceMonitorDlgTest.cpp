// The advanced monitor page with the real helper program: installing and
// removing it, watching a pty that stands in for the real port while the
// test plays both the watched program (on the alias) and the board.
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "IconvReference.h"
#include "PageTestSupport.h"
#include "SerMonTestSupport.h"
#include "serial/ComAdvanceMonitorDlg.h"
#include "terminal/ListCtrlEx.h"
#include "terminal/ViewEditDlg.h"

namespace viz::testing {
namespace {

class AdvanceMonitor : public ::testing::Test {
protected:
    AdvanceMonitor() : workingDirectory_(dir.path()) {
        std::filesystem::create_directories(dir / "sys" / "ttyUSB0" / "device");
    }
    ~AdvanceMonitor() override {
        {
            ModalCatcher catcher;
            page_.reset();
        }
        // A helper a test left running is ended, as "卸载驱动" would.
        if (const pid_t running = sermon::HelperProcess(socket); running > 0) ::kill(running, SIGTERM);
        for (int i = 0; i < 300 && std::filesystem::exists(socket); ++i) QTest::qWait(10);
    }

    CComAdvanceMonitorDlg& page() {
        if (!page_) {
            SerMonSetup setup;
            setup.helper = helper;
            setup.socket = socket;
            setup.ttyClassRoot = dir / "sys";
            page_ = std::make_unique<CComAdvanceMonitorDlg>(host.context, nullptr, setup);
            page_->resize(1000, 500);
            page_->show();
        }
        return *page_;
    }
    void EndPage() { page_.reset(); }

    QPushButton* Button(const char* name) { return page().findChild<QPushButton*>(QLatin1StringView(name)); }

    // Clicks as the user does, answering message boxes, until `done` holds or
    // a message came.
    QStringList ClickAndWait(
        QAbstractButton* button, const std::function<bool()>& done = [] { return false; }) {
        ModalCatcher catcher;
        QTest::mouseClick(button, Qt::LeftButton);
        [[maybe_unused]] const bool settled =
            QTest::qWaitFor([&] { return done() || !catcher.texts().isEmpty(); }, 5000);
        return catcher.texts();
    }

    void Install() {
        ASSERT_EQ(ClickAndWait(Button("install")), QStringList{QStringLiteral("安装驱动成功！")});
    }

    QStringList StartOn(const std::string& port) {
        QComboBox* list = page().findChild<QComboBox*>(QStringLiteral("port"));
        list->lineEdit()->selectAll();
        QTest::keyClicks(list->lineEdit(), QString::fromStdString(port));
        return ClickAndWait(Button("start"), [&] { return page().watching(); });
    }

    // Starts watching the board's port; the alias the program opens.
    std::filesystem::path StartOnBoard() {
        EXPECT_TRUE(StartOn(board.slave()).isEmpty());
        EXPECT_TRUE(page().watching());
        return page().alias().toStdString();
    }

    const std::vector<MonitorRow>& Rows() { return page().list()->rows(); }
    // The rows with each run of R rows joined into one (lengths summed, data
    // joined) and numbered again: what arrived, whatever the reads' split.
    static std::vector<MonitorRow> ReceivedRows(const std::vector<MonitorRow>& rows) {
        std::vector<MonitorRow> joined;
        for (const MonitorRow& row : rows) {
            if (!joined.empty() && row[1] == u"R" && joined.back()[1] == u"R") {
                MonitorRow& last = joined.back();
                const int length = std::stoi(std::string(last[2].begin(), last[2].end())) +
                                   std::stoi(std::string(row[2].begin(), row[2].end()));
                last[2] = QStringLiteral("%1").arg(length, 4, 10, QLatin1Char('0')).toStdU16String();
                last[3] += row[3].substr(row[3].find(u' ') + 1);
                continue;
            }
            joined.push_back(row);
            joined.back()[0] =
                QStringLiteral("%1").arg(joined.size() - 1, 4, 10, QLatin1Char('0')).toStdU16String();
        }
        return joined;
    }
    bool WaitForRows(std::size_t count) {
        return QTest::qWaitFor([&] { return Rows().size() >= count; }, 20000);
    }

    // Writes as the watched program does and waits for the row it makes.
    void ProgramWrites(int program, const Bytes& bytes) {
        const std::size_t before = Rows().size();
        ASSERT_EQ(::write(program, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
        ASSERT_TRUE(WaitForRows(before + 1));
    }

    TempDir dir;
    PageHost host;
    std::filesystem::path helper = VIZ_SERMON_HELPER;
    const std::filesystem::path socket = dir / "run" / "sermon.sock";
    PtyPair board;

private:
    CurrentDirectory workingDirectory_;
    std::unique_ptr<CComAdvanceMonitorDlg> page_;
};

TEST_F(AdvanceMonitor, HelperIsInstalledAndRemovedAndStartsTellWhatWentWrong) {
    EXPECT_EQ(page().findChild<QComboBox*>(QStringLiteral("port"))->itemText(0),
              QStringLiteral("/dev/ttyUSB0"));
    EXPECT_EQ(ClickAndWait(Button("start")),
              QStringList{QStringLiteral("检测到当前系统没有安装驱动，请点击[安装驱动]按钮！")});
    EXPECT_TRUE(Button("start")->isEnabled());

    Install();
    EXPECT_EQ(sermon::Probe(socket), 0);
    EXPECT_TRUE(ClickAndWait(Button("install"), [] { return true; }).isEmpty()) << "already running";
    EXPECT_EQ(StartOn("/dev/no-such-port"),
              QStringList{QStringLiteral("启动监视失败，当前串口可能被占用！")});
    EXPECT_FALSE(page().watching());
    EXPECT_TRUE(Button("start")->isEnabled());
    EXPECT_EQ(page().viewer(), nullptr) << "created at the first successful start only";

    EXPECT_EQ(ClickAndWait(Button("uninstall")), QStringList{QStringLiteral("卸载驱动成功！")});
    EXPECT_FALSE(std::filesystem::exists(socket));
    EXPECT_TRUE(ClickAndWait(Button("uninstall"), [] { return true; }).isEmpty()) << "nothing to remove";
}

TEST_F(AdvanceMonitor, AMissingHelperProgramIsReported) {
    helper = dir / "no-such-helper";
    EXPECT_EQ(ClickAndWait(Button("install")),
              QStringList{QStringLiteral("启动服务失败，可能找不到正确的驱动文件！")});
    EXPECT_NE(sermon::Probe(socket), 0);
}

// Without XDG_RUNTIME_DIR the helper's folder is in the shared /tmp, where
// another user may have made it first: the message names it and its owner.
TEST_F(AdvanceMonitor, AHelperFolderOfAnotherUserIsNamedWithItsOwner) {
    ASSERT_EQ(::geteuid(), 0u) << "making another user's folder needs root";
    std::filesystem::create_directory(dir / "run");
    ASSERT_EQ(::chown((dir / "run").c_str(), 65534, 65534), 0);
    const QStringList said = ClickAndWait(Button("install"));
    const std::optional<std::string> owner = sermon::ForeignFolderOwner(dir / "run");
    ASSERT_TRUE(owner);
    EXPECT_EQ(said, QStringList{QStringLiteral("创建服务失败：文件夹%1属于用户%2，不能用来存放驱动的套接字。"
                                               "请删除该文件夹，或设置XDG_RUNTIME_DIR！")
                                    .arg(QString::fromStdString((dir / "run").string()),
                                         QString::fromStdString(*owner))});
    EXPECT_NE(*owner, "65534") << "a user the system knows is named";
    EXPECT_NE(sermon::Probe(socket), 0);
    EXPECT_FALSE(sermon::ForeignFolderOwner(dir.path())) << "our own folder";
}

TEST_F(AdvanceMonitor, RowsShowEveryKindAndTheStopWaitsForTheWatchedProgram) {
    Install();
    const std::filesystem::path alias = StartOnBoard();
    EXPECT_FALSE(Button("start")->isEnabled());
    EXPECT_TRUE(Button("stop")->isEnabled());
    ASSERT_NE(page().viewer(), nullptr);
    EXPECT_EQ(page().viewer()->windowTitle(), QStringLiteral("串口监视数据预览"));
    EXPECT_TRUE(page().viewer()->isVisible());

    const int program = OpenAsProgram(alias);
    ASSERT_GE(program, 0);
    ASSERT_TRUE(WaitForRows(1));
    ProgramWrites(program, {'A', 'B'});
    // Pieces written in quick succession are batched into R rows; how many
    // rows depends on how the machine schedules the reads, so the rows are
    // compared by their bytes (never finer than the pieces written).
    for (const Bytes& piece : {Bytes{'a'}, Bytes{'b', 'c'}, Bytes{'d', 'e', 'f'}}) {
        board.WriteAll(piece);
        QTest::qWait(2);
    }
    EXPECT_EQ(ReadFrom(program, 6), (Bytes{'a', 'b', 'c', 'd', 'e', 'f'}));
    ASSERT_TRUE(QTest::qWaitFor([&] { return ReceivedRows(Rows()).back()[2] == u"0006"; }, 20000));
    EXPECT_LE(
        std::count_if(Rows().begin(), Rows().end(), [](const MonitorRow& row) { return row[1] == u"R"; }), 3);
    QTest::mouseClick(page().findChild<QCheckBox*>(QStringLiteral("hexDisplay")), Qt::LeftButton, {},
                      QPoint(8, 8));
    ProgramWrites(program, {'A', 0x00, '\n'});

    EXPECT_EQ(ClickAndWait(Button("stop")), QStringList{QStringLiteral("检测到被监视的串口没有关闭！")});
    EXPECT_TRUE(page().watching());
    ::close(program);
    ASSERT_TRUE(QTest::qWaitFor([&] { return Rows().back()[1] == u"C"; }, 20000));
    EXPECT_EQ(ReceivedRows(Rows()), (std::vector<MonitorRow>{{u"0000", u"O", u" - ", u" - "},
                                                             {u"0001", u"S", u"0002", u"CHR: AB"},
                                                             {u"0002", u"R", u"0006", u"CHR: abcdef"},
                                                             {u"0003", u"S", u"0003", u"ASC: 41 00 0a "},
                                                             {u"0004", u"C", u" - ", u" - "}}));
    // A click shows the row's data in the viewer.
    CListCtrlEx* list = page().list();
    const QRect second = list->visualRect(list->model()->index(1, 3));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, second.center());
    EXPECT_EQ(page().viewer()->edit()->toPlainText(), QStringLiteral("CHR: AB"));

    ClickAndWait(Button("clear"), [] { return true; });
    EXPECT_TRUE(Rows().empty());
    ::close(OpenAsProgram(alias));
    ASSERT_TRUE(WaitForRows(2));
    EXPECT_EQ(Rows()[0][0], u"0000");
    EXPECT_EQ(Rows()[1][0], u"0001");

    EXPECT_TRUE(ClickAndWait(Button("stop"), [&] { return Button("start")->isEnabled(); }).isEmpty());
    EXPECT_FALSE(page().watching());
    EXPECT_TRUE(Button("start")->isEnabled());
    EXPECT_FALSE(Button("stop")->isEnabled());
    EXPECT_FALSE(std::filesystem::exists(std::filesystem::symlink_status(alias)));
    // Rows stay until "清空".
    EXPECT_EQ(Rows().size(), 2u);
}

TEST_F(AdvanceMonitor, LogHoldsTheRowsByteForByteAndAnUnwritableFolderIsReported) {
    Install();
    const int program = OpenAsProgram(StartOnBoard());
    ASSERT_TRUE(WaitForRows(1));
    QTest::mouseClick(page().findChild<QCheckBox*>(QStringLiteral("hexDisplay")), Qt::LeftButton, {},
                      QPoint(8, 8));
    ProgramWrites(program, Pattern(30));
    ::close(program);
    ASSERT_TRUE(WaitForRows(3));

    EXPECT_EQ(ClickAndWait(Button("save")),
              QStringList{QStringLiteral("保存串口高级监视器数据记录成功,并保存在该软件的当前目录！")});
    const auto spaces = [](std::size_t count) { return std::string(count, ' '); };
    const std::string rule = "\r\n\r\n" + std::string(78, '=') + "\r\n\r\n";
    std::string expected = spaces(22) + "端口监视记录" + spaces(25) + "\r\n" + "mail:ruderu@vizuruv.example" +
                           spaces(33) + "\r\n\r\n" + "blog:http://blog.vizuruv.example" + spaces(28) +
                           "\r\n\r\n" + "C:端口已关闭" + spaces(41) + "\r\n" + "O:端口已开启" + spaces(41) +
                           "\r\n" + "R:端口已收到数据" + spaces(37) + "\r\n" + "S:端口已发送数据" +
                           spaces(37) + "\r\n\r\n" + "CHR:当前数据为字符" + spaces(44) + "\r\n" +
                           "ASC:当前数据为ASCII码" + spaces(44) + "\r\n" + "\r\n" + std::string(78, '#') +
                           "\r\n" + "\r\n序号        C/O/R/S        数据长度        数据 \r\n\r\n";
    expected +=
        rule + spaces(11) + "0000" + spaces(13) + "O" + spaces(10) + " - " + " - " + "\r\n" + spaces(46);
    // ": 00 01 ... 1d " in lines of 23, then 24 characters.
    std::string rest = ": ";
    for (int byte = 0; byte < 30; ++byte)
        rest += QStringLiteral("%1 ").arg(byte, 2, 16, QChar(u'0')).toStdString();
    expected += rule + spaces(11) + "0001" + spaces(13) + "S" + spaces(10) + "0030" + "ASC" + "\r\n" +
                spaces(46) + rest.substr(0, 23);
    for (std::size_t at = 23; at < rest.size(); at += 24)
        expected += "\r\n" + spaces(45) + rest.substr(at, 24);
    expected +=
        rule + spaces(11) + "0002" + spaces(13) + "C" + spaces(10) + " - " + " - " + "\r\n" + spaces(46);
    std::ifstream file(dir / "串口高级监视器.txt", std::ios::binary);
    const std::string written((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    EXPECT_EQ(written, Gbk(expected));

    // A folder that is gone cannot take the file, whoever the user is.
    const std::filesystem::path gone = dir / "gone";
    std::filesystem::create_directory(gone);
    CurrentDirectory inGone(gone);
    std::filesystem::remove(gone);
    EXPECT_EQ(ClickAndWait(Button("save")),
              QStringList{QStringLiteral("保存记录失败：无法写入当前目录下的串口高级监视器.txt！")});
}

TEST_F(AdvanceMonitor, ClosingThePageEndsTheWatchAndLeavesTheHelperForTheNextStart) {
    Install();
    std::filesystem::path alias = StartOnBoard();
    const int program = OpenAsProgram(alias);
    ASSERT_TRUE(WaitForRows(1));
    {
        ModalCatcher catcher;
        QTimer::singleShot(0, [&] { EndPage(); });
        ASSERT_TRUE(QTest::qWaitFor([&] { return !catcher.texts().isEmpty(); }, 20000));
        EXPECT_EQ(catcher.texts(), QStringList{QStringLiteral("请关闭被监视的串口，然后点击确定退出！")});
        QTest::qWait(50);
    }
    EXPECT_TRUE(
        QTest::qWaitFor([&] { return !std::filesystem::exists(std::filesystem::symlink_status(alias)); }));
    // The program sees its port hang up, as after an unplug.
    pollfd hangup{program, POLLIN, 0};
    EXPECT_EQ(::poll(&hangup, 1, 2000), 1);
    EXPECT_TRUE(hangup.revents & POLLHUP);
    ::close(program);

    EXPECT_EQ(sermon::Probe(socket), 0) << "the helper stays";
    alias = StartOnBoard();
    EXPECT_TRUE(std::filesystem::is_symlink(alias));
}

}  // namespace
}  // namespace viz::testing
