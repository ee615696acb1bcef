#pragma once

// What the program does to the toolkit's application object before its
// window exists, in one place so the start-up bench starts the same program:
//   QApplication application(argc, argv);
//   viz::SetUpApplication(application);
// The window icon is not set here: the main window sets it once it has
// been drawn (SetWindowIcons).

class QApplication;
class QWidget;

namespace viz {

void SetUpApplication(QApplication& application);
// The program's icon for every window from now on, and for `window` now.
void SetWindowIcons(QWidget& window);

}  // namespace viz
