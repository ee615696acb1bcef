#include "terminal/ProcessDlg.h"

#include <QHBoxLayout>
#include <QProgressBar>
#include <QPushButton>

#include <climits>

#include "terminal/TerminalTexts.h"

namespace viz {

CProcessDlg::CProcessDlg(const QString& title, QWidget* parent) : QDialog(parent) {
    setWindowTitle(title);
    setModal(false);
    bar_ = new QProgressBar(this);
    bar_->setTextVisible(false);
    bar_->setAccessibleName(title);
    cancel_ = new QPushButton(QString::fromUtf16(terminal_texts::kCancelSend), this);
    cancel_->setAutoDefault(false);
    cancel_->setEnabled(false);
    connect(cancel_, &QPushButton::clicked, this, &CProcessDlg::CancelRequested);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addWidget(bar_, 1);
    layout->addWidget(cancel_);
    resize(590, 40);
}

void CProcessDlg::Start(std::uint64_t total) {
    scale_ = total / INT_MAX + 1;
    bar_->setRange(0, static_cast<int>(total / scale_));
    bar_->setValue(0);
    sending_ = true;
    cancel_->setEnabled(true);
    show();
    if (QWidget* owner = parentWidget()) {
        move(owner->window()->frameGeometry().center() - QPoint(width() / 2, height() / 2));
    }
}

void CProcessDlg::SetPosition(std::uint64_t done) {
    bar_->setValue(static_cast<int>(done / scale_));
}

void CProcessDlg::Stop() {
    sending_ = false;
    cancel_->setEnabled(false);
}

// The close box and Escape end here: the window hides, and a send still
// going is cancelled.
void CProcessDlg::done(int result) {
    if (sending_) emit CancelRequested();
    QDialog::done(result);
}

}  // namespace viz
