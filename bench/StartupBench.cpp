// Measures start-up: from entering the program's start (the toolkit's
// application object) to the main window being shown and exposed, in a
// throw-away settings folder. The folder is prepared before the clock
// starts, since a user's start finds it already there: a later start with
// automatic update off, so nothing goes to the network. With the argument
// "first" the folder is left empty: a first start, which stores the
// defaults and turns automatic update on; the update servers are then a
// closed loopback port. The application is set up as main() does it
// (SetUpApplication). Prints one line (ShownReport.h); bench/startup.sh sets
// it against a bare window (BareWindow.cpp).
#include <QApplication>

#include <chrono>
#include <cstdlib>
#include <string_view>

#include "ShownReport.h"
#include "WorkDir.h"
#include "app/ApplicationSetup.h"
#include "app/VizuruvDlg.h"
#include "base/PageContext.h"
#include "base/SettingsStore.h"
#include "platform/Signals.h"

int main(int argc, char** argv) {
    const bool firstStart = argc > 1 && std::string_view(argv[1]) == "first";
    viz::IgnoreBrokenPipeSignal();
    const bench::WorkDir workDir;
    viz::SettingsStore store(workDir / "Vizuruv.conf");
    if (firstStart) {
        ::setenv("VIZURUV_UPDATE_PRIMARY", "http://127.0.0.1:9", 1);
        ::setenv("VIZURUV_UPDATE_MIRROR", "http://127.0.0.1:9", 1);
    } else {
        store.WriteMakerInfo();
        store.WriteAutoUpdate(0);
    }

    const auto start = std::chrono::steady_clock::now();
    QApplication application(argc, argv);
    viz::SetUpApplication(application);
    viz::PageContext context(store);
    viz::CVizuruvDlg window(context, nullptr);
    window.show();
    bench::WaitUntilDrawn(window);
    bench::PrintShown(start);
    return 0;
}
