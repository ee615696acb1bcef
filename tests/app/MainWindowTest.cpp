#include "app/VizuruvDlg.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QLineEdit>
#include <QMenuBar>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>

#include <gtest/gtest.h>

#include <map>
#include <utility>
#include <vector>

#include "ModalCatcher.h"
#include "PageTestSupport.h"
#include "TempDir.h"
#include "app/PageTable.h"
#include "app/StartOptionsApply.h"
#include "base/Page.h"
#include "base/PageContext.h"
#include "base/SettingsStore.h"
#include "net/NetDlg.h"
#include "net/ServerDlg.h"
#include "serial/ComAdvanceMonitorDlg.h"
#include "serial/ComDlg.h"
#include "terminal/ReceiveArea.h"
#include "tools/Bmp2HexDlg.h"
#include "tools/CheckPage.h"
#include "tools/ToolsDlg.h"
#include "tools/UnicodePage.h"
#include "update/ReadMePage.h"
#include "usb/UsbDlg.h"
#include "wizards/avr/McuAvrDlg.h"
#include "wizards/c51/Mcu51GuideDlg.h"

namespace viz {
namespace {

class MainWindowTest : public ::testing::Test {
protected:
    testing::TempDir dir;
    SettingsStore store{dir / "Vizuruv.conf"};
    PageContext context{store};
    int updateStarts = 0;

