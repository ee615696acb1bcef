#include "terminal/ViewEditDlg.h"

#include <QPlainTextEdit>
#include <QVBoxLayout>

#include "terminal/TerminalTexts.h"

namespace viz {

namespace t = terminal_texts;

CViewEditDlg::CViewEditDlg(const QString& title, QWidget* parent) : QDialog(parent) {
    setWindowTitle(title);
    setModal(false);
    edit_ = new QPlainTextEdit(this);
    edit_->setAccessibleName(QString::fromUtf16(t::kViewerName));
    QFont font(QString::fromUtf16(t::kViewerFont));
    font.setPixelSize(16);
    font.setBold(true);
    edit_->setFont(font);
    QPalette palette = edit_->palette();
    palette.setColor(QPalette::Text, QColor(0, 0, 255));
    edit_->setPalette(palette);
    edit_->setPlainText(QString::fromUtf16(t::kViewerHint));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(edit_);
    resize(240, 380);
}

void CViewEditDlg::SetText(const QString& text) {
    edit_->setPlainText(text);
}

}  // namespace viz
