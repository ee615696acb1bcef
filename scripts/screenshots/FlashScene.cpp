// The download window after a download to an AVR with a serial bootloader
// passed its check. The machine making the pictures has no board, so the
// tests' stand-in for avrdude, first on PATH for this program, prints what
// avrdude prints for such a download.
#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "SceneSteps.h"
#include "Scenes.h"
#include "app/VizuruvDlg.h"
#include "base/QtText.h"
#include "base/StatusLabel.h"
#include "flash/FlashDlg.h"
#include "flash/FlashTexts.h"

namespace viz::screenshots {
namespace {

namespace t = texts::flash;

constexpr int kToolLimitMs = 30000;
const char kBlinkHex[] =
    ":100000000C9434000C9446000C9446000C9446006A\n"
    ":00000001FF\n";

// avrdude's stand-in first on PATH; false when the folder cannot be made.
bool PutStandInFirst(const QDir& work) {
    const std::filesystem::path bin = work.filePath(QStringLiteral("bin")).toStdString();
    std::error_code error;
    std::filesystem::create_directories(bin, error);
    if (error) return false;
    std::filesystem::create_symlink(std::filesystem::path(VIZ_FLASH_STANDIN_DATA) / "avrdude-standin",
                                    bin / "avrdude", error);
    if (error) return false;
    const char* path = std::getenv("PATH");
    const std::string searched = bin.string() + ":" + (path ? path : "/usr/bin:/bin");
    return ::setenv("PATH", searched.c_str(), 1) == 0 &&
           ::setenv("FLASH_STANDIN_DATA", VIZ_FLASH_STANDIN_DATA, 1) == 0;
}

QWidget* NoWindow(const char* what) {
    Failed(what);
    return nullptr;
}

}  // namespace

QWidget* Scenes::ShowFlash(CVizuruvDlg& window) {
    if (!PutStandInFirst(work_)) return NoWindow("cannot put avrdude's stand-in on PATH");
    QFile firmware(work_.filePath(QStringLiteral("blink.hex")));
    if (!firmware.open(QIODevice::WriteOnly) || firmware.write(kBlinkHex) < 0)
        return NoWindow("cannot write the firmware file");
    firmware.close();

    CFlashDlg* flash = CFlashDlg::Open(*context_, &window);
    flash->resize(560, 640);
    if (!WaitFor([flash] { return flash->chipBox()->findData(QStringLiteral("m328p")) >= 0; }, kToolLimitMs))
        return NoWindow("the download window did not list avrdude's parts");
    const int target = flash->targetBox()->findText(Text(t::kTargetAvrBootloader));
    if (target < 0) return NoWindow("no AVR bootloader target");
    flash->targetBox()->setCurrentIndex(target);
    flash->portBox()->setEditText(QStringLiteral("/dev/ttyUSB0"));
    flash->chipBox()->setCurrentIndex(flash->chipBox()->findData(QStringLiteral("m328p")));
    flash->fileEdit()->setText(firmware.fileName());
    Click(flash->startButton(), "开始下载");
    if (!WaitFor([flash] { return !flash->running() && flash->startButton()->isEnabled(); }, kToolLimitMs))
        return NoWindow("the download did not end");
    if (!flash->statusLabel()->text().startsWith(QStringLiteral("下载完成，校验通过")))
        return NoWindow("the download did not pass its check");
    // No blinking text cursor in the picture.
    flash->startButton()->setFocus();
    return flash;
}

}  // namespace viz::screenshots
