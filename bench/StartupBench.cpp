// Measures start-up: from entering main to the main window being shown and
// exposed, with a throw-away settings folder. Prints one line in ms.
#include <QApplication>
#include <QElapsedTimer>
#include <QWindow>

#include <chrono>
#include <cstdio>
#include <cstdlib>

#include "WorkDir.h"
#include "base/PageContext.h"
#include "base/SettingsStore.h"
#include "app/VizuruvDlg.h"
#include "platform/Signals.h"

int main(int argc, char** argv) {
    const auto start = std::chrono::steady_clock::now();
    viz::IgnoreBrokenPipeSignal();
    QApplication application(argc, argv);
    const bench::WorkDir workDir;
    viz::SettingsStore store(workDir / "Vizuruv.conf");
    store.WriteMakerInfo();
    store.WriteAutoUpdate(0);
    viz::PageContext context(store);
    viz::CVizuruvDlg window(context, nullptr);
    window.show();
    while (!window.windowHandle() || !window.windowHandle()->isExposed()) {
        QApplication::processEvents(QEventLoop::WaitForMoreEvents, 10);
    }
    QApplication::processEvents();
    const auto shown = std::chrono::steady_clock::now();
    std::printf("startup_to_shown_ms %.1f\n", std::chrono::duration<double, std::milli>(shown - start).count());
    return 0;
}
