// Opening and closing the two links, the channels' notices, and sending.
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <cerrno>
#include <cstring>

#include "base/QtText.h"
#include "base/TextFormat.h"
#include "net/DottedAddress.h"
#include "net/NetDlg.h"
#include "net/NetDlgTexts.h"
#include "terminal/PortMonitorDialog.h"
#include "terminal/ReceiveArea.h"
#include "terminal/SendArea.h"
#include "terminal/TerminalOptions.h"

namespace viz {

namespace t = netdlg_texts;

namespace {

int PortValue(const QLineEdit* edit) {
    return FieldInteger(edit->text().toStdU16String());
}

}  // namespace

void CNetDlg::ToggleLink(int side) {
    LinkSide& link = sides_[side];
    if (link.open) {
        CloseChannel(side);
        // The monitor hears of every end of the link, as it does when the
        // peer ends it.
        if (link.monitor) link.monitor->LinkChanged(false);
        ShowClosed(side);
        return;
    }
    if (ChannelLink(side) != 0) {
        // A connect under way: the second press gives it up.
        CloseChannel(side);
        ShowClosed(side);
        return;
    }
    OpenLink(side);
}

void CNetDlg::SetTcpDestination(const QString& address, int port) {
    address_->setText(address);
    sides_[kTcp].destPort->setText(QString::number(port));
}

void CNetDlg::SetTcpSource(int port) {
    sides_[kTcp].sourcePort->setText(QString::number(port));
}

void CNetDlg::OpenLink(int side) {
    LinkSide& link = sides_[side];
    const QString failed = Text(side == kTcp ? t::kTcpOpenFailed : t::kUdpOpenFailed);
    const std::optional<std::string> address = Destination();
    link.triedSource = PortValue(link.sourcePort);
    link.triedDest = PortValue(link.destPort);
    QString problem;
    if (!address) {
        problem = Text(t::kBadAddress);
    } else if (link.triedSource < 0 || link.triedSource > 65535) {
        problem = Text(t::kBadSourcePort);
    } else if (link.triedDest < 1 || link.triedDest > 65535) {
        problem = Text(t::kBadDestPort);
    }
    if (!problem.isEmpty()) {
        link.area->AppendText(failed.arg(problem));
        return;
    }
    if (!StartChannel(side, *address, link.triedSource, link.triedDest)) {
        ReportOpenFailure(side, side == kTcp ? tcp_.lastError() : udp_.lastError());
        return;
    }
    if (side == kUdp) {
        LinkOpened(side);
        return;
    }
    // The connect goes on beside the window until OnConnected.
    link.sourcePort->setEnabled(false);
    link.destPort->setEnabled(false);
    link.openButton->setText(Text(t::kCancelConnect));
}

void CNetDlg::LinkOpened(int side) {
    LinkSide& link = sides_[side];
    link.open = true;
    link.sourcePort->setEnabled(false);
    link.destPort->setEnabled(false);
    link.openButton->setText(Text(side == kTcp ? t::kCloseTcp : t::kCloseUdp));
    SetLamp(side, kLampOpen);
    if (link.monitor) link.monitor->LinkChanged(true);
    link.area->StartStatusTimer();
    options_->ApplyContinuous(side);
}

void CNetDlg::ShowClosed(int side) {
    LinkSide& link = sides_[side];
    link.sourcePort->setEnabled(true);
    link.destPort->setEnabled(true);
    link.openButton->setText(Text(side == kTcp ? t::kOpenTcp : t::kOpenUdp));
    SetLamp(side, kLampClosed);
    link.area->StopStatusTimer();
    sendArea_->StopContinuous(side);
}

void CNetDlg::SetLamp(int side, int icon) {
    QLabel* lamp = sides_[side].lamp;
    lamp->setProperty("icon", icon);
    lamp->setPixmap(LampPixmap(icon));
    const bool open = icon == kLampOpen;
    const QString name = Text(side == kTcp ? (open ? t::kTcpLampOpen : t::kTcpLampClosed)
                                           : (open ? t::kUdpLampOpen : t::kUdpLampClosed));
    lamp->setAccessibleName(name);
    lamp->setToolTip(name);
}

void CNetDlg::ReportOpenFailure(int side, int error) {
    const LinkSide& link = sides_[side];
    QString reason;
    switch (error) {
        case EACCES:
        case EPERM:
            reason = link.triedSource > 0 && link.triedSource < 1024
                         ? Text(t::kPrivilegedPort).arg(link.triedSource)
                         : Text(t::kSystemError).arg(QString::fromLocal8Bit(std::strerror(error)));
            break;
        case EADDRINUSE:
            reason = Text(t::kPortInUse).arg(link.triedSource);
            break;
        case ECONNREFUSED:
            reason = Text(t::kRefused).arg(link.triedDest);
            break;
        case ETIMEDOUT:
            reason = Text(t::kTimedOut);
            break;
        case ENETUNREACH:
        case EHOSTUNREACH:
            reason = Text(t::kUnreachable);
            break;
        default:
            reason = Text(t::kSystemError).arg(QString::fromLocal8Bit(std::strerror(error)));
            break;
    }
    link.area->AppendText(Text(side == kTcp ? t::kTcpOpenFailed : t::kUdpOpenFailed).arg(reason));
}

void CNetDlg::OnConnected(int side, std::uint64_t link, int error) {
    if (link == 0 || link != ChannelLink(side)) return;
    if (error == 0) {
        LinkOpened(side);
        return;
    }
    CloseChannel(side);
    ShowClosed(side);
    ReportOpenFailure(side, error);
}

void CNetDlg::OnClosed(int side, std::uint64_t link) {
    if (link == 0 || link != ChannelLink(side)) return;
    CloseChannel(side);
    if (sides_[side].monitor) sides_[side].monitor->LinkChanged(false);
    ShowClosed(side);
}

std::uint64_t CNetDlg::ChannelLink(int side) const {
    return side == kTcp ? tcp_.link() : udp_.link();
}

WriteStep CNetDlg::Write(int side, const std::uint8_t* bytes, std::size_t size, const WriteWait& wait) {
    return side == kUdp ? udp_.Write(bytes, size, wait) : tcp_.Write(bytes, size, wait);
}

std::optional<std::string> CNetDlg::Destination() const {
    return DottedAddress(address_->text().toStdString());
}

}  // namespace viz
