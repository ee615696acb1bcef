#include <QApplication>

#include "app/AppIcon.h"
#include "app/ToolkitTranslation.h"
#include "app/VizuruvApp.h"
#include "platform/Descriptors.h"
#include "platform/Signals.h"

int main(int argc, char** argv) {
    viz::IgnoreBrokenPipeSignal();
    viz::RaiseDescriptorLimit();
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Duvezer"));
    QApplication::setDesktopFileName(QStringLiteral("duvezer"));
    QApplication::setWindowIcon(viz::AppIcon());
    viz::InstallToolkitTranslation(application);
    viz::CVizuruvApp app;
    return app.Run();
}
