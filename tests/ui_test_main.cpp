#include <QApplication>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "TempDir.h"
#include "app/ToolkitTranslation.h"

// Page tests need one QApplication for the whole run; they never show a real
// window, so the offscreen platform is the default. The toolkit speaks
// Chinese as in the program.
int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    // No page test may reach the real update servers: by default they point
    // at a loopback port where nothing listens.
    setenv("VIZURUV_UPDATE_PRIMARY", "http://127.0.0.1:9", 0);
    setenv("VIZURUV_UPDATE_MIRROR", "http://127.0.0.1:9", 0);
    // Pages write capture, output and log files into the working directory:
    // the run gets a fresh one, so nothing lands where the tests were started.
    const viz::testing::TempDir workDir;
    std::filesystem::current_path(workDir.path());
    QApplication application(argc, argv);
    viz::InstallToolkitTranslation(application);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
