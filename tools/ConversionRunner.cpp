#include "tools/ConversionRunner.h"

namespace viz {

namespace {
// Often enough for a smooth bar and a prompt result, rarely enough to cost nothing.
constexpr int kPollMs = 30;
}  // namespace

CConversionRunner::CConversionRunner(const QString& progressTitle, QWidget* owner)
    : QObject(owner), owner_(owner), progressTitle_(progressTitle) {
    poll_.setInterval(kPollMs);
    connect(&poll_, &QTimer::timeout, this, &CConversionRunner::Poll);
}

void CConversionRunner::Run(ConversionTask::Work work) {
    if (busy()) return;
    progressShown_ = false;
    clock_.start();
    task_.Start(std::move(work));
    poll_.start();
    emit busyChanged(true);
}

void CConversionRunner::Poll() {
    if (task_.finished()) {
        poll_.stop();
        if (progress_) progress_->hide();
        const ConversionTask::Finish finish = task_.Take();
        emit busyChanged(false);
        if (finish) finish();
        return;
    }
    if (clock_.elapsed() < kProgressDelayMs) return;
    if (!progressShown_) {
        if (!progress_) progress_ = new CProcessDlg(progressTitle_, owner_);
        progress_->Start(ConversionProgress::kScale);
        progressShown_ = true;
    }
    if (progress_->isVisible()) progress_->SetPosition(task_.progress().position());
}

}  // namespace viz
