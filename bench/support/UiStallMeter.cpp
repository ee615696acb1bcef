#include "UiStallMeter.h"

#include <QApplication>

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

bool WaitFor(const std::function<bool()>& condition, int limitMs) {
    QElapsedTimer clock;
    clock.start();
    while (!condition()) {
        if (clock.elapsed() > limitMs) return false;
        QApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    return true;
}

}  // namespace bench
