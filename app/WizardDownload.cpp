#include "app/WizardDownload.h"

#include <QPlainTextEdit>
#include <QTextCursor>

#include <cctype>
#include <cstring>
#include <system_error>

#include <sys/eventfd.h>
#include <unistd.h>

#include "base/QtText.h"
#include "base/StatusLabel.h"
#include "base/TextFill.h"
#include "board/FirmwareBuild.h"
#include "flash/FlashDlg.h"
#include "flash/FlashTexts.h"
#include "platform/WorkFolder.h"

namespace viz {
namespace {

namespace t = texts::flash;

// The chip as the board's compiler arguments need it: the wizards name an
// 8051, an 8052 or an AVR part ("ATmega16").
BoardChip ChipFor(const std::string& name) {
    for (const BoardChip& chip : Mcs51Chips())
        if (chip.name == name) return chip;
    BoardChip chip;
    chip.family = ChipFamily::Avr;
    chip.name = name;
    for (const char c : name)
        chip.simulatorName += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return chip;
}

}  // namespace

CWizardDownload::CWizardDownload(ToolSearch search, QObject* parent)
    : QObject(parent), search_(std::move(search)) {}

CWizardDownload::~CWizardDownload() {
    StopBuild();
    RemoveFolder();
}

void CWizardDownload::StopBuild() {
    ++number_;
    if (!thread_.joinable()) return;
    const std::uint64_t one = 1;
    if (::write(stopFd_, &one, sizeof one) < 0) {
        // The eventfd cannot be full after one write: the build ends on its own.
    }
    thread_.join();
    ::close(stopFd_);
    stopFd_ = -1;
}

void CWizardDownload::RemoveFolder() {
    std::error_code error;
    if (!folder_.empty()) std::filesystem::remove_all(folder_, error);
    folder_.clear();
}

void CWizardDownload::Build(const WizardFirmware& firmware, CFlashDlg* window) {
    StopBuild();
    RemoveFolder();
    window_ = window;
    window->SetWizardFirmware({});
    window->output()->clear();
    window->statusLabel()->ShowStatus(Text(t::kWizardBuilding));
    std::string pattern = WorkFolderPattern(kBoardWork);
    stopFd_ = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (stopFd_ < 0 || !::mkdtemp(pattern.data())) {
        const QString reason = QString::fromLocal8Bit(std::strerror(errno));
        if (stopFd_ >= 0) ::close(stopFd_);
        stopFd_ = -1;
        window->statusLabel()->ShowStatus(Text(t::kWizardBuildFailed) + reason);
        emit built(false);
        return;
    }
    folder_ = pattern;
    thread_ = std::thread(&CWizardDownload::Run, this, number_.load(), firmware, folder_);
}

// On the build's thread.
void CWizardDownload::Run(std::uint64_t number, WizardFirmware firmware, std::filesystem::path folder) {
    const BoardChip chip = ChipFor(firmware.chip);
    const BoardTools tools = FindBoardTools(chip.family, true, search_);
    const auto end = [&](bool ok, const QString& text, const QString& path = {}) {
        QMetaObject::invokeMethod(
            this, [this, number, ok, text, path] { Ended(number, ok, text, path); }, Qt::QueuedConnection);
    };
    if (tools.compiler.empty()) {
        end(false, Text(t::kWizardBuildFailed) + QString::fromStdString(DescribeMissing(tools)));
        return;
    }
    BuildRequest request{chip, firmware.clockHz, tools.compiler, folder, firmware.source, {}};
    const BuildResult result = BuildFirmware(request, stopFd_, *this);
    switch (result.kind) {
        case BuildResult::Kind::Built:
            end(true, Text(t::kWizardBuilt), QString::fromStdString(result.firmware.string()));
            return;
        case BuildResult::Kind::StartFailed:
            end(false, Text(t::kWizardBuildFailed) + QString::fromLocal8Bit(std::strerror(result.error)));
            return;
        case BuildResult::Kind::Failed:
            end(false, Text(t::kWizardBuildFailed) + Text(t::kWizardSeeOutput));
            return;
        case BuildResult::Kind::Stopped:
            return;
    }
}

void CWizardDownload::Ended(std::uint64_t number, bool ok, const QString& text, const QString& firmware) {
    if (number != number_) return;
    if (thread_.joinable()) thread_.join();
    if (stopFd_ >= 0) ::close(stopFd_);
    stopFd_ = -1;
    if (!window_) return;
    if (ok) window_->SetWizardFirmware(firmware);
    window_->statusLabel()->ShowStatus(text);
    emit built(ok);
}

// On the build's thread: the compiler's messages as it printed them.
void CWizardDownload::OnOutput(const std::string& text) {
    const std::uint64_t number = number_.load();
    QMetaObject::invokeMethod(
        this,
        [this, number, text = QString::fromStdString(text)] {
            if (number != number_ || !window_) return;
            QTextCursor end(window_->output()->document());
            end.movePosition(QTextCursor::End);
            end.insertText(text);
        },
        Qt::QueuedConnection);
}

}  // namespace viz