    std::unique_ptr<CVizuruvDlg> Open() {
        return std::make_unique<CVizuruvDlg>(context, [this] { ++updateStarts; });
    }
};

TEST_F(MainWindowTest, TwelveTabsInOrderWithTheirPageClasses) {
    auto window = Open();
    const QStringList expected{"串口调试",   "串口监视器", "USB调试",      "网络调试",
                               "网络服务器", "小工具",     "C51代码向导",  "AVR代码向导",
                               "数据校验",   "编码转换",   "位图转16进制", "升级与配置"};
    const char* classes[] = {"viz::CComDlg",        "viz::CComAdvanceMonitorDlg",
                             "viz::CUsbDlg",        "viz::CNetDlg",
                             "viz::CServerDlg",     "viz::CToolsDlg",
                             "viz::CMcu51GuideDlg", "viz::CMcuAvrDlg",
                             "viz::CCheck",         "viz::CUnicode",
                             "viz::CBmp2HexDlg",    "viz::CReadMe"};
    QTabWidget* tabs = window->tabs();
    ASSERT_EQ(tabs->count(), 12);
    for (int i = 0; i < 12; ++i) {
        EXPECT_EQ(tabs->tabText(i), expected[i]);
        EXPECT_STREQ(window->page(i)->metaObject()->className(), classes[i]);
        EXPECT_TRUE(tabs->widget(i)->isAncestorOf(window->page(i)));
    }
    EXPECT_EQ(tabs->currentIndex(), 0);
    EXPECT_EQ(window->page(12), nullptr);
}

// Each page id, asked for as a start asks for it, shows its own tab with its
// caption and the class the shell's calls take it for.
template <PageId id>
void ExpectPageOpens(CVizuruvDlg& window) {
    const int tab = TabOf(id);
    ASSERT_GE(tab, 0);
    const PageInfo& info = kPages[static_cast<std::size_t>(tab)];
    EXPECT_EQ(PageIdNamed(info.name), id) << info.name;
    StartOptions options;
    options.page = id;
    ApplyStartOptions(window, options);
    EXPECT_EQ(window.tabs()->currentIndex(), tab) << info.name;
    EXPECT_EQ(window.tabs()->tabText(tab), QString::fromUtf8(info.caption));
    CPage* page = window.page(id);
    ASSERT_NE(page, nullptr) << info.name;
    EXPECT_NE(dynamic_cast<typename PageClass<id>::Type*>(page), nullptr) << info.name;
    EXPECT_EQ(PageAs<id>(page), dynamic_cast<typename PageClass<id>::Type*>(page));
}

template <std::size_t... ids>
void ExpectEveryPageOpens(CVizuruvDlg& window, std::index_sequence<ids...>) {
    (ExpectPageOpens<static_cast<PageId>(ids)>(window), ...);
}

TEST_F(MainWindowTest, EveryPageIdOpensThePageItNames) {
    auto window = Open();
    ExpectEveryPageOpens(*window, std::make_index_sequence<kPageCount>());
}

// The window comes up with the page it shows (and, once drawn, the
// program's icon and the update page, which works from the start); every
// other page is built when its tab is first opened, here from the keyboard,
// and takes the focus as a page built at start would.
TEST_F(MainWindowTest, APageIsBuiltWhenItsTabIsFirstOpened) {
    ASSERT_EQ(store.WriteMakerInfo(), 0);
    ASSERT_EQ(store.WriteAutoUpdate(0), 0);
    auto window = Open();
    window->show();
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    ASSERT_TRUE(QTest::qWaitFor([&] { return window->pageBuilt(11); }));
    for (int i = 0; i < 12; ++i) EXPECT_EQ(window->pageBuilt(i), i == 0 || i == 11) << "tab " << i;
    EXPECT_TRUE(window->testAttribute(Qt::WA_SetWindowIcon) && !window->windowIcon().isNull())
        << "the program's icon";

    QWidget* typing = nullptr;
    for (auto* control : window->page(0)->findChildren<QLineEdit*>())
        if (!typing && control->isVisible() && control->isEnabled()) typing = control;
    ASSERT_NE(typing, nullptr);
    typing->setFocus();
    QTest::keyClick(typing, Qt::Key_Tab, Qt::ControlModifier);
    EXPECT_EQ(window->tabs()->currentIndex(), 1);
    ASSERT_TRUE(window->pageBuilt(1));
    EXPECT_TRUE(window->page(1)->isVisible());
    EXPECT_TRUE(window->page(1)->isAncestorOf(QApplication::focusWidget()))
        << "the focus stayed on "
        << (QApplication::focusWidget() ? QApplication::focusWidget()->metaObject()->className() : "nothing");
    EXPECT_EQ(window->page(1)->geometry(), window->page(0)->geometry());
    EXPECT_FALSE(window->pageBuilt(2));
}

TEST_F(MainWindowTest, SwitchingTabsKeepsTypedTextAndGivesPagesOneRectangle) {
    auto window = Open();
    window->show();
    auto* edit = new QLineEdit(window->page(3));
    edit->show();
    QTabWidget* tabs = window->tabs();
    tabs->setCurrentIndex(3);
    QTest::keyClicks(edit, "hello ");
    edit->insert("中文");
    const QRect pageRect = window->page(3)->geometry();
    for (int i : {0, 11, 5, 3}) tabs->tabBar()->setCurrentIndex(i);
    EXPECT_EQ(edit->text(), "hello 中文");
    for (int i = 0; i < 12; ++i) {
        tabs->setCurrentIndex(i);
        EXPECT_EQ(window->page(i)->geometry(), pageRect) << "tab " << i;
        EXPECT_TRUE(window->page(i)->isVisible());
    }
}

TEST_F(MainWindowTest, FirstRunWritesDefaultsAndStartsUpdates) {
    ASSERT_FALSE(store.Exists());
    auto window = Open();
    EXPECT_TRUE(store.Exists());
    SerialSettings serial{0, 0, 0, u"", u""};
    EXPECT_EQ(store.ReadSerial(serial), 0);
    EXPECT_EQ(serial.baud, 9600u);
    EXPECT_EQ(updateStarts, 1);
    EXPECT_EQ(window->windowTitle(), "Duvezer [自动更新：已开启]");
}

// The encoding chosen on a terminal page and the time stamp boxes of its
// receive areas, in page order.
struct TextChoice {
    QString encoding;
    std::vector<bool> stamps;
    bool operator==(const TextChoice&) const = default;
};

std::vector<CReceiveArea*> ReceivingAreas(CPage* page) {
    if (auto* serial = dynamic_cast<CComDlg*>(page)) return {serial->receiveArea()};
    if (auto* usb = dynamic_cast<CUsbDlg*>(page)) return {usb->receiveArea(CUsbDlg::kEp2)};
    if (auto* net = dynamic_cast<CNetDlg*>(page))
        return {net->receiveArea(CNetDlg::kTcp), net->receiveArea(CNetDlg::kUdp)};
    if (auto* server = dynamic_cast<CServerDlg*>(page)) return {server->receiveArea()};
    return {};
}

TextChoice ShownChoice(CPage* page) {
    TextChoice choice{page->findChild<QComboBox*>(QStringLiteral("encoding"))->currentText(), {}};
    for (CReceiveArea* area : ReceivingAreas(page))
        choice.stamps.push_back(area->timeStampBox()->isChecked());
    return choice;
}

void Choose(CPage* page, const TextChoice& choice) {
    page->findChild<QComboBox*>(QStringLiteral("encoding"))->setCurrentText(choice.encoding);
    const std::vector<CReceiveArea*> areas = ReceivingAreas(page);
    for (std::size_t i = 0; i < areas.size(); ++i) areas[i]->timeStampBox()->setChecked(choice.stamps[i]);
}

TEST_F(MainWindowTest, EachTerminalPageKeepsItsOwnEncodingAndTimeStamps) {
    const int terminalTabs[] = {0, 2, 3, 4};  // serial, USB, network, server
    const std::map<int, TextChoice> chosen{
        {0, {"UTF-8", {true}}}, {2, {"UTF-8", {false}}}, {3, {"GBK", {false, true}}}, {4, {"UTF-8", {true}}}};
    const auto defaults = [](int tab) {
        return TextChoice{"GBK", std::vector<bool>(tab == 3 ? 2 : 1, false)};
    };
    {
        // A first run, like a file of an earlier version, holds none of them.
        auto window = Open();
        for (int tab : terminalTabs) {
            EXPECT_EQ(ShownChoice(window->page(tab)), defaults(tab)) << "tab " << tab;
            Choose(window->page(tab), chosen.at(tab));
        }
    }
    {
        auto window = Open();
        for (int tab : terminalTabs)
            EXPECT_EQ(ShownChoice(window->page(tab)), chosen.at(tab)) << "tab " << tab;
        ASSERT_EQ(store.RestoreDefaults(), 0);
    }
    auto window = Open();
    for (int tab : terminalTabs) EXPECT_EQ(ShownChoice(window->page(tab)), defaults(tab)) << "tab " << tab;
}

TEST_F(MainWindowTest, AutoUpdateOffShowsTheSwitchedOffTitleAndStartsNothing) {
    ASSERT_EQ(store.WriteMakerInfo(), 0);
    ASSERT_EQ(store.WriteAutoUpdate(0), 0);
    auto window = Open();
    EXPECT_EQ(updateStarts, 0);
    EXPECT_EQ(window->windowTitle(), "Duvezer [自动更新：已关闭，可在|升级与配置|选项卡开启]");
}

TEST_F(MainWindowTest, AutoUpdateMissingKeepsTheResourceTitleForThisRun) {
    ASSERT_EQ(store.WriteMakerInfo(), 0);
    auto window = Open();
    EXPECT_EQ(updateStarts, 0);
    EXPECT_EQ(window->windowTitle(), "Duvezer [作者：Ruderu]");
    std::uint32_t value = 0;
    EXPECT_EQ(store.ReadAutoUpdate(value), 0);
    EXPECT_EQ(value, 1u);
    window.reset();
    auto next = Open();
    EXPECT_EQ(next->windowTitle(), "Duvezer [自动更新：已开启]");
    EXPECT_EQ(updateStarts, 1);
}

TEST_F(MainWindowTest, AFolderAtTheSettingsPathIsSetAsideAndTheUserToldOnce) {
    std::filesystem::create_directories(dir / "Vizuruv.conf" / "kept");
    testing::ModalCatcher catcher;
    auto window = Open();
    window->show();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !catcher.texts().isEmpty(); }, 20000));
    ASSERT_EQ(catcher.texts().size(), 1);
    EXPECT_TRUE(
        catcher.texts()[0].startsWith("设置文件的位置被一个文件夹或其他非普通文件占用，已将其改名为“"))
        << catcher.texts()[0].toStdString();
    EXPECT_TRUE(catcher.texts()[0].contains("Vizuruv.conf.broken-"));
    EXPECT_EQ(window->windowTitle(), "Duvezer [自动更新：已开启]") << "a first run on a file of its own";
    EXPECT_TRUE(std::filesystem::is_regular_file(dir / "Vizuruv.conf"));
    window.reset();
    EXPECT_TRUE(testing::HandlePostedEvents());
    EXPECT_EQ(catcher.texts().size(), 1);
}

