#include "app/ToolkitTranslation.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace viz {

bool InstallToolkitTranslation(QCoreApplication& application) {
    // Owned by the application, so it lives as long as the texts are used.
    auto* translator = new QTranslator(&application);
    // Chinese whatever the desktop's locale: every other text of the program is.
    if (!translator->load(QLocale(QLocale::Chinese, QLocale::China), QStringLiteral("qtbase"),
                          QStringLiteral("_"), QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        delete translator;
        return false;
    }
    return QCoreApplication::installTranslator(translator);
}

}  // namespace viz
