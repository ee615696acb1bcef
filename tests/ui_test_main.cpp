#include <QApplication>

#include <gtest/gtest.h>

#include <cstdlib>

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
    QApplication application(argc, argv);
    viz::InstallToolkitTranslation(application);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
