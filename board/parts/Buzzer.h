#pragma once

// A passive buzzer: the firmware toggles its pin, and it sounds at the
// toggling's frequency for as long as the toggling goes on.
//
//   Buzzer buzzer;
//   for (...) buzzer.Update(level, t);   // a square wave
//   buzzer.Frequency(now) -> 2000.0      // 0 when silent

#include <cstdint>
#include <deque>

#include "board/parts/BoardPin.h"

namespace viz {

class Buzzer {
public:
    void Update(bool level, SimNanos at);
    // Hertz of the recent toggling, 0 when it has stopped (no rise for two
    // of its periods) or is too slow to be heard as a tone.
    double Frequency(SimNanos at) const;

private:
    std::deque<SimNanos> rises_;
    bool level_ = false;
    bool known_ = false;
};

}  // namespace viz
