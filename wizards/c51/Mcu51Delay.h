#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace viz {

// Loop counts of the three-level busy-wait loop, outer (i) to inner (k).
struct DelayLoops {
    int i = 0;
    int j = 0;
    int k = 0;
};

// Machine cycles of the generated loop nest: 2 + i * (j * (2k + 3) + 3).
std::int64_t DelayCycles(const DelayLoops& loops);

// Machine cycles of a classic 12-clock core for n microseconds at machine
// frequency F, computed in single precision as the wizard has always done;
// nothing when the result does not fit 32 bits.
std::optional<std::int32_t> DelayTargetCycles(std::int32_t micros, std::uint32_t frequency);

// Counts from 1 to 254 that spend exactly the target cycles, or else one
// cycle more or less. Of several candidates the one met first when counting
// k, then j, then i upwards wins for an exact hit and the one met last for a
// near hit. Nothing when no triple is within one cycle.
std::optional<DelayLoops> FindDelayLoops(std::int32_t targetCycles);

// The Delay() function for n microseconds at F (UTF-8, CR LF), or nothing
// when no loop counts are accurate enough.
std::optional<std::string> BuildDelayCode(std::int32_t micros, std::uint32_t frequency);

}  // namespace viz
