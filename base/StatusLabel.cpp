#include "base/StatusLabel.h"

namespace viz {

CStatusLabel::CStatusLabel(const QString& name, const QString& status, QWidget* parent) : QLabel(parent) {
    setAccessibleName(name);
    setWordWrap(true);
    // Server texts (a Last-Modified header, an error) are shown as they are.
    setTextFormat(Qt::PlainText);
    ShowStatus(status);
}

void CStatusLabel::ShowStatus(const QString& status) {
    setText(status);
    // Qt tells the screen reader of a changed description itself.
    setAccessibleDescription(status);
}

}  // namespace viz
