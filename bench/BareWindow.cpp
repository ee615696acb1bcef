// The yardstick for start-up: a bare toolkit window holding one label,
// measured exactly as startup_bench measures the program (from creating the
// application object to the window being shown, exposed and drawn), so
// bench/startup.sh can give the program's start as a ratio to it on the same
// machine in the same run. Prints one line (ShownReport.h).
#include <QApplication>
#include <QLabel>

#include <chrono>

#include "ShownReport.h"

int main(int argc, char** argv) {
    const auto start = std::chrono::steady_clock::now();
    QApplication application(argc, argv);
    QLabel window(QStringLiteral("串口调试"));
    window.resize(1000, 700);
    window.show();
    bench::WaitUntilDrawn(window);
    bench::PrintShown(start);
    return 0;
}
