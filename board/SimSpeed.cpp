#include "board/SimSpeed.h"

#include <algorithm>
#include <cmath>

namespace viz {
namespace {

// Long enough to even out s51's naps and the steps' bunching, short enough
// that a machine getting busy shows within seconds.
constexpr double kWindowSeconds = 2.0;
constexpr double kLeastMeasured = 0.5;
// Below this the user would notice: a 1 s blink taking 1.1 s.
constexpr double kKeepsUp = 0.9;

}  // namespace

void SimSpeed::Add(double wallSeconds, double simulatedSeconds) {
    samples_.push_back({wallSeconds, simulatedSeconds});
    while (samples_.size() > 2 && wallSeconds - samples_[1].wall >= kWindowSeconds) samples_.pop_front();
}

double SimSpeed::ratio() const {
    if (samples_.size() < 2) return 1;
    const double wall = samples_.back().wall - samples_.front().wall;
    if (wall < kLeastMeasured) return 1;
    return (samples_.back().simulated - samples_.front().simulated) / wall;
}

std::optional<int> SlowSpeedPercent(double ratio) {
    if (ratio >= kKeepsUp) return std::nullopt;
    return static_cast<int>(std::lround(std::max(ratio, 0.0) * 100));
}

}  // namespace viz
