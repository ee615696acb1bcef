#pragma once
// The line startup_bench and bare_window_bench print once their window is
// shown, for bench/startup.sh: the wall time since `start` and the CPU time
// the process used so far (loading its libraries included), both in ms. The
// CPU time is the steadier figure on a busy machine.
//   const auto start = std::chrono::steady_clock::now();  ...
//   window.show();
//   bench::WaitUntilDrawn(window);
//   bench::PrintShown(start);

#include <QApplication>
#include <QEvent>
#include <QWidget>
#include <QWindow>

#include <time.h>

#include <chrono>
#include <cstdio>

namespace bench {

// Until the shown `window` is exposed on the screen and has drawn itself:
// both benches stop their clock at the same point. Work a program leaves
// for after its first paint is not start-up: the user already sees the
// window, so the clock stops before the event loop gets to it.
inline void WaitUntilDrawn(QWidget& window) {
    struct PaintSeen : QObject {
        bool seen = false;
        bool eventFilter(QObject*, QEvent* event) override {
            seen = seen || event->type() == QEvent::Paint;
            return false;
        }
    } paint;
    window.installEventFilter(&paint);
    while (!paint.seen || !window.windowHandle() || !window.windowHandle()->isExposed()) {
        QApplication::processEvents(QEventLoop::WaitForMoreEvents, 10);
    }
    window.removeEventFilter(&paint);
}

inline void PrintShown(std::chrono::steady_clock::time_point start) {
    const std::chrono::duration<double, std::milli> wall = std::chrono::steady_clock::now() - start;
    timespec cpu{};
    ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &cpu);
    std::printf("startup_to_shown_ms %.1f process_cpu_ms %.1f\n", wall.count(),
                static_cast<double>(cpu.tv_sec) * 1e3 + static_cast<double>(cpu.tv_nsec) / 1e6);
}

}  // namespace bench
