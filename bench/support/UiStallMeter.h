#pragma once
// How long the UI thread's event loop could not run (paint, take input, fire
// timers): the longest lateness of a precise timer ticking every few ms.
// Beside it, the most CPU time the UI thread itself spent between two ticks:
// on a busy machine a stall can be the scheduler's, this is the program's;
// and the UI thread's CPU time in all, the cost of the work whatever else
// runs on the machine.

#include <QElapsedTimer>
#include <QTimer>

#include <functional>

namespace bench {

class UiStallMeter {
public:
    explicit UiStallMeter(int intervalMs);
    void Start();
    // On the UI thread.
    void Stop();
    double longestMs() const { return static_cast<double>(longestNs_) / 1e6; }
    double longestCpuMs() const { return static_cast<double>(longestCpuNs_) / 1e6; }
    // From Start to Stop (or the last tick).
    double cpuSeconds() const { return static_cast<double>(cpuNs_ - startCpuNs_) / 1e9; }

private:
    int intervalMs_;
    QTimer timer_;
    QElapsedTimer clock_;
    qint64 longestNs_ = 0;
    qint64 cpuNs_ = 0;
    qint64 startCpuNs_ = 0;
    qint64 longestCpuNs_ = 0;
};

// Runs the event loop until `condition` holds (true) or `limitMs` passed (false).
bool WaitFor(const std::function<bool()>& condition, int limitMs);

}  // namespace bench
