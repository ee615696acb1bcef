#pragma once

// Where a plot window saved in the settings opens again. The numbers come
// from a file and may be anything, so they are compared in 64 bits.
//
//   std::vector<WindowPlace> screens = {{0, 0, 1920, 1040}};   // available areas
//   if (auto place = PlaceOnScreens(saved, screens)) window.setGeometry(...);

#include <optional>
#include <span>

#include "base/SettingsStore.h"

namespace viz {

// `saved` on the first screen whose area it overlaps, cut to that area's
// size and moved inside it; nothing when it has no size or overlaps no
// screen (a screen that is no longer there).
std::optional<WindowPlace> PlaceOnScreens(const WindowPlace& saved, std::span<const WindowPlace> screens);

}  // namespace viz
