#include "UiStallMeter.h"

#include <QApplication>

#include <time.h>

#include <algorithm>

namespace bench {
namespace {

qint64 ThreadCpuNs() {
    timespec now{};
    ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return now.tv_sec * 1'000'000'000LL + now.tv_nsec;
}

}  // namespace

UiStallMeter::UiStallMeter(int intervalMs) : intervalMs_(intervalMs) {
    timer_.setTimerType(Qt::PreciseTimer);
    QObject::connect(&timer_, &QTimer::timeout, [this] {
        longestNs_ = std::max(longestNs_, clock_.nsecsElapsed() - intervalMs_ * 1'000'000LL);
        clock_.restart();
        const qint64 cpu = ThreadCpuNs();
        longestCpuNs_ = std::max(longestCpuNs_, cpu - cpuNs_ - intervalMs_ * 1'000'000LL);
        cpuNs_ = cpu;
    });
}

void UiStallMeter::Start() {
    longestNs_ = 0;
    longestCpuNs_ = 0;
    cpuNs_ = ThreadCpuNs();
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
