#pragma once

// How long each of a set of lights was on during the last frame, the way an
// eye sees a scanned or pulsed light: it integrates over a short time.
// Frames are fixed windows of simulated time ([0, F), [F, 2F)...).
//
//   FrameMeter meter(2, 20'000'000);   // two lights, 20 ms frames
//   meter.Set(0, true, 1'000'000);
//   meter.Set(0, false, 6'000'000);
//   meter.AdvanceTo(40'000'000);
//   meter.LastFrame(0)  -> 0.0 (second frame), meter.frames() -> 2

#include <cstddef>
#include <cstdint>
#include <vector>

#include "board/parts/BoardPin.h"

namespace viz {

class FrameMeter {
public:
    static constexpr SimNanos kDefaultFrame = 20'000'000;  // 50 frames a second

    FrameMeter(std::size_t lights, SimNanos frameNanos = kDefaultFrame);

    // Light `light` is on or off from `at` on; earlier frames are closed first.
    // A time before the last one seen counts as that time.
    void Set(std::size_t light, bool on, SimNanos at);
    // Closes every frame that ended by `at`.
    void AdvanceTo(SimNanos at);

    // The fraction (0..1) of the last complete frame the light was on; 0
    // before the first frame ends.
    double LastFrame(std::size_t light) const { return last_[light]; }
    bool On(std::size_t light) const { return on_[light]; }
    std::uint64_t frames() const { return frames_; }
    SimNanos frameNanos() const { return frame_; }

private:
    void Accumulate(SimNanos until);

    SimNanos frame_;
    std::vector<std::uint8_t> on_;  // bytes, not bits: set on every pin change
    std::vector<SimNanos> onTime_;  // within the open frame
    std::vector<double> last_;
    SimNanos now_ = 0;
    SimNanos frameStart_ = 0;
    std::uint64_t frames_ = 0;
};

}  // namespace viz
