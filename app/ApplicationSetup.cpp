#include "app/ApplicationSetup.h"

#include <QApplication>
#include <QFont>
#include <QWidget>

#include "app/AppIcon.h"
#include "app/ToolkitTranslation.h"

namespace viz {

void SetUpApplication(QApplication& application) {
    QApplication::setApplicationName(QStringLiteral("Duvezer"));
    QApplication::setDesktopFileName(QStringLiteral("duvezer"));
    InstallToolkitTranslation(application);
    // The first page shows a few hundred distinct Chinese characters, and
    // loading a glyph for the auto-hinter costs several times an unhinted
    // load: about a fifth of the start. Against the usual slight hinting the
    // glyphs are only a little softer.
    QFont font = QApplication::font();
    font.setHintingPreference(QFont::PreferNoHinting);
    QApplication::setFont(font);
}

void SetWindowIcons(QWidget& window) {
    // Rendering the scalable icon loads the image plugins and draws it at
    // every size the window system asks for: not worth delaying the window.
    const QIcon icon = AppIcon();
    QApplication::setWindowIcon(icon);
    window.setWindowIcon(icon);
}

}  // namespace viz
