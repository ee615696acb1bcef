#pragma once

#include <memory>

#include "base/PageContext.h"
#include "base/SettingsStore.h"

namespace viz {

class CVizuruvDlg;

// The application: owns the settings store and the main window and runs the
// program until the main window closes.
class CVizuruvApp {
public:
    CVizuruvApp();
    ~CVizuruvApp();

    // Shows the main window and returns when it has closed.
    int Run();

private:
    SettingsStore settings_;
    PageContext context_;
    std::unique_ptr<CVizuruvDlg> mainWindow_;
};

}  // namespace viz
