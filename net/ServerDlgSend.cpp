// Sending to one client: "发送", continuous sending, multi-send entries and
// files; the options that go with them (frame line break, counters).
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QMessageBox>

#include <algorithm>

#include "base/QtText.h"
#include "net/PageWidgets.h"
#include "net/ServerDlg.h"
#include "net/ServerDlgTexts.h"
#include "terminal/ReceiveArea.h"
#include "terminal/SendArea.h"
#include "terminal/TerminalOptions.h"
#include "terminal/TextOptions.h"

namespace viz {

namespace t = serverdlg_texts;

void CServerDlg::Send() {
    SendOrTick(false);
}

void CServerDlg::ContinuousTick() {
    // A tick while the last send is still going sends nothing.
    if (send_->link(0).sendReady()) SendOrTick(true);
}

void CServerDlg::SendOrTick(bool tick) {
    if (clients_.empty()) {
        Record(Text(t::kRecordNoClient));
        return;
    }
    if (send_->file().fileMode()) {
        // A file goes to the current client, which is gone once it left.
        if (!current_) {
            Record(Text(t::kRecordNoClient));
            return;
        }
        if (!AimAt(current_)) return;
    } else {
        const std::shared_ptr<CTCPCustom> chosen = ChosenClient();
        if (!chosen) {
            if (!tick) QMessageBox::critical(this, Text(t::kWarning), Text(t::kWrongClient));
            return;
        }
        // Text that gives no byte sends nothing and chooses nobody.
        if (!TypedTextHasBytes()) return;
        current_ = chosen;
        if (!AimAt(chosen)) return;
    }
    if (tick) {
        send_->Tick(0);
    } else {
        send_->Send(0);
    }
}

// Choosing an entry leaves the current client as it is (the newest, or the
// one a send chose), but once that client has left, a loaded file would have
// nowhere to go until another board connects: the user's choice fills the gap.
void CServerDlg::ClientChosen(int position) {
    if (!current_) current_ = ListedClient(position);
}

std::shared_ptr<CTCPCustom> CServerDlg::ListedClient(int position) const {
    if (position < 0 || static_cast<std::size_t>(position) >= clients_.size()) return nullptr;
    return clients_[static_cast<std::size_t>(position)];
}

std::shared_ptr<CTCPCustom> CServerDlg::ChosenClient() const {
    return ListedClient(chooser_->currentIndex());
}

bool CServerDlg::TypedTextHasBytes() const {
    const std::u16string text = send_->text();
    return !(options_->hexSendBox()->isChecked() ? HexToBytes(text) : TextToBytes(text)).empty();
}

bool CServerDlg::AimAt(const std::shared_ptr<CTCPCustom>& client) {
    const std::shared_ptr<CTCPCustom> target = SendTarget();
    if (target != client && target && !send_->link(0).sendReady()) {
        Record(Text(t::kRecordBusy).arg(QString::fromStdString(target->address())).arg(target->port()));
        return false;
    }
    std::lock_guard lock(targetMutex_);
    if (target_ != client) leftUndelivered_.store(0);
    target_ = client;
    return true;
}

std::shared_ptr<CTCPCustom> CServerDlg::SendTarget() const {
    std::lock_guard lock(targetMutex_);
    return target_;
}

void CServerDlg::ClearSendTarget() {
    std::lock_guard lock(targetMutex_);
    target_.reset();
}

WriteStep CServerDlg::Write(const std::uint8_t* bytes, std::size_t size, const WriteWait& wait) {
    const std::shared_ptr<CTCPCustom> target = SendTarget();
    if (!target) return FailedStep(ENOTCONN);
    written_ = target;
    return target->Write(bytes, size, wait);
}

std::uint64_t CServerDlg::Undelivered() const {
    if (const auto client = written_.lock()) return client->Undelivered();
    return leftUndelivered_.load();
}

// Multi-send entries go to the chosen client without counting; a cycle step
// while a send is going waits for its next turn.
void CServerDlg::SendEntry(Bytes bytes, bool cycleStep) {
    const std::shared_ptr<CTCPCustom> chosen = ChosenClient();
    if (!chosen) return;
    current_ = chosen;
    if (cycleStep && !send_->link(0).sendReady()) return;
    if (AimAt(chosen)) send_->SendEntry(0, std::move(bytes), cycleStep);
}

void CServerDlg::ShowMoreSend() {
    if (!moreSend_) {
        auto send = [this](Bytes bytes, bool cycleStep) { SendEntry(std::move(bytes), cycleStep); };
        moreSend_ = new CMoreSendDialog(context().settings(), MoreSendKind::Server, Text(t::kMoreSendTitle),
                                        send, send, this);
        options_->textOptions()->AddMoreSend(moreSend_);
    }
    moreSend_->show();
}

}  // namespace viz
