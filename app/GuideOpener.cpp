#include "app/GuideOpener.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QMessageBox>

#include <utility>

#include "app/AppTexts.h"
#include "app/GuideLocation.h"

namespace viz {

CGuideOpener::CGuideOpener()
    : CGuideOpener(QCoreApplication::applicationDirPath().toStdString(),
                   [](const QUrl& url) { return QDesktopServices::openUrl(url); }) {}

CGuideOpener::CGuideOpener(std::filesystem::path programDir, Opener opener)
    : programDir_(std::move(programDir)), opener_(std::move(opener)) {}

void CGuideOpener::Open(QWidget* parent) const {
    const std::filesystem::path guide = FindGuide(programDir_);
    if (guide.empty()) {
        const QString folder = QString::fromStdString(InstalledGuideFolder(programDir_).string());
        QMessageBox::warning(parent, QCoreApplication::applicationName(),
                             QString::fromUtf8(texts::kGuideMissing).arg(folder));
        return;
    }
    const QString path = QString::fromStdString(guide.string());
    if (!opener_(QUrl::fromLocalFile(path)))
        QMessageBox::warning(parent, QCoreApplication::applicationName(),
                             QString::fromUtf8(texts::kGuideNotOpened).arg(path));
}

}  // namespace viz
