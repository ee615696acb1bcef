#include "wizards/c51/Mcu51GuideCodeViewDlg.h"

#include <QFontDatabase>
#include <QPlainTextEdit>
#include <QVBoxLayout>

#include "wizards/c51/Mcu51GuideTexts.h"

namespace viz {

CMcu51GuideCodeViewDlg::CMcu51GuideCodeViewDlg(const QString& text, QWidget* parent) : QDialog(parent) {
    setWindowTitle(QString::fromUtf8(mcu51text::kCodeViewTitle));
    edit_ = new QPlainTextEdit(this);
    edit_->setObjectName(QStringLiteral("code"));
    edit_->setAccessibleName(QString::fromUtf8(mcu51text::kCodeViewTitle));
    edit_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    edit_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    QString shown = text;
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    edit_->setPlainText(shown);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(edit_);
    resize(660, 430);
}

QString CMcu51GuideCodeViewDlg::text() const {
    return edit_->toPlainText();
}

}  // namespace viz
