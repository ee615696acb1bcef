#include "board/parts/FrameMeter.h"

#include <algorithm>

namespace viz {

FrameMeter::FrameMeter(std::size_t lights, SimNanos frameNanos)
    : frame_(std::max<SimNanos>(frameNanos, 1)), on_(lights), onTime_(lights), last_(lights) {}

void FrameMeter::Accumulate(SimNanos until) {
    if (until == now_) return;
    for (std::size_t i = 0; i < on_.size(); ++i)
        if (on_[i]) onTime_[i] += until - now_;
    now_ = until;
}

void FrameMeter::AdvanceTo(SimNanos at) {
    if (at < now_) return;
    if (at >= frameStart_ + frame_) {
        const SimNanos end = frameStart_ + frame_;
        Accumulate(end);
        for (std::size_t i = 0; i < on_.size(); ++i) {
            last_[i] = static_cast<double>(onTime_[i]) / static_cast<double>(frame_);
            onTime_[i] = 0;
        }
        frameStart_ = end;
        ++frames_;
        // Whole frames without a change: the last of them saw the lights as they are.
        const SimNanos whole = (at - frameStart_) / frame_;
        if (whole > 0) {
            for (std::size_t i = 0; i < on_.size(); ++i) last_[i] = on_[i] ? 1.0 : 0.0;
            frameStart_ += whole * frame_;
            frames_ += whole;
            now_ = frameStart_;
        }
    }
    Accumulate(at);
}

void FrameMeter::Set(std::size_t light, bool on, SimNanos at) {
    AdvanceTo(at);
    on_[light] = on ? 1 : 0;
}

}  // namespace viz
