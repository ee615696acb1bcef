// Scenes of pages that talk to devices the machine making the pictures does
// not have: the page is built over a pretend device tree and takes the place
// of the window's own page behind its tab, so the picture shows the window
// as a user with the device sees it.
#include <QComboBox>
#include <QLayout>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>

#include <csignal>
#include <string>

#include "SceneSteps.h"
#include "Scenes.h"
#include "app/PageTable.h"
#include "app/VizuruvDlg.h"
#include "base/Page.h"
#include "serial/ComAdvanceMonitorDlg.h"
#include "serial/SerMonClient.h"
#include "terminal/ListCtrlEx.h"
#include "usb/HidTestSupport.h"
#include "usb/UsbDlg.h"

namespace viz::screenshots {
namespace {

// Puts `standIn` behind the tab of `id` instead of the window's page.
void StandIn(CVizuruvDlg& window, PageId id, CPage* standIn) {
    CPage* own = window.page(id);
    QWidget* holder = window.tabs()->widget(TabOf(id));
    delete holder->layout()->replaceWidget(own, standIn);
    own->hide();
    standIn->show();
}

// Accepts the message boxes a page shows while the scene clicks, counting them.
class BoxAnswerer {
public:
    BoxAnswerer() {
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                ++answered_;
                box->accept();
            }
        });
        timer_.start(5);
    }
    int answered() const { return answered_; }

private:
    QTimer timer_;
    int answered_ = 0;
};

}  // namespace

Scenes::Scenes(const QDir& work) : work_(work) {}

Scenes::~Scenes() {
    // The helper outlives the page by design ("卸载驱动" ends it); not this program.
    if (monitorSocket_.empty()) return;
    if (const pid_t helper = sermon::HelperProcess(monitorSocket_); helper > 0) ::kill(helper, SIGTERM);
}

bool Scenes::StageMonitor(CVizuruvDlg& window) {
    const std::string port = peers_.OpenWatchedBoard();
    if (port.empty()) return Failed("no pseudo-terminal for the monitor page");
    SerMonSetup setup;
    setup.helper = VIZ_SERMON_HELPER;
    setup.socket = work_.filePath(QStringLiteral("run/sermon.sock")).toStdString();
    setup.ttyClassRoot = work_.filePath(QStringLiteral("tty")).toStdString();
    monitorSocket_ = setup.socket;
    QWidget* holder = window.tabs()->widget(TabOf(PageId::Monitor));
    auto* page = new CComAdvanceMonitorDlg(*context_, holder, setup);
    StandIn(window, PageId::Monitor, page);

    BoxAnswerer boxes;
    Click(page->findChild<QPushButton*>(QStringLiteral("install")), "install");
    if (!WaitFor([&boxes] { return boxes.answered() > 0; }, 10000)) return Failed("the helper did not start");
    page->findChild<QComboBox*>(QStringLiteral("port"))->lineEdit()->setText(QString::fromStdString(port));
    Click(page->findChild<QPushButton*>(QStringLiteral("start")), "start");
    if (!WaitFor([page] { return page->watching(); }, 10000)) return Failed("the watch did not start");

    // The watched program asks, the board answers, the program reads; then it
    // closes the port, as the page asks before a watch ends.
    if (!peers_.OpenProgram(page->alias().toStdString())) return Failed("cannot open the monitor's alias");
    const auto rows = [page] { return page->list()->rows().size(); };
    struct Exchange {
        std::string ask;
        std::string answer;
    };
    for (const Exchange& step :
         {Exchange{"READ TEMP\r\n", "TEMP=25.6\r\n"}, Exchange{"READ HUMI\r\n", "HUMI=48%\r\n"}}) {
        const std::size_t before = rows();
        if (!peers_.ProgramWrites(step.ask) || !WaitFor([&] { return rows() > before; }))
            return Failed("the monitor did not record the program's write");
        std::string got;
        if (!peers_.WatchedBoardWrites(step.answer) ||
            !WaitFor([&] { return (got += peers_.ProgramReads()) == step.answer && rows() > before + 1; }))
            return Failed("the monitor did not record the program's read");
    }
    peers_.CloseProgram();
    return WaitFor([page] { return !page->watchedPortOpen(); }) ||
           Failed("the monitor did not see the program close the port");
}

bool Scenes::StageUsb(CVizuruvDlg& window) {
    hidTree_ = std::make_unique<testing::FakeHidTree>(work_.filePath(QStringLiteral("sys")).toStdString());
    testing::FakeHid board;
    board.productString = "USB HID Demo Board";
    board.hidName = "Vizuruv USB HID Demo Board";
    hidTree_->Add(3, board);
    QWidget* holder = window.tabs()->widget(TabOf(PageId::Usb));
    // No device is opened, so neither device nodes nor hot-plug news are needed.
    auto* page = new CUsbDlg(*context_, holder, HidSystem{hidTree_->classRoot(), "/dev", {}, {}});
    StandIn(window, PageId::Usb, page);
    Click(ButtonShowing(page, QStringLiteral("查找USB")), "查找USB");
    return page->devices().size() == 1 || Failed("the USB page did not find the pretend HID board");
}

}  // namespace viz::screenshots
