#include "base/SoftConfigureDlg.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

#include "base/SoftConfigureTexts.h"
#include "base/SettingsStore.h"
#include "base/StatusLabel.h"

namespace viz {

CSoftConfigureDlg::CSoftConfigureDlg(SettingsStore& settings, QWidget* parent)
    : QDialog(parent), settings_(settings) {
    setWindowTitle(QString::fromUtf8(texts::kSoftConfigureTitle));
    // Checked on every opening, whatever is stored: the dialog offers to switch it on.
    autoCheck_ = new QCheckBox(QString::fromUtf8(texts::kAutoCheck), this);
    autoCheck_->setChecked(true);
    status_ =
        new CStatusLabel(QString::fromUtf8(texts::kStatusName), QString::fromUtf8(texts::kWaiting), this);
    status_->setObjectName("status");

    auto* configure = new QPushButton(QString::fromUtf8(texts::kConfigure), this);
    auto* restore = new QPushButton(QString::fromUtf8(texts::kRestore), this);
    auto* exit = new QPushButton(QString::fromUtf8(texts::kExit), this);
    connect(configure, &QPushButton::clicked, this, &CSoftConfigureDlg::Configure);
    connect(restore, &QPushButton::clicked, this, &CSoftConfigureDlg::Restore);
    connect(exit, &QPushButton::clicked, this, &QDialog::reject);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(configure);
    buttons->addWidget(restore);
    buttons->addWidget(exit);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(autoCheck_);
    layout->addWidget(status_);
    layout->addLayout(buttons);
    setMinimumWidth(380);
}

void CSoftConfigureDlg::Configure() {
    const int rc = settings_.WriteAutoUpdate(autoCheck_->isChecked() ? 1 : 0);
    status_->ShowStatus(QString::fromUtf8(rc == 0 ? texts::kConfigured : texts::kSaveFailed));
}

void CSoftConfigureDlg::Restore() {
    const int rc = settings_.RestoreDefaults();
    status_->ShowStatus(QString::fromUtf8(rc == 0 ? texts::kRestored : texts::kSaveFailed));
}

}  // namespace viz
