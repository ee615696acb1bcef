#include "app/VizuruvApp.h"

#include <QApplication>

#include "app/VizuruvDlg.h"
#include "platform/SettingsPath.h"

namespace viz {

CVizuruvApp::CVizuruvApp() : settings_(DefaultSettingsPath()), context_(settings_) {}

CVizuruvApp::~CVizuruvApp() = default;

int CVizuruvApp::Run() {
    mainWindow_ = std::make_unique<CVizuruvDlg>(context_, nullptr);
    mainWindow_->show();
    const int rc = QApplication::exec();
    // Pages save their settings and close their links while the store still exists.
    mainWindow_.reset();
    return rc;
}

}  // namespace viz
