#include "app/PageHolder.h"

#include <QVBoxLayout>

#include "base/Page.h"

namespace viz {

CPageHolder::CPageHolder(Builder build, QWidget* parent) : QWidget(parent), build_(std::move(build)) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
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
