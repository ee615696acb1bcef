#include "base/SoftConfigureDlg.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "base/ReceiveHistory.h"
#include "base/SoftConfigureTexts.h"
#include "base/SettingsStore.h"
#include "base/StatusLabel.h"
#include "base/TextFormat.h"

namespace viz {
namespace {

// A number field that takes whatever is typed: Configure checks it whole, so
// a digit too many or a letter is refused, never cut into another value.
QLineEdit* NumberField(const char* name, std::uint32_t value, QWidget* parent) {
    auto* field = new QLineEdit(QString::number(value), parent);
    field->setObjectName(QLatin1StringView(name));
    return field;
}

std::optional<std::uint32_t> NumberIn(const QLineEdit* field, std::uint32_t low, std::uint32_t high) {
    return WholeNumberIn(field->text().toStdU16String(), low, high);
}

}  // namespace

CSoftConfigureDlg::CSoftConfigureDlg(SettingsStore& settings, QWidget* parent)
    : QDialog(parent), settings_(settings) {
    setWindowTitle(QString::fromUtf8(texts::kSoftConfigureTitle));
    // Checked on every opening, whatever is stored: the dialog offers to switch it on.
    autoCheck_ = new QCheckBox(QString::fromUtf8(texts::kAutoCheck), this);
    autoCheck_->setChecked(true);
    std::uint32_t samples = kDefaultPlotSamples;
    settings_.ReadPlotSamples(samples);
    plotSamples_ = NumberField("plotSamples", samples, this);
    plotSamples_->setToolTip(QString::fromUtf8(texts::kTipPlotSamples));
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
    keptLines_ = NumberField("keptLines", CReceiveHistory::instance().keptLines(), this);
    keptLines_->setToolTip(QString::fromUtf8(texts::kTipKeptLines));
    auto* label = new QLabel(QString::fromUtf8(texts::kKeptLines), this);
    label->setBuddy(keptLines_);
    keptLines_->setAccessibleName(QString::fromUtf8(texts::kKeptLinesName));
    auto* row = new QHBoxLayout;
    row->addWidget(label);
    row->addWidget(keptLines_, 1);
    return row;
}

void CSoftConfigureDlg::Configure() {
    // A number typed outside the range is refused and nothing is stored,
    // not silently replaced.
    const std::optional<std::uint32_t> samples = NumberIn(plotSamples_, kMinPlotSamples, kMaxPlotSamples);
    const std::optional<std::uint32_t> keptLines =
        NumberIn(keptLines_, kDefaultReceiveKeptLines, kMaxReceiveKeptLines);
    if (!samples || !keptLines) {
        status_->ShowStatus(QString::fromUtf8(!samples ? texts::kBadPlotSamples : texts::kBadKeptLines));
        QLineEdit* bad = !samples ? plotSamples_ : keptLines_;
        bad->setFocus();
        bad->selectAll();
        return;
    }
    const std::uint32_t lines = *keptLines;
    int rc = settings_.WriteAutoUpdate(autoCheck_->isChecked() ? 1 : 0);
    if (rc == 0) rc = settings_.WritePlotSamples(*samples);
    if (rc == 0) rc = settings_.WriteReceiveKeptLines(lines);
    CReceiveHistory& history = CReceiveHistory::instance();
    const bool changed = rc == 0 && lines != history.keptLines();
    if (rc == 0) history.setKeptLines(lines);
    const char* text = rc != 0 ? texts::kSaveFailed : changed ? texts::kConfiguredNow : texts::kConfigured;
    status_->ShowStatus(QString::fromUtf8(text));
}

void CSoftConfigureDlg::Restore() {
    const int rc = settings_.RestoreDefaults();
    plotSamples_->setText(QString::number(kDefaultPlotSamples));
    keptLines_->setText(QString::number(kDefaultReceiveKeptLines));
    if (rc == 0) CReceiveHistory::instance().setKeptLines(kDefaultReceiveKeptLines);
    status_->ShowStatus(QString::fromUtf8(rc == 0 ? texts::kRestored : texts::kSaveFailed));
}

}  // namespace viz
