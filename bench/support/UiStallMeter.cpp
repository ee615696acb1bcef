#include "UiStallMeter.h"

#include <QEventLoop>

#include <algorithm>

namespace bench {

UiStallMeter::UiStallMeter(int intervalMs) : intervalMs_(intervalMs) {
    timer_.setTimerType(Qt::PreciseTimer);
    QObject::connect(&timer_, &QTimer::timeout, [this] {
        longestNs_ = std::max(longestNs_, clock_.nsecsElapsed() - intervalMs_ * 1'000'000LL);
        clock_.restart();
    });
}

void UiStallMeter::Start() {
    longestNs_ = 0;
    clock_.start();
    timer_.start(intervalMs_);
}

// The loop sleeps between checks: a loop that spun would take a core from
// the threads being measured.
bool WaitFor(const std::function<bool()>& condition, int limitMs) {
    if (condition()) return true;
    QEventLoop loop;
    QTimer check;
    QObject::connect(&check, &QTimer::timeout, &loop, [&] {
        if (condition()) loop.quit();
    });
    QTimer::singleShot(limitMs, &loop, &QEventLoop::quit);
    check.start(1);
    loop.exec();
    return condition();
}

}  // namespace bench
