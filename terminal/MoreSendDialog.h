#pragma once

// The multi-send dialog: eight prepared entries, each with "Hex" and "发送",
// sent through the page's callbacks, cycled on the dialog's own timer
// ("循环发送", which goes on while the dialog is hidden), and saved to /
// loaded from the settings store under the kind's value names. The page's
// callbacks queue the entry to its send area's link, which records it in the
// link's monitor when written and leaves the page's counters alone; a cycle
// step is sent only when the link has no send in progress.
//
//   // first use of "多项发送"; later uses only show it:
//   auto send = [this](Bytes bytes, bool cycleStep) { send_->SendEntry(0, std::move(bytes), cycleStep); };
//   moreSend_ = new CMoreSendDialog(context().settings(), MoreSendKind::Serial, u"串口多项发送", send, send, this);
//   moreSend_->show();

#include <QDialog>
#include <QTimer>

#include <array>
#include <cstdint>
#include <functional>

#include "base/SettingsStore.h"
#include "terminal/MoreSendCycle.h"

class QCheckBox;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace viz {

class CMoreSendDialog : public QDialog {
    Q_OBJECT

public:
    using SendFn = std::function<void(Bytes bytes, bool cycleStep)>;

    CMoreSendDialog(SettingsStore& settings, MoreSendKind kind, const QString& title, SendFn first,
                    SendFn second, QWidget* parent = nullptr);

    void SendEntry(std::size_t row, bool cycleStep = false);
    void ToggleCycle();
    // One tick of the cycle timer: the next entry is sent and its edit locked.
    void CycleTick();
    bool cycling() const { return timer_.isActive(); }
    void SaveEntries();
    void LoadEntries();
    int link() const { return link_; }
    // How entries that are not hex become bytes (the page's encoding).
    void setEncoding(TextEncoding encoding) { encoding_ = encoding; }

    QLineEdit* entry(std::size_t row) const { return entries_[row]; }
    QCheckBox* hexBox(std::size_t row) const { return hexBoxes_[row]; }
    QPushButton* sendButton(std::size_t row) const { return sendButtons_[row]; }
    QLineEdit* periodEdit() const { return period_; }
    QPushButton* cycleButton() const { return cycle_; }
    QRadioButton* linkButton(int link) const { return link == 1 ? link2_ : link1_; }

private:
    SettingsStore& settings_;
    const MoreSendKind kind_;
    const SendFn first_;
    const SendFn second_;
    int link_ = 0;
    TextEncoding encoding_ = TextEncoding::Gbk;
    MoreSendCycle cycleOrder_;
    QTimer timer_;

    std::array<QLineEdit*, kMoreSendEntries> entries_{};
    std::array<QCheckBox*, kMoreSendEntries> hexBoxes_{};
    std::array<QPushButton*, kMoreSendEntries> sendButtons_{};
    QLineEdit* period_;
    QPushButton* cycle_;
    QRadioButton* link1_;
    QRadioButton* link2_;
};

}  // namespace viz
