// The advanced monitor page's watch sessions and its helper: starting and
// stopping a watch, and "安装驱动" / "卸载驱动" starting and ending the
// helper. Nothing here waits for the helper on the page's thread: sessions
// run on their own thread, and the helper's arrival or departure is looked
// for by a timer.
#include <QComboBox>
#include <QCoreApplication>
#include <QDateTime>
#include <QFileInfo>
#include <QLineEdit>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>
#include <QTimer>

#include <signal.h>

#include <cerrno>

#include "base/QtText.h"
#include "serial/ComAdvanceMonitorDlg.h"
#include "serial/ComAdvanceMonitorTexts.h"
#include "serial/SerMonClient.h"
#include "serial/SerMonSession.h"
#include "terminal/ChunkPump.h"
#include "terminal/ViewEditDlg.h"

namespace viz {
namespace {

namespace t = texts::comadvance;

constexpr char kHelperName[] = "duvezer-sermon";
// How long the helper may take to answer after it was started, or to go
// after it was asked to.
constexpr qint64 kHelperLimitMs = 3000;

}  // namespace

template <typename Handler>
void CComAdvanceMonitorDlg::Post(std::uint64_t session, Handler handler) {
    // Sessions are joined before the page goes, and Qt drops calls queued
    // for a deleted page.
    QMetaObject::invokeMethod(
        this,
        [this, session, handler = std::move(handler)]() mutable {
            if (session == sessionNumber_) handler();
        },
        Qt::QueuedConnection);
}

void CComAdvanceMonitorDlg::StartWatch() {
    if (state_ != State::Idle) return;
    // Watching puts the helper on the port, which a download tool has now.
    if (context().downloadPorts().IsReserved(port_->currentText().trimmed().toStdString())) {
        QMessageBox::warning(this, QCoreApplication::applicationName(), QString::fromUtf8(kPortDownloading));
        return;
    }
    state_ = State::Starting;
    ShowState();
    const std::uint64_t number = ++sessionNumber_;
    sessionEnded_ = false;
    sermon::SessionEvents events;
    events.started = [this, number](const sermon::StartOutcome& outcome) {
        Post(number, [this, outcome] { Started(outcome); });
    };
    events.stopped = [this, number](bool answered) { Post(number, [this, answered] { Stopped(answered); }); };
    events.failed = [this, number] { Post(number, [this] { SessionFailed(); }); };
    session_ = std::make_unique<sermon::SerMonSession>(
        setup_.socket, port_->currentText().trimmed().toStdString(), pump_->sink(), std::move(events));
}

void CComAdvanceMonitorDlg::Started(const sermon::StartOutcome& outcome) {
    using Result = sermon::StartOutcome::Result;
    if (outcome.result != Result::Started) {
        EndSession();
        Tell(outcome.result == Result::NoHelper      ? t::kNotInstalled
             : outcome.result == Result::Unreachable ? t::kHelperUnreachable
                                                     : t::kStartFailed);
        return;
    }
    state_ = State::Watching;
    ShowState();
    alias_->setText(QString::fromStdString(outcome.alias));
    if (!viewer_) {
        viewer_ = new CViewEditDlg(QString::fromUtf16(t::kViewerTitle), this);
        // Placed against the main window's right edge, keeping its size.
        context().setRecordViewer(viewer_);
    }
    viewer_->show();
}

void CComAdvanceMonitorDlg::StopWatch() {
    // Ending the watch would hang up the program in the middle of its work.
    if (rows_.watchedPortOpen()) {
        Tell(t::kWatchedPortOpen);
        return;
    }
    if (state_ != State::Watching) return;
    if (sessionEnded_) {
        // Already ended and reported; nothing is left to ask the helper.
        EndSession();
        return;
    }
    state_ = State::Stopping;
    ShowState();
    session_->RequestStop();
}

void CComAdvanceMonitorDlg::Stopped(bool answered) {
    EndSession();
    // Either way the watch is over, so the page is ready for the next start.
    if (!answered) Tell(t::kStopFailed);
}

void CComAdvanceMonitorDlg::SessionFailed() {
    sessionEnded_ = true;
    // The alias went with the watch: nothing can hold the port open now.
    rows_.ForgetOpens();
    Tell(t::kReaderFailed);
}

void CComAdvanceMonitorDlg::EndSession() {
    if (session_) {
        // A session waiting in the hand-off is released first; the helper
        // ends the watch when the session's connection closes.
        pump_->Close();
        session_.reset();
        pump_->Open();
    }
    ++sessionNumber_;
    sessionEnded_ = false;
    state_ = State::Idle;
    ShowState();
}

QString CComAdvanceMonitorDlg::HelperProgram() const {
    if (!setup_.helper.empty()) return QString::fromStdString(setup_.helper.string());
    const QFileInfo beside(QCoreApplication::applicationDirPath() + u'/' + QLatin1StringView(kHelperName));
    if (beside.isExecutable()) return beside.filePath();
    return QStandardPaths::findExecutable(QLatin1StringView(kHelperName));
}

void CComAdvanceMonitorDlg::Install() {
    if (helperTimer_->isActive()) return;
    // Already running: nothing to install.
    if (sermon::Probe(setup_.socket) == 0) return;
    // The helper refuses a folder another user made in the shared /tmp; the
    // user learns which folder and whose, not only that it failed.
    const std::filesystem::path folder = setup_.socket.parent_path();
    if (const std::optional<std::string> owner = sermon::ForeignFolderOwner(folder)) {
        QMessageBox::warning(
            this, QCoreApplication::applicationName(),
            Text(t::kFolderOfAnotherUser)
                .arg(QString::fromStdString(folder.string()), QString::fromStdString(*owner)));
        return;
    }
    const QString program = HelperProgram();
    qint64 process = 0;
    if (program.isEmpty() ||
        !QProcess::startDetached(program, {QStringLiteral("--socket"), QString::fromStdString(setup_.socket)},
                                 QString(), &process)) {
        Tell(t::kInstallStartFailed);
        return;
    }
    AwaitHelper(true, process);
}

void CComAdvanceMonitorDlg::Uninstall() {
    if (helperTimer_->isActive()) return;
    const pid_t process = sermon::HelperProcess(setup_.socket);
    if (process <= 0) return;
    if (state_ != State::Idle) {
        if (rows_.watchedPortOpen()) {
            Tell(t::kWatchedPortOpen);
            return;
        }
        EndSession();
    }
    if (::kill(process, SIGTERM) != 0) {
        Tell(t::kUninstallFailed);
        return;
    }
    AwaitHelper(false, process);
}

void CComAdvanceMonitorDlg::AwaitHelper(bool running, qint64 process) {
    awaitRunning_ = running;
    helperProcess_ = process;
    helperDeadline_ = QDateTime::currentMSecsSinceEpoch() + kHelperLimitMs;
    install_->setEnabled(false);
    uninstall_->setEnabled(false);
    helperTimer_->start();
}

void CComAdvanceMonitorDlg::CheckHelper() {
    const bool running = sermon::Probe(setup_.socket) == 0;
    // A helper that ended at once (it could not listen) need not be waited for.
    const bool processGone = ::kill(static_cast<pid_t>(helperProcess_), 0) != 0 && errno == ESRCH;
    const bool done = running == awaitRunning_ || (awaitRunning_ && processGone);
    if (!done && QDateTime::currentMSecsSinceEpoch() < helperDeadline_) return;
    helperTimer_->stop();
    install_->setEnabled(true);
    uninstall_->setEnabled(true);
    const bool succeeded = running == awaitRunning_;
    if (awaitRunning_) {
        Tell(succeeded ? t::kInstalled : t::kInstallNoAnswer, !succeeded);
    } else {
        Tell(succeeded ? t::kUninstalled : t::kUninstallFailed, !succeeded);
    }
}

}  // namespace viz
