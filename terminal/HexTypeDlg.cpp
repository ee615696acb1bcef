#include "terminal/HexTypeDlg.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "terminal/TerminalTexts.h"

namespace viz {

namespace t = terminal_texts;

CHexTypeDlg::CHexTypeDlg(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QString::fromUtf16(t::kHexTypeTitle));
    type1_ = new QRadioButton(QString::fromUtf16(t::kHexType1), this);
    type2_ = new QRadioButton(QString::fromUtf16(t::kHexType2), this);
    auto* ok = new QPushButton(QString::fromUtf16(t::kOk), this);
    auto* cancel = new QPushButton(QString::fromUtf16(t::kCancel), this);
    ok->setDefault(true);
    connect(type1_, &QRadioButton::clicked, this, [this] { type_ = 1; });
    connect(type2_, &QRadioButton::clicked, this, [this] { type_ = 2; });
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

    auto* types = new QHBoxLayout;
    types->addWidget(type1_);
    types->addWidget(type2_);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(types);
    layout->addLayout(buttons);
}

std::optional<int> CHexTypeDlg::Choose(QWidget* parent) {
    CHexTypeDlg dialog(parent);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    return dialog.type();
}

void CHexTypeDlg::showEvent(QShowEvent* event) {
    type_ = 1;
    type1_->setChecked(true);
    QDialog::showEvent(event);
}

}  // namespace viz
