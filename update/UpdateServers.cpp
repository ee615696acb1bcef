#include "update/UpdateServers.h"

#include <cstdlib>

#include "base/MakerInfo.h"

namespace viz {
namespace {

std::string FromEnvironmentOr(const char* name, const char* fallback) {
    const char* value = std::getenv(name);
    return value != nullptr && *value != '\0' ? std::string(value) : std::string(fallback);
}

}  // namespace

UpdateServers UpdateServers::FromEnvironment() {
    return {FromEnvironmentOr("VIZURUV_UPDATE_PRIMARY", maker::kUpdateHost),
            FromEnvironmentOr("VIZURUV_UPDATE_MIRROR", maker::kWebSite)};
}

std::string ServerUrl(std::string_view base, std::string_view path) {
    while (!base.empty() && base.back() == '/') base.remove_suffix(1);
    return std::string(base) + std::string(path);
}

}  // namespace viz
