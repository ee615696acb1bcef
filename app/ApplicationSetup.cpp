#include "app/ApplicationSetup.h"

#include <QApplication>
#include <QWidget>

#include "app/AppIcon.h"
#include "app/ToolkitTranslation.h"

namespace viz {

void SetUpApplication(QApplication& application) {
    QApplication::setApplicationName(QStringLiteral("Duvezer"));
    QApplication::setDesktopFileName(QStringLiteral("duvezer"));
    InstallToolkitTranslation(application);
}

void SetWindowIcons(QWidget& window) {
    // Rendering the scalable icon loads the image plugins and draws it at
    // every size the window system asks for: not worth delaying the window.
    const QIcon icon = AppIcon();
    QApplication::setWindowIcon(icon);
    window.setWindowIcon(icon);
}

}  // namespace viz
