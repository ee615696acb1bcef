#pragma once

// Runs a page's long conversions on a worker thread while the window stays
// live. A conversion that takes longer than half a second shows the progress
// window (which the user may close; the conversion goes on); the result is
// shown on the UI thread when the work is done. One conversion at a time:
// pages disable their conversion buttons while `busy()`.
//
//   runner_ = new CConversionRunner(u"文件转换进度", this);
//   connect(runner_, &CConversionRunner::busyChanged, group, [group](bool busy) { group->setDisabled(busy);
//   }); runner_->Run([path](ConversionProgress& progress) -> ConversionTask::Finish {
//       ConversionOutcome outcome = ConvertBinToText(path, progress);   // on the worker
//       return [outcome] { ShowMessage(outcome); };                     // back on the UI thread
//   });

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QTimer>

#include "terminal/ProcessDlg.h"
#include "tools/ConversionTask.h"

namespace viz {

class CConversionRunner : public QObject {
    Q_OBJECT

public:
    static constexpr int kProgressDelayMs = 500;

    CConversionRunner(const QString& progressTitle, QWidget* owner);

    bool busy() const { return task_.running(); }
    void Run(ConversionTask::Work work);
    CProcessDlg* progressWindow() const { return progress_; }

signals:
    void busyChanged(bool busy);

private:
    void Poll();

    QWidget* owner_;
    QString progressTitle_;
    QTimer poll_;
    QElapsedTimer clock_;
    QPointer<CProcessDlg> progress_;
    bool progressShown_ = false;
    // Last member: destroyed first, so the worker stops before anything it
    // might still report to goes away.
    ConversionTask task_;
};

}  // namespace viz
