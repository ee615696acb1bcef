#include "base/DownloadPorts.h"

#include <filesystem>
#include <utility>

namespace viz {
namespace {

// The node a path names, so "/dev/serial/by-id/..." and "/dev/ttyUSB0" match.
std::string DeviceOf(const std::string& path) {
    std::error_code error;
    const std::filesystem::path resolved = std::filesystem::weakly_canonical(path, error);
    return error ? path : resolved.string();
}

}  // namespace

DownloadPorts::Reservation::Reservation(Reservation&& other) noexcept
    : ports_(std::exchange(other.ports_, nullptr)), path_(std::move(other.path_)) {}

DownloadPorts::Reservation& DownloadPorts::Reservation::operator=(Reservation&& other) noexcept {
    if (this != &other) {
        Release();
        ports_ = std::exchange(other.ports_, nullptr);
        path_ = std::move(other.path_);
    }
    return *this;
}

DownloadPorts::Reservation::~Reservation() {
    Release();
}

void DownloadPorts::Reservation::Release() {
    if (ports_) std::exchange(ports_, nullptr)->Release(path_);
}

std::optional<DownloadPorts::Reservation> DownloadPorts::Reserve(const std::string& path) {
    if (!reserved_.emplace(DeviceOf(path), path).second) return std::nullopt;
    listeners_.Notify();
    return Reservation(this, path);
}

bool DownloadPorts::IsReserved(const std::string& path) const {
    return reserved_.count(DeviceOf(path)) != 0;
}

std::vector<std::string> DownloadPorts::paths() const {
    std::vector<std::string> paths;
    for (const auto& [device, path] : reserved_) paths.push_back(path);
    return paths;
}

void DownloadPorts::Release(const std::string& path) {
    for (auto it = reserved_.begin(); it != reserved_.end(); ++it) {
        if (it->second == path) {
            reserved_.erase(it);
            listeners_.Notify();
            return;
        }
    }
}

}  // namespace viz
