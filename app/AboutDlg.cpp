#include "app/AboutDlg.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/AppIcon.h"
#include "app/AppTexts.h"

namespace viz {

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QString::fromUtf8(texts::kAboutTitle));
    auto* icon = new QLabel(this);
    icon->setPixmap(AppIcon().pixmap(48, 48));
    auto* product = new QLabel(QString::fromUtf8(texts::kProductLine), this);
    product->setObjectName("productLine");
    auto* license = new QLabel(QString::fromUtf8(texts::kLicenseLine), this);
    license->setObjectName("license");
    license->setWordWrap(true);
    auto* ok = new QPushButton(QString::fromUtf8(texts::kOk), this);
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);

    auto* row = new QHBoxLayout;
    row->addWidget(icon);
    row->addSpacing(16);
    row->addWidget(product, 1);
    row->addWidget(ok, 0, Qt::AlignTop);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(row);
    layout->addWidget(license);
    // Wide enough that the licence wraps into a few lines.
    setFixedSize(QSize(420, heightForWidth(420)).expandedTo(QSize(420, sizeHint().height())));
}

}  // namespace viz
