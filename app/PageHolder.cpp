#include "app/PageHolder.h"

#include <QVBoxLayout>

#include "app/PageArea.h"
#include "base/Page.h"

namespace viz {

CPageHolder::CPageHolder(Builder build, QWidget* parent) : QWidget(parent), build_(std::move(build)) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    // Room for the largest page from the start, so the window opens large
    // enough for every tab and no page built later is cut off.
    setMinimumSize(PageAreaMinimum(font()));
}

CPage* CPageHolder::page() {
    if (!page_) {
        page_ = build_(this);
        layout()->addWidget(page_);
        page_->show();
        // Placed now, not when the layout's queued request comes: whoever
        // opened the tab may look at the page at once.
        layout()->activate();
    }
    return page_;
}

CPage* CPageHolder::builtPage() const {
    return page_;
}

void CPageHolder::showEvent(QShowEvent* event) {
    page();
    QWidget::showEvent(event);
}

}  // namespace viz