TEST_F(MainWindowTest, TheSevenSegmentTableShowsBothRowsWholeAtTheDefaultSize) {
    auto window = Open();
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    window->tabs()->setCurrentIndex(5);
    QApplication::processEvents();
    QPlainTextEdit* table = nullptr;
    for (auto* box : window->page(5)->findChildren<QPlainTextEdit*>())
        if (box->accessibleName() == "数码管0~F编码表") table = box;
    ASSERT_NE(table, nullptr);
    EXPECT_EQ(table->horizontalScrollBar()->maximum(), 0) << "a row runs off the right edge";
    EXPECT_EQ(table->verticalScrollBar()->maximum(), 0) << "a row is below the bottom edge";
    EXPECT_TRUE(table->toPlainText().contains("0xC0,0xF9,0xA4,0xB0,0x99,0x92,0x82,0xF8,\n0x80,"));

    // Still selectable and copyable.
    table->setFocus();
    QTest::keyClick(table, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(table, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), table->toPlainText());
}

TEST_F(MainWindowTest, EnterOnTheTabStripDoesNotCloseTheWindow) {
    auto window = Open();
    window->show();
    window->tabs()->tabBar()->setFocus();
    QTest::keyClick(window->tabs()->tabBar(), Qt::Key_Return);
    QTest::keyClick(window.get(), Qt::Key_Enter);
    EXPECT_TRUE(window->isVisible());
}

