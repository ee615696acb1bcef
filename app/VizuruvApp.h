#pragma once

#include <memory>

#include "app/CommandLine.h"
#include "base/PageContext.h"
#include "base/SettingsStore.h"

namespace viz {

class CVizuruvDlg;

// The application: owns the settings store and the main window and runs the
// program until the main window closes, starting as the command line asked.
class CVizuruvApp {
public:
    explicit CVizuruvApp(StartOptions options);
    ~CVizuruvApp();

    // Shows the main window and returns when it has closed.
    int Run();

private:
    StartOptions options_;
    SettingsStore settings_;
    PageContext context_;
    std::unique_ptr<CVizuruvDlg> mainWindow_;
};

}  // namespace viz
