// The board window's runs: starting and stopping, the board's news on the
// window's thread, and the port offered to the serial page while it runs.
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QTimer>

#include <cstring>

#include "base/ExtraSerialPorts.h"
#include "board/BoardTexts.h"
#include "board/PinView.h"
#include "board/SimSpeed.h"
#include "board/VirtualBoardDlg.h"
#include "board/learn/LearnBoardPanel.h"
#include "board/learn/LearnTexts.h"
#include "platform/CodePage.h"

namespace viz {
namespace {

namespace t = texts::board;

QString Text(const char* utf8) {
    return QString::fromUtf8(utf8);
}

// Programs print UTF-8; a user's GBK source echoed by the compiler is read as GBK.
QString Decoded(const std::string& text) {
    const QString utf8 = QString::fromUtf8(text);
    if (!utf8.contains(QChar::ReplacementCharacter)) return utf8;
    return QString::fromStdU16String(DecodeText(text, CodePage::Ansi));
}

}  // namespace

void CVirtualBoardDlg::RunWizard(const WizardFirmware& firmware) {
    show();
    raise();
    activateWindow();
    if (running()) {
        nextWizard_ = firmware;
        Stop();
        return;
    }
    if (!SelectChip(firmware.chip)) {
        if (partsListed_) {
            SetStatus(Text(t::kUnknownChip).arg(QString::fromStdString(firmware.chip)));
            return;
        }
        // The AVR parts are still being listed; run when they are there.
        nextWizard_ = firmware;
        return;
    }
    clock_->setText(QString::fromStdString(ClockText(firmware.clockHz)).remove(QStringLiteral(" MHz")));
    useWizard_->setChecked(true);
    wizard_ = firmware;
    Start();
}

void CVirtualBoardDlg::Start() {
    const BoardChip* chip = SelectedChip();
    if (!chip || running()) return;
    BoardConfig config;
    config.chip = *chip;
    config.clockHz = ParseMegahertz(clock_->text().toStdString());
    config.search = setup_.search;
    config.wizardCode = useWizard_->isChecked();
    config.learn = &learn_->board();
    if (config.clockHz == 0) {
        SetStatus(Text(t::kBadClock));
        return;
    }
    if (config.wizardCode) {
        // A wizard's own code for its own chip; otherwise what the wizard of
        // the chosen chip's family has now.
        const bool fromWizard = wizard_ && wizard_->chip == chip->name;
        config.source = fromWizard          ? wizard_->source
                        : setup_.wizardCode ? setup_.wizardCode(chip->family)
                                            : "";
        openBaud_ = fromWizard ? wizard_->baud : 0;
        if (config.source.empty()) {
            SetStatus(Text(t::kNoWizardCode));
            return;
        }
    } else {
        config.file = file_->text().trimmed().toStdString();
        openBaud_ = 0;
        // A chip with a serial bootloader may start with no application.
        if (config.file.empty() && !chip->serialBootloader) {
            SetStatus(Text(t::kNoFile));
            return;
        }
    }
    wizard_.reset();
    runningChip_ = *chip;
    runningClock_ = config.clockHz;
    output_->clear();
    learnFault_.clear();
    learn_->ShowFault({});
    pins_->SetPorts(chip->ports);
    const bool build = config.wizardCode || config.file.extension() == ".c";
    ++run_;
    if (!session_.Start(std::move(config))) return;
    ShowRunning(true);
    SetStatus(Text(build ? t::kBuilding : t::kStarting));
}

void CVirtualBoardDlg::Stop() {
    nextWizard_.reset();
    session_.Stop();
}

void CVirtualBoardDlg::Ready(std::uint64_t run, const QString& path) {
    if (run != run_.load()) return;
    runningPort_ = path;
    slowPercent_.reset();
    ShowRunningStatus();
    pinTimer_->start();
    const std::string label =
        VirtualBoardPortLabel(runningChip_.name, ClockText(runningClock_), path.toStdString());
    context_.extraSerialPorts().Put({kPortId, path.toStdString(), label});
    emit portReady(path, openBaud_);
}

// A board that cannot keep real time says how fast it runs.
void CVirtualBoardDlg::ShowRunningStatus() {
    const QString running = slowPercent_ ? Text(t::kRunningSlow).arg(runningPort_).arg(*slowPercent_)
                                         : Text(t::kRunning).arg(runningPort_);
    SetStatus(learnFault_.isEmpty() ? running : running + QStringLiteral("；") + learnFault_);
}

void CVirtualBoardDlg::Ended(std::uint64_t run, const BoardOutcome& outcome) {
    if (run != run_.load()) return;
    runningPort_.clear();
    pinTimer_->stop();
    RefreshPins();
    // The serial page sees the port go like an unplugged device.
    context_.extraSerialPorts().Remove(kPortId);
    using Kind = BoardOutcome::Kind;
    const char* state = outcome.kind == Kind::Stopped          ? t::kStopped
                        : outcome.kind == Kind::ToolsMissing   ? t::kToolsMissing
                        : outcome.kind == Kind::BadFirmware    ? t::kBadFirmware
                        : outcome.kind == Kind::BuildFailed    ? t::kBuildFailed
                        : outcome.kind == Kind::StartFailed    ? t::kStartFailed
                        : outcome.kind == Kind::FirmwareHalted ? t::kHalted
                                                               : t::kSimulatorEnded;
    if (!outcome.message.empty()) AppendOutput(Decoded(outcome.message) + u'\n');
    ShowRunning(false);
    SetStatus(outcome.message.empty() || outcome.kind == Kind::SimulatorEnded ||
                      outcome.kind == Kind::BuildFailed
                  ? Text(state)
                  : Text(state) + QStringLiteral("：") + Decoded(outcome.message).trimmed());
    if (nextWizard_) {
        const WizardFirmware firmware = *nextWizard_;
        nextWizard_.reset();
        RunWizard(firmware);
    }
}

void CVirtualBoardDlg::OnOutput(const std::string& text) {
    const std::uint64_t run = run_.load();
    QMetaObject::invokeMethod(
        this,
        [this, run, text] {
            if (run == run_.load()) AppendOutput(Decoded(text));
        },
        Qt::QueuedConnection);
}

void CVirtualBoardDlg::OnSimulatorProcess(int) {}

void CVirtualBoardDlg::OnReady(const std::string& portPath) {
    const std::uint64_t run = run_.load();
    QMetaObject::invokeMethod(
        this, [this, run, path = QString::fromStdString(portPath)] { Ready(run, path); },
        Qt::QueuedConnection);
}

void CVirtualBoardDlg::OnSpeed(double ratio) {
    const std::uint64_t run = run_.load();
    QMetaObject::invokeMethod(
        this,
        [this, run, ratio] {
            const std::optional<int> slow = SlowSpeedPercent(ratio);
            if (run != run_.load() || runningPort_.isEmpty() || slow == slowPercent_) return;
            slowPercent_ = slow;
            ShowRunningStatus();
        },
        Qt::QueuedConnection);
}

void CVirtualBoardDlg::OnLearnBoardUnfed(int error) {
    const std::uint64_t run = run_.load();
    QMetaObject::invokeMethod(
        this,
        [this, run, error] {
            if (run != run_.load()) return;
            learnFault_ = Text(texts::learn::kUnfed).arg(QString::fromLocal8Bit(std::strerror(error)));
            learn_->ShowFault(learnFault_);
            if (!runningPort_.isEmpty()) ShowRunningStatus();
        },
        Qt::QueuedConnection);
}

void CVirtualBoardDlg::OnPhase(BoardPhase phase) {
    const std::uint64_t run = run_.load();
    QMetaObject::invokeMethod(
        this,
        [this, run, phase] {
            if (run == run_.load())
                SetStatus(Text(phase == BoardPhase::Building ? t::kBuilding : t::kStarting));
        },
        Qt::QueuedConnection);
}

void CVirtualBoardDlg::OnEnded(const BoardOutcome& outcome) {
    const std::uint64_t run = run_.load();
    QMetaObject::invokeMethod(
        this, [this, run, outcome] { Ended(run, outcome); }, Qt::QueuedConnection);
}

}  // namespace viz
