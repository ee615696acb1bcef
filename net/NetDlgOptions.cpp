// The page's options (continuous sending), counters,
// monitor windows and the multi-send dialog.
#include <QCheckBox>
#include <QLineEdit>

#include <algorithm>

#include "base/QtText.h"
#include "base/TextFormat.h"
#include "net/NetDlg.h"
#include "net/NetDlgTexts.h"
#include "net/PageWidgets.h"
#include "terminal/MoreSendDialog.h"
#include "terminal/PortMonitorDialog.h"
#include "terminal/ReceiveArea.h"
#include "terminal/SendArea.h"
#include "terminal/TextOptions.h"

namespace viz {

namespace t = netdlg_texts;

void CNetDlg::ContinuousClicked(int side, bool checked) {
    LinkSide& link = sides_[side];
    if (checked && !link.open) {
        link.continuous->setChecked(false);
    } else if (checked) {
        sendArea_->StartContinuous(side, Period(side));
    } else {
        sendArea_->StopContinuous(side);
    }
}

void CNetDlg::PeriodChanged(int side) {
    const LinkSide& link = sides_[side];
    if (link.open && link.continuous->isChecked()) sendArea_->StartContinuous(side, Period(side));
}

int CNetDlg::Period(int side) const {
    return Milliseconds(sides_[side].period);
}

void CNetDlg::ClearReceiveAreas() {
    for (LinkSide& link : sides_) link.area->Clear();
}

void CNetDlg::Recount() {
    sendArea_->ResetCounters();
    for (LinkSide& link : sides_) link.area->ResetCounters();
}

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
        textOptions_->AddMoreSend(moreSend_);
    }
    moreSend_->show();
}

}  // namespace viz
