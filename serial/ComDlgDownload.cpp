// The serial page and the download window sharing a port: when a download
// reserves the open port, the page closes it and waits with its settings;
// when the reservation ends it opens the port again at once, sets DTR/RTS
// as they were and goes on receiving. While reserved, nothing opens it.
#include <QCheckBox>
#include <QCoreApplication>
#include <QMessageBox>
#include <QTimer>

#include "serial/ComDlg.h"
#include "serial/ComDlgTexts.h"
#include "terminal/ReceiveArea.h"
#include "terminal/SendArea.h"

namespace viz {
namespace {

namespace t = texts::comdlg;

}  // namespace

bool CComDlg::PortReserved(const std::string& path) {
    return context().downloadPorts().IsReserved(path);
}

bool CComDlg::RefuseReservedPort(const std::string& path) {
    if (!PortReserved(path)) return false;
    QMessageBox::warning(this, QCoreApplication::applicationName(), QString::fromUtf8(kPortDownloading));
    return true;
}

// Called within the download window's reservation and release, on this thread.
void CComDlg::DownloadPortsChanged() {
    if (isOpen() && PortReserved(serial_.device())) {
        // The output lines keep what the user set; they are set again on reopening.
        StopChannel(SendEnd::LinkClosed);
        reconnect_.HandOver();
        ShowPortState();
        ClearInputLines();
        receive_->AppendText(QString::fromUtf16(t::kHandedToDownload));
        return;
    }
    if (!reconnect_.handedOver() || PortReserved(reconnect_.lineConfig().device)) return;
    const std::optional<std::string> path = reconnect_.Retry(
        context().extraSerialPorts().ports(),
        [this](const SerialPortConfig& config) { return StartChannel(config, CSerial::Queues::Keep).ok(); });
    if (!path) {
        // Another program took it meanwhile: tried again like a port that went away.
        retry_->start();
        return;
    }
    PortOpened();
    RestoreOutputLines();
    receive_->AppendText(QString::fromUtf16(t::kBackFromDownload));
}

}  // namespace viz
