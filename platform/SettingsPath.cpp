#include "platform/SettingsPath.h"

#include <cstdlib>

namespace viz {

std::filesystem::path DefaultSettingsPath() {
    std::filesystem::path base;
    if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && *xdg == '/') {
        base = xdg;
    } else if (const char* home = std::getenv("HOME"); home && *home) {
        base = std::filesystem::path(home) / ".config";
    } else {
        base = std::filesystem::temp_directory_path();
    }
    return base / "Vizuruv" / "Vizuruv.conf";
}

}  // namespace viz
