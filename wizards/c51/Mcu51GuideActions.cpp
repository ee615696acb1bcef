// The wizard page's four buttons: preview, delay loop, C file and project export.
#include <QApplication>
#include <QFile>
#include <QLineEdit>
#include <QMessageBox>

#include <filesystem>
#include <iterator>
#include <system_error>

#include "wizards/c51/Mcu51CodeGen.h"
#include "wizards/c51/Mcu51Delay.h"
#include "wizards/c51/Mcu51Export.h"
#include "wizards/c51/Mcu51GuideCodeViewDlg.h"
#include "wizards/c51/Mcu51GuideDlg.h"
#include "wizards/c51/Mcu51GuideTexts.h"
#include "wizards/c51/Mcu51Timing.h"

namespace viz {

namespace {

// The project templates are carried in the program's resources.
std::string LoadTemplate(KeilTemplate which) {
    const char* path = ":/c51/STARTUP.A51";
    if (which == KeilTemplate::Options) path = ":/c51/M51Project.Opt";
    if (which == KeilTemplate::Project) path = ":/c51/M51Project.Uv2";
    QFile file(QString::fromLatin1(path));
    if (!file.open(QIODevice::ReadOnly)) return {};
    return file.readAll().toStdString();
}

std::filesystem::path CurrentDirectory() {
    std::error_code ec;
    std::filesystem::path dir = std::filesystem::current_path(ec);
    return ec ? std::filesystem::path(".") : dir;
}

}  // namespace

void CMcu51GuideDlg::ShowMessage(const char* text) {
    QMessageBox::information(this, QApplication::applicationName(), QString::fromUtf8(text));
}

std::string CMcu51GuideDlg::BuildCode() {
    std::string code;
    Apply([this, &code] { code = BuildMcu51Code(model_, compiler_); });
    return code;
}

// Timer 2 is the 8052's; without it the chip is an 8051, whose model in s51
// also clocks the serial port from timer 1 as the chip does.
WizardFirmware CMcu51GuideDlg::BoardFirmware() {
    WizardFirmware firmware;
    Apply([this, &firmware] { firmware.source = BuildMcu51Code(model_, Mcu51Compiler::Sdcc); });
    const Mcu51Image& image = model_.image();
    const bool timer2 = image.T2CON != 0 || (image.IE & 0x20) != 0;
    firmware.chip = timer2 ? "8052" : "8051";
    firmware.clockHz = image.frequency;
    firmware.baud = image.baud;
    return firmware;
}

void CMcu51GuideDlg::ViewCode() {
    CMcu51GuideCodeViewDlg view(QString::fromStdString(BuildCode()), this);
    view.exec();
}

void CMcu51GuideDlg::ViewDelay() {
    const std::int32_t micros = ReadLeadingDecimal(delayEdit_->text().toStdString());
    const std::optional<std::string> code = BuildDelayCode(micros, model_.image().frequency);
    if (!code) {
        ShowMessage(mcu51text::kDelayFailed);
        return;
    }
    CMcu51GuideCodeViewDlg view(QString::fromStdString(*code), this);
    view.exec();
}

void CMcu51GuideDlg::SaveCode() {
    const bool written = WriteAnsiTextFile(CurrentDirectory() / kCodeFileName, BuildCode());
    ShowMessage(written ? mcu51text::kCodeSaved : mcu51text::kCodeSaveFailed);
}

void CMcu51GuideDlg::ExportProject() {
    // Messages in the order of the results.
    constexpr const char* kKeilMessages[] = {mcu51text::kKeilDone, mcu51text::kProjectFailed,
                                             mcu51text::kOptionsFailed, mcu51text::kStartupFailed,
                                             mcu51text::kMainFailed};
    constexpr const char* kSdccMessages[] = {mcu51text::kSdccDone, mcu51text::kMakefileFailed,
                                             mcu51text::kMainFailed};
    static_assert(std::size(kKeilMessages) == static_cast<std::size_t>(KeilExportResult::MainFailed) + 1);
    static_assert(std::size(kSdccMessages) == static_cast<std::size_t>(SdccExportResult::MainFailed) + 1);
    const std::string code = BuildCode();
    if (compiler_ == Mcu51Compiler::Sdcc) {
        ShowMessage(kSdccMessages[static_cast<int>(ExportSdccProject(CurrentDirectory(), code))]);
    } else {
        ShowMessage(
            kKeilMessages[static_cast<int>(ExportKeilProject(CurrentDirectory(), LoadTemplate, code))]);
    }
}

}  // namespace viz
