#include "base/SoftConfigureDlg.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
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
    plotSamples_ = new QSpinBox(this);
    plotSamples_->setObjectName("plotSamples");
    plotSamples_->setRange(static_cast<int>(kMinPlotSamples), static_cast<int>(kMaxPlotSamples));
    plotSamples_->setSingleStep(static_cast<int>(kMinPlotSamples));
    plotSamples_->setGroupSeparatorShown(true);
    plotSamples_->setToolTip(QString::fromUtf8(texts::kTipPlotSamples));
    std::uint32_t samples = kDefaultPlotSamples;
    settings_.ReadPlotSamples(samples);
    plotSamples_->setValue(static_cast<int>(samples));
    auto* samplesLabel = new QLabel(QString::fromUtf8(texts::kPlotSamples), this);
    samplesLabel->setBuddy(plotSamples_);
    plotSamples_->setAccessibleName(samplesLabel->text().chopped(1));
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
    auto* samplesRow = new QHBoxLayout;
    samplesRow->addWidget(samplesLabel);
    samplesRow->addWidget(plotSamples_, 1);
    layout->addLayout(samplesRow);
    layout->addWidget(status_);
    layout->addLayout(buttons);
    setMinimumWidth(380);
}

void CSoftConfigureDlg::Configure() {
    int rc = settings_.WriteAutoUpdate(autoCheck_->isChecked() ? 1 : 0);
    if (rc == 0) rc = settings_.WritePlotSamples(static_cast<std::uint32_t>(plotSamples_->value()));
    status_->ShowStatus(QString::fromUtf8(rc == 0 ? texts::kConfigured : texts::kSaveFailed));
}

void CSoftConfigureDlg::Restore() {
    const int rc = settings_.RestoreDefaults();
    plotSamples_->setValue(static_cast<int>(kDefaultPlotSamples));
    status_->ShowStatus(QString::fromUtf8(rc == 0 ? texts::kRestored : texts::kSaveFailed));
}

}  // namespace viz
