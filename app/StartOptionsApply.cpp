#include "app/StartOptionsApply.h"

#include <QTabWidget>
#include <QTimer>

#include "app/VizuruvDlg.h"
#include "net/NetDlg.h"
#include "net/ServerDlg.h"
#include "serial/ComDlg.h"

namespace viz {
namespace {

void Fill(CComDlg& page, const StartOptions& options) {
    if (options.serialPort) page.ChoosePort(QString::fromStdString(*options.serialPort));
    if (options.baud) page.ChooseBaud(*options.baud);
    if (!options.open) return;
    QTimer::singleShot(0, &page, [&page] {
        if (!page.isOpen()) page.ToggleOpen();
    });
}

void Fill(CNetDlg& page, const StartOptions& options) {
    if (options.tcp) page.SetTcpDestination(QString::fromStdString(options.tcp->address), options.tcp->port);
    if (options.tcp || options.tcpSource) page.SetTcpSource(options.tcpSource.value_or(0));
    if (!options.open) return;
    QTimer::singleShot(0, &page, [&page] {
        if (!page.isOpen(CNetDlg::kTcp)) page.ToggleLink(CNetDlg::kTcp);
    });
}

void Fill(CServerDlg& page, const StartOptions& options) {
    if (options.listenPort) page.SetLocalPort(*options.listenPort);
    if (!options.open) return;
    QTimer::singleShot(0, &page, [&page] {
        if (!page.created()) page.ToggleServer();
    });
}

}  // namespace

void ApplyStartOptions(CVizuruvDlg& window, const StartOptions& options) {
    if (!options.page) return;
    const int tab = TabOf(*options.page);
    CPage* page = window.page(tab);
    window.tabs()->setCurrentIndex(tab);
    page->setFocus();
    if (auto* serial = qobject_cast<CComDlg*>(page)) {
        Fill(*serial, options);
    } else if (auto* net = qobject_cast<CNetDlg*>(page)) {
        Fill(*net, options);
    } else if (auto* server = qobject_cast<CServerDlg*>(page)) {
        Fill(*server, options);
    }
}

}  // namespace viz
