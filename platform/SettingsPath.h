#pragma once

#include <filesystem>

namespace viz {

// The user's settings file: $XDG_CONFIG_HOME/Vizuruv/Vizuruv.conf, with
// ~/.config standing in when XDG_CONFIG_HOME is unset or not absolute.
std::filesystem::path DefaultSettingsPath();

}  // namespace viz
