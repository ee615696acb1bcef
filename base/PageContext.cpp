#include "base/PageContext.h"

namespace viz {

void PageContext::setRecordViewer(QWidget* viewer) {
    recordViewer_ = viewer;
    DockRecordViewer();
}

void PageContext::DockRecordViewer() {
    if (!recordViewer_ || !mainWindow_) return;
    const QRect frame = mainWindow_->frameGeometry();
    recordViewer_->move(frame.right() + 1, frame.top());
}

}  // namespace viz
