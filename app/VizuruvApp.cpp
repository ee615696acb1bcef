#include "app/VizuruvApp.h"

#include <QApplication>

#include "app/StartOptionsApply.h"
#include "app/VizuruvDlg.h"
#include "platform/SettingsPath.h"

namespace viz {

CVizuruvApp::CVizuruvApp(StartOptions options)
    : options_(std::move(options)), settings_(DefaultSettingsPath()), context_(settings_) {}

CVizuruvApp::~CVizuruvApp() = default;

int CVizuruvApp::Run() {
    mainWindow_ = std::make_unique<CVizuruvDlg>(context_, nullptr);
    ApplyStartOptions(*mainWindow_, options_);
    mainWindow_->show();
    const int rc = QApplication::exec();
    // Pages save their settings and close their links while the store still exists.
    mainWindow_.reset();
    return rc;
}

}  // namespace viz
