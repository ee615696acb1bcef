#include "plot/PlotPlace.h"

#include <algorithm>
#include <cstdint>

namespace viz {
namespace {

// [start, start + size) overlaps [areaStart, areaStart + areaSize).
bool Overlaps(std::int64_t start, std::int64_t size, std::int64_t areaStart, std::int64_t areaSize) {
    return start < areaStart + areaSize && areaStart < start + size;
}

// The start of a span of `size` (no larger than the area) kept inside the area.
std::int32_t Inside(std::int64_t start, std::int64_t size, std::int64_t areaStart, std::int64_t areaSize) {
    return static_cast<std::int32_t>(std::clamp(start, areaStart, areaStart + areaSize - size));
}

}  // namespace

std::optional<WindowPlace> PlaceOnScreens(const WindowPlace& saved, std::span<const WindowPlace> screens) {
    if (saved.width <= 0 || saved.height <= 0) return std::nullopt;
    for (const WindowPlace& screen : screens) {
        if (screen.width <= 0 || screen.height <= 0) continue;
        if (!Overlaps(saved.x, saved.width, screen.x, screen.width) ||
            !Overlaps(saved.y, saved.height, screen.y, screen.height))
            continue;
        WindowPlace place;
        place.width = std::min(saved.width, screen.width);
        place.height = std::min(saved.height, screen.height);
        place.x = Inside(saved.x, place.width, screen.x, screen.width);
        place.y = Inside(saved.y, place.height, screen.y, screen.height);
        return place;
    }
    return std::nullopt;
}

}  // namespace viz
