// The page's monitor windows and the multi-send dialog.
#include <QLineEdit>

#include "base/QtText.h"
#include "net/NetDlg.h"
#include "net/NetDlgTexts.h"
#include "terminal/MoreSendDialog.h"
#include "terminal/PortMonitorDialog.h"
#include "terminal/ReceiveArea.h"
#include "terminal/SendArea.h"
#include "terminal/TerminalOptions.h"
#include "terminal/TextOptions.h"

namespace viz {

namespace t = netdlg_texts;

void CNetDlg::ShowMonitor(int side) {
    LinkSide& link = sides_[side];
    if (!link.monitor) {
        // The caption keeps the ports the edits hold now, whatever they hold later.
        const QString caption = Text(t::kPortCaption).arg(link.sourcePort->text(), link.destPort->text());
        link.monitor = new CPortMonitorDialog(Text(side == kTcp ? t::kTcpMonitorTitle : t::kUdpMonitorTitle),
                                              caption, this);
        link.area->AttachMonitor(link.monitor);
        sendArea_->AttachMonitor(side, link.monitor);
    }
    link.monitor->show();
}

void CNetDlg::ShowMoreSend() {
    if (!moreSend_) {
        // Through the send area's links; the page's counters stay.
        auto sendOver = [this](int side) {
            return [this, side](Bytes bytes, bool cycleStep) {
                sendArea_->SendEntry(side, std::move(bytes), cycleStep);
            };
        };
        moreSend_ = new CMoreSendDialog(context().settings(), MoreSendKind::Network, Text(t::kMoreSendTitle),
                                        sendOver(kTcp), sendOver(kUdp), this);
        options_->textOptions()->AddMoreSend(moreSend_);
    }
    moreSend_->show();
}

}  // namespace viz
