// The download window's run: the job made from the boxes, the port reserved,
// the session's news shown as it comes.
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTextCursor>

#include "base/QtText.h"
#include "base/StatusLabel.h"
#include "base/TextFill.h"
#include "flash/FlashDlg.h"
#include "flash/FlashTexts.h"

namespace viz {
namespace {

namespace t = texts::flash;

QString Utf8(const std::string& text) {
    return QString::fromStdString(text);
}

}  // namespace

std::optional<FlashJob> CFlashDlg::MakeJob(QString& problem) const {
    FlashJob job;
    job.searchPath = searchPath_;
    job.silenceLimit = silenceLimit_;
    FlashRequest& request = job.request;
    request.target = target();
    if (UsesSerialPort(request.target)) {
        request.port = ChosenId(port_).toStdString();
        request.baud = baud_->currentText().trimmed().toUInt();
        request.protocol = ChosenId(protocol_).toStdString();
    }
    if (request.target != FlashTarget::StcIsp) request.part = ChosenId(chip_).toStdString();
    if (request.target == FlashTarget::AvrProgrammer)
        request.programmer = ChosenId(programmer_).toStdString();
    request.powerCycleByDtr = request.target == FlashTarget::StcIsp && powerCycle_->isChecked();
    if (useWizard_->isChecked()) {
        if (wizardFirmware_.isEmpty()) {
            problem = Text(t::kNoWizardFirmware);
            return std::nullopt;
        }
        job.firmware = wizardFirmware_.toStdString();
    } else {
        job.firmware = file_->text().trimmed().toStdString();
    }
    if (request.target != FlashTarget::StcIsp && writeFuses_->isChecked()) {
        const char16_t* labels[4] = {t::kLowFuse, t::kHighFuse, t::kExtendedFuse, t::kLockBits};
        std::optional<std::uint8_t>* fuseSlots[4] = {&request.fuses.emplace().low, &request.fuses->high,
                                                     &request.fuses->extended, &request.fuses->lock};
        for (int i = 0; i < 4; ++i) {
            const QString typed = fuses_[i]->text().trimmed();
            if (typed.isEmpty()) continue;
            *fuseSlots[i] = ParseFuseByte(typed.toStdString());
            if (!*fuseSlots[i]) {
                QString label = Text(labels[i]);
                label.chop(1);  // its "："
                problem = Utf8(FillText(t::kBadFuse, {label.toStdString(), typed.toStdString()}));
                return std::nullopt;
            }
        }
    }
    return job;
}

void CFlashDlg::Start() {
    if (session_.running() || reservation_) return;
    QString problem;
    std::optional<FlashJob> job = MakeJob(problem);
    if (!job) {
        status_->ShowStatus(problem);
        return;
    }
    if (UsesSerialPort(job->request.target) && !job->request.port.empty()) {
        reservation_ = context_.downloadPorts().Reserve(job->request.port);
        if (!reservation_) {
            status_->ShowStatus(Utf8(FillText(t::kFailed, {kPortDownloading})));
            return;
        }
    }
    WriteSettings();
    output_->clear();
    progress_->setValue(0);
    stage_->ShowStatus(Utf8(t::kStageConnect));
    status_->ShowStatus({});
    pump_->Open();
    if (reservation_ && beforeTool_) beforeTool_(job->request.port);
    if (!session_.Start(std::move(*job))) {
        reservation_.reset();
        return;
    }
    UpdateControls();
}

void CFlashDlg::Cancel() {
    if (!session_.running()) return;
    status_->ShowStatus(Utf8(t::kCancelling));
    session_.Cancel();
}

void CFlashDlg::Deliver(const FlashEvent& event) {
    switch (event.kind) {
        case FlashEvent::Kind::Output:
            AppendOutput(Utf8(event.text));
            break;
        case FlashEvent::Kind::Progress:
            ShowProgress(event.progress);
            break;
        case FlashEvent::Kind::Silence:
            status_->ShowStatus(Utf8(FillText(t::kStillWaiting, {std::to_string(event.silentSeconds)})));
            break;
        case FlashEvent::Kind::Ended:
            Ended(event.outcome);
            break;
    }
}

void CFlashDlg::ShowProgress(const FlashProgress& progress) {
    stage_->ShowStatus(Utf8(ProgressText(progress)));
    progress_->setValue(progress.percent);
    status_->ShowStatus(progress.waitingForPowerCycle ? Utf8(t::kPowerCycle) : QString());
}

// As a terminal shows it: a carriage return starts the line over, so a
// redrawn progress bar stays one line.
void CFlashDlg::AppendOutput(const QString& text) {
    QScrollBar* bar = output_->verticalScrollBar();
    const bool atEnd = bar->value() == bar->maximum();
    QTextCursor cursor(output_->document());
    cursor.movePosition(QTextCursor::End);
    const QStringList parts = text.split(u'\r');
    for (qsizetype i = 0; i < parts.size(); ++i) {
        if (i > 0) {
            cursor.movePosition(QTextCursor::StartOfBlock, QTextCursor::KeepAnchor);
            cursor.removeSelectedText();
        }
        cursor.insertText(parts[i]);
    }
    if (atEnd) bar->setValue(bar->maximum());
}

void CFlashDlg::Ended(const FlashOutcome& outcome) {
    session_.Join();
    reservation_.reset();
    if (outcome.kind == FlashOutcome::Kind::Succeeded) progress_->setValue(100);
    status_->ShowStatus(Utf8(OutcomeText(outcome)));
    UpdateControls();
    emit finished();
}

}  // namespace viz
