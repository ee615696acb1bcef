#include "UiStallMeter.h"

#include <QEventLoop>

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
    startCpuNs_ = cpuNs_;
    clock_.start();
    timer_.start(intervalMs_);
}

void UiStallMeter::Stop() {
    timer_.stop();
    cpuNs_ = ThreadCpuNs();
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
