#pragma once

#include "app/CommandLine.h"

namespace viz {

class CVizuruvDlg;

// Everything the command line does to the window, in one place: the page
// shown, the values put into that page's own controls (so they are saved at
// exit like typed ones) and, with --open, its open button's action, queued so
// that it runs once the window is up, as a press would.
void ApplyStartOptions(CVizuruvDlg& window, const StartOptions& options);

}  // namespace viz
