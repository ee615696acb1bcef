#include "board/parts/Buzzer.h"

namespace viz {
namespace {

// The rises looked at: enough for a steady figure, few enough to follow a melody.
constexpr std::size_t kRises = 16;
// Slower than 20 Hz is clicking, not a tone.
constexpr SimNanos kLongestPeriod = 50'000'000;

}  // namespace

void Buzzer::Update(bool level, SimNanos at) {
    if (known_ && level && !level_) {
        // A pause longer than a tone's period starts a new note.
        if (!rises_.empty() && at - rises_.back() > kLongestPeriod) rises_.clear();
        rises_.push_back(at);
        if (rises_.size() > kRises) rises_.pop_front();
    }
    known_ = true;
    level_ = level;
}

double Buzzer::Frequency(SimNanos at) const {
    if (rises_.size() < 3) return 0;
    const SimNanos span = rises_.back() - rises_.front();
    const double period = static_cast<double>(span) / static_cast<double>(rises_.size() - 1);
    if (period <= 0 || (at > rises_.back() && static_cast<double>(at - rises_.back()) > 2 * period)) return 0;
    return 1e9 / period;
}

}  // namespace viz
