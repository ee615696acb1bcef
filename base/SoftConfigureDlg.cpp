#include "base/SoftConfigureDlg.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include "base/ReceiveHistory.h"
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
    layout->addLayout(CreateKeptLinesRow());
    layout->addWidget(status_);
    layout->addLayout(buttons);
    setMinimumWidth(380);
}

QLayout* CSoftConfigureDlg::CreateKeptLinesRow() {
    keptLines_ = new QSpinBox(this);
    keptLines_->setObjectName("keptLines");
    keptLines_->setRange(static_cast<int>(kDefaultReceiveKeptLines), static_cast<int>(kMaxReceiveKeptLines));
    keptLines_->setSingleStep(100);
    keptLines_->setToolTip(QString::fromUtf8(texts::kTipKeptLines));
    keptLines_->setValue(static_cast<int>(CReceiveHistory::instance().keptLines()));
    auto* label = new QLabel(QString::fromUtf8(texts::kKeptLines), this);
    label->setBuddy(keptLines_);
    keptLines_->setAccessibleName(QString::fromUtf8(texts::kKeptLinesName));
    auto* row = new QHBoxLayout;
    row->addWidget(label);
    row->addWidget(keptLines_, 1);
    return row;
}

void CSoftConfigureDlg::Configure() {
    // A number typed outside the range is refused, not silently replaced.
    if (!keptLines_->hasAcceptableInput()) {
        status_->ShowStatus(QString::fromUtf8(texts::kBadKeptLines));
        keptLines_->setFocus();
        return;
    }
    const auto lines = static_cast<std::uint32_t>(keptLines_->value());
    int rc = settings_.WriteAutoUpdate(autoCheck_->isChecked() ? 1 : 0);
    if (rc == 0) rc = settings_.WritePlotSamples(static_cast<std::uint32_t>(plotSamples_->value()));
    if (rc == 0) rc = settings_.WriteReceiveKeptLines(lines);
    CReceiveHistory& history = CReceiveHistory::instance();
    const bool changed = rc == 0 && lines != history.keptLines();
    if (rc == 0) history.setKeptLines(lines);
    const char* text = rc != 0 ? texts::kSaveFailed : changed ? texts::kConfiguredNow : texts::kConfigured;
    status_->ShowStatus(QString::fromUtf8(text));
}

void CSoftConfigureDlg::Restore() {
    const int rc = settings_.RestoreDefaults();
    plotSamples_->setValue(static_cast<int>(kDefaultPlotSamples));
    keptLines_->setValue(static_cast<int>(kDefaultReceiveKeptLines));
    if (rc == 0) CReceiveHistory::instance().setKeptLines(kDefaultReceiveKeptLines);
    status_->ShowStatus(QString::fromUtf8(rc == 0 ? texts::kRestored : texts::kSaveFailed));
}

}  // namespace viz
