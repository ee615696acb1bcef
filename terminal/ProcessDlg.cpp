#include "terminal/ProcessDlg.h"

#include <QProgressBar>
#include <QVBoxLayout>

#include <climits>

namespace viz {

CProcessDlg::CProcessDlg(const QString& title, QWidget* parent) : QDialog(parent) {
    setWindowTitle(title);
    setModal(false);
    bar_ = new QProgressBar(this);
    bar_->setTextVisible(false);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addWidget(bar_);
    resize(590, 40);
}

void CProcessDlg::Start(std::size_t total) {
    scale_ = total / INT_MAX + 1;
    bar_->setRange(0, static_cast<int>(total / scale_));
    bar_->setValue(0);
    show();
    if (QWidget* owner = parentWidget()) {
        move(owner->window()->frameGeometry().center() - QPoint(width() / 2, height() / 2));
    }
}

void CProcessDlg::SetPosition(std::size_t done) {
    bar_->setValue(static_cast<int>(done / scale_));
    // The send blocks the event loop, so paint now.
    bar_->repaint();
}

}  // namespace viz
