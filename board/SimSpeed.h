#pragma once

// How fast a simulation runs against the wall clock, measured over the last
// few seconds, and whether the window should say so.
//
//   SimSpeed speed;
//   speed.Add(wallSeconds, simulatedSeconds);   // after every step
//   if (auto percent = SlowSpeedPercent(speed.ratio())) ...   // "模拟速度 40%"

#include <deque>
#include <optional>

namespace viz {

class SimSpeed {
public:
    // Wall and simulated seconds since the run began, each call later than the last.
    void Add(double wallSeconds, double simulatedSeconds);
    // Simulated seconds per wall second over the last few seconds; 1 until
    // there is enough to tell.
    double ratio() const;

private:
    struct Sample {
        double wall;
        double simulated;
    };
    std::deque<Sample> samples_;
};

// The speed in percent when the simulation falls clearly behind the clock;
// nothing while it keeps real time.
std::optional<int> SlowSpeedPercent(double ratio);

}  // namespace viz