TEST_F(MainWindowTest, AboutItemSitsInAWindowMenu) {
    auto window = Open();
    QAction* about = window->findChild<QAction*>("aboutAction");
    ASSERT_NE(about, nullptr);
    EXPECT_EQ(about->text(), "关于 Vizuruv(&A)...");
    bool found = false;
    for (QAction* menu : window->menuBar()->actions())
        found = found || (menu->menu() && menu->menu()->actions().contains(about));
    EXPECT_TRUE(found);
}

TEST_F(MainWindowTest, AboutBoxNamesTheProductAndItsLicence) {
    auto window = Open();
    window->show();
    QStringList lines;
    QTimer reader;  // ends with the test, even if the box never opens
    reader.setSingleShot(true);
    QObject::connect(&reader, &QTimer::timeout, [&lines] {
        QWidget* about = QApplication::activeModalWidget();
        if (!about) return;
        lines.append(about->windowTitle());
        for (auto* label : about->findChildren<QLabel*>()) lines.append(label->text());
        QTest::mouseClick(about->findChild<QPushButton*>(), Qt::LeftButton);
    });
    reader.start(50);
    window->findChild<QAction*>("aboutAction")->trigger();
    ASSERT_FALSE(lines.isEmpty()) << "the about box did not open";
    EXPECT_EQ(lines[0], "关于 Vizuruv");
    EXPECT_TRUE(lines.contains("Duvezer"));
    EXPECT_TRUE(lines.filter("GNU 通用公共许可证（第 3 版或您选择的任何更高版本）").size() == 1)
        << lines.join('\n').toStdString();
}

TEST_F(MainWindowTest, RecordViewerFollowsTheMainWindowsRightEdge) {
    auto window = Open();
    window->show();
    EXPECT_EQ(context.mainWindow(), window.get());
    QWidget viewer;
    viewer.resize(200, 300);
    viewer.show();
    context.setRecordViewer(&viewer);
    window->move(50, 60);
    QApplication::processEvents();
    EXPECT_EQ(viewer.pos(), QPoint(window->frameGeometry().right() + 1, window->frameGeometry().top()));
    window->resize(window->width() + 40, window->height());
    QApplication::processEvents();
    EXPECT_EQ(viewer.x(), window->frameGeometry().right() + 1);
    EXPECT_EQ(viewer.size(), QSize(200, 300));
}

}  // namespace
}  // namespace viz
