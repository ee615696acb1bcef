#include "app/VizuruvDlg.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QMenuBar>
#include <QMessageBox>
#include <QTabBar>
#include <QTabWidget>
#include <QTimer>

#include "app/AboutDlg.h"
#include "app/ApplicationSetup.h"
#include "app/AppTexts.h"
#include "app/PageHolder.h"
#include "base/Page.h"
#include "base/PageContext.h"
#include "base/ReceiveHistory.h"
#include "board/VirtualBoardDlg.h"
#include "update/StartupNotices.h"

namespace viz {
namespace {

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
    std::uint32_t keptLines = kDefaultReceiveKeptLines;
    context_.settings().ReadReceiveKeptLines(keptLines);
    CReceiveHistory::instance().setKeptLines(keptLines);
    CreateTabs();
    resize(1000, 700);

    if (updateMode_ != UpdateMode::Unknown)
        setWindowTitle(QString::fromStdU16String(MainWindowTitle(updateMode_)));
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
    // The board ends its simulator and leaves the serial page's list while
    // the pages are still there.
    delete board_;
    // Pages store their settings and close their links as they go, last tab
    // first. A page never built read nothing, so it has nothing to store.
    for (auto it = holders_.rbegin(); it != holders_.rend(); ++it) delete (*it)->builtPage();
    context_.setMainWindow(nullptr);
}

void CVizuruvDlg::CreateMenu() {
    QMenu* help = menuBar()->addMenu(QString::fromUtf8(texts::kHelpMenu));
    QAction* guide = help->addAction(QString::fromUtf8(texts::kGuideItem));
    guide->setObjectName("guideAction");
    connect(guide, &QAction::triggered, this, [this] { guide_.Open(this); });
    QAction* about = help->addAction(QString::fromUtf8(texts::kAboutItem));
    about->setObjectName("aboutAction");
    connect(about, &QAction::triggered, this, &CVizuruvDlg::ShowAbout);
}

void CVizuruvDlg::CreateTabs() {
    for (int i = 0; i < kPageCount; ++i) {
        const PageId id = kPages[static_cast<std::size_t>(i)].id;
        // The page reads its settings as it is built: only the page itself
        // writes them, so it finds what a page built at start would have,
        // unless the defaults were restored meanwhile.
        holders_[i] = new CPageHolder(
            [this, id](QWidget* parent) {
                CPage* built = BuildPage(id, context_, parent);
                WirePage(id, built);
                return built;
            },
            tabs_);
        tabs_->addTab(holders_[i], QString::fromUtf8(kPages[static_cast<std::size_t>(i)].caption));
    }
    tabs_->setCurrentIndex(0);
}

void CVizuruvDlg::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    // The page shown first takes the focus, unless the start gave it elsewhere.
    if (!focusWidget()) page(tabs_->currentIndex())->setFocus();
}

void CVizuruvDlg::paintEvent(QPaintEvent* event) {
    QMainWindow::paintEvent(event);
    if (drawn_) return;
    drawn_ = true;
    // After this paint has reached the screen.
    QTimer::singleShot(0, this, [this] {
        SetWindowIcons(*this);
        BuildPagesThatWorkFromStart();
    });
}

void CVizuruvDlg::BuildPagesThatWorkFromStart() {
    for (const PageInfo& info : kPages) {
        if (WorksFromStart(info.id)) page(info.id);
    }
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

CPage* CVizuruvDlg::page(int tabIndex) {
    if (tabIndex < 0 || tabIndex >= kPageCount) return nullptr;
    return holders_[tabIndex]->page();
}

bool CVizuruvDlg::pageBuilt(int tabIndex) const {
    return tabIndex >= 0 && tabIndex < kPageCount && holders_[tabIndex]->builtPage();
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
