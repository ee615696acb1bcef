#include "app/VizuruvDlg.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QMenuBar>
#include <QMessageBox>
#include <QTabBar>
#include <QTabWidget>
#include <QTimer>

#include <array>

#include "app/AboutDlg.h"
#include "app/AppIcon.h"
#include "app/AppTexts.h"
#include "base/PageContext.h"
#include "net/NetDlg.h"
#include "net/ServerDlg.h"
#include "serial/ComAdvanceMonitorDlg.h"
#include "serial/ComDlg.h"
#include "tools/Bmp2HexDlg.h"
#include "tools/CheckPage.h"
#include "tools/ToolsDlg.h"
#include "tools/UnicodePage.h"
#include "update/ReadMePage.h"
#include "update/StartupNotices.h"
#include "usb/UsbDlg.h"
#include "wizards/c51/Mcu51GuideDlg.h"
#include "wizards/avr/McuAvrDlg.h"

namespace viz {
namespace {

constexpr std::array<const char*, CVizuruvDlg::kPageCount> kTabCaptions{
    "串口调试", "串口监视器", "USB调试", "网络调试", "网络服务器", "小工具",
    "C51代码向导", "AVR代码向导", "数据校验", "编码转换", "位图转16进制", "升级与配置"};

QString NoticeText(const SettingsNotice& notice) {
    const auto path = [](const std::filesystem::path& p) { return QString::fromStdString(p.string()); };
    switch (notice.kind) {
        case SettingsNotice::Kind::SetAside:
            return QString::fromUtf8(texts::kSettingsSetAside).arg(path(notice.movedTo));
        case SettingsNotice::Kind::NotAFileSetAside:
            return QString::fromUtf8(texts::kSettingsNotAFile).arg(path(notice.movedTo));
        case SettingsNotice::Kind::NotSaved:
            break;
    }
    return QString::fromUtf8(texts::kSettingsNotSaved)
        .arg(path(notice.path), QString::fromStdString(notice.reason));
}

}  // namespace

CVizuruvDlg::CVizuruvDlg(PageContext& context, std::function<void()> startUpdateThreads, QWidget* parent)
    : QMainWindow(parent), context_(context), tabs_(new QTabWidget(this)) {
    setWindowTitle(QString::fromUtf8(texts::kResourceTitle));
    setWindowIcon(AppIcon());
    CreateMenu();
    context_.setMainWindow(this);

    tabs_->setObjectName("tabs");
    tabs_->setAccessibleName(QString::fromUtf8(texts::kPagesName));
    tabs_->tabBar()->setExpanding(false);
    tabs_->setUsesScrollButtons(true);
    setCentralWidget(tabs_);
    // Settings first: pages read theirs as they are built, and the update page
    // follows the same decision as the start-up threads, on a first run too.
    updateMode_ = PrepareSettingsAtStart(context_.settings());
    context_.setAutomaticUpdate(updateMode_ == UpdateMode::On);
    CreatePages();
    tabs_->setCurrentIndex(0);
    pagesByTab_[0]->setFocus();
    resize(1000, 700);

    if (updateMode_ != UpdateMode::Unknown) setWindowTitle(QString::fromStdU16String(MainWindowTitle(updateMode_)));
    if (updateMode_ == UpdateMode::On) {
        if (startUpdateThreads)
            startUpdateThreads();
        else
            startupNotices_ = std::make_unique<CStartupNotices>(this, UpdateServers::FromEnvironment());
    }
    ReportSettingsNotices();
}

CVizuruvDlg::~CVizuruvDlg() {
    // The update threads write to this window: they end before it does.
    startupNotices_.reset();
    // Pages store their settings and close their links as they go, last tab first.
    for (auto it = pagesByTab_.rbegin(); it != pagesByTab_.rend(); ++it) delete *it;
    context_.setMainWindow(nullptr);
}

void CVizuruvDlg::CreateMenu() {
    QMenu* help = menuBar()->addMenu(QString::fromUtf8(texts::kHelpMenu));
    QAction* about = help->addAction(QString::fromUtf8(texts::kAboutItem));
    about->setObjectName("aboutAction");
    connect(about, &QAction::triggered, this, &CVizuruvDlg::ShowAbout);
}

void CVizuruvDlg::CreatePages() {
    // Pages are built in the product's long-standing order, not the tab order;
    // each reads its settings as it is built.
    QWidget* parent = tabs_;
    auto* com = new CComDlg(context_, parent);
    auto* comMonitor = new CComAdvanceMonitorDlg(context_, parent);
    auto* usb = new CUsbDlg(context_, parent);
    auto* net = new CNetDlg(context_, parent);
    auto* server = new CServerDlg(context_, parent);
    auto* tools = new CToolsDlg(context_, parent);
    auto* unicode = new CUnicode(context_, parent);
    auto* mcu51 = new CMcu51GuideDlg(context_, parent);
    auto* avr = new CMcuAvrDlg(context_, parent);
    auto* check = new CCheck(context_, parent);
    auto* readMe = new CReadMe(context_, parent);
    auto* bmp = new CBmp2HexDlg(context_, parent);

    pagesByTab_ = {com, comMonitor, usb, net, server, tools, mcu51, avr, check, unicode, bmp, readMe};
    for (int i = 0; i < kPageCount; ++i) tabs_->addTab(pagesByTab_[i], QString::fromUtf8(kTabCaptions[i]));
}

void CVizuruvDlg::ReportSettingsNotices() {
    QStringList lines;
    for (const SettingsNotice& notice : context_.settings().TakeNotices()) lines.append(NoticeText(notice));
    if (lines.isEmpty()) return;
    // Once the window is up, so the message has the window to sit on.
    QTimer::singleShot(0, this, [this, text = lines.join(QStringLiteral("\n\n"))] {
        QMessageBox::warning(this, QCoreApplication::applicationName(), text);
    });
}

CPage* CVizuruvDlg::page(int tabIndex) const {
    if (tabIndex < 0 || tabIndex >= kPageCount) return nullptr;
    return pagesByTab_[tabIndex];
}

void CVizuruvDlg::ShowAbout() {
    CAboutDlg about(this);
    about.exec();
}

void CVizuruvDlg::moveEvent(QMoveEvent* event) {
    QMainWindow::moveEvent(event);
    context_.DockRecordViewer();
}

void CVizuruvDlg::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    context_.DockRecordViewer();
}

void CVizuruvDlg::keyPressEvent(QKeyEvent* event) {
    // Enter that no child took must not end the program.
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        event->accept();
        return;
    }
    QMainWindow::keyPressEvent(event);
}

}  // namespace viz
