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

DownloadPorts::Subscription::Subscription(Subscription&& other) noexcept
    : ports_(std::exchange(other.ports_, nullptr)), id_(other.id_) {}

DownloadPorts::Subscription& DownloadPorts::Subscription::operator=(Subscription&& other) noexcept {
    if (this != &other) {
        if (ports_) ports_->listeners_.erase(id_);
        ports_ = std::exchange(other.ports_, nullptr);
        id_ = other.id_;
    }
    return *this;
}

DownloadPorts::Subscription::~Subscription() {
    if (ports_) ports_->listeners_.erase(id_);
}

std::optional<DownloadPorts::Reservation> DownloadPorts::Reserve(const std::string& path) {
    if (!reserved_.emplace(DeviceOf(path), path).second) return std::nullopt;
    Notify();
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

DownloadPorts::Subscription DownloadPorts::Subscribe(Listener changed) {
    const std::uint64_t id = nextListener_++;
    listeners_.emplace(id, std::move(changed));
    return Subscription(this, id);
}

void DownloadPorts::Release(const std::string& path) {
    for (auto it = reserved_.begin(); it != reserved_.end(); ++it) {
        if (it->second == path) {
            reserved_.erase(it);
            Notify();
            return;
        }
    }
}

// A listener may end its own or another subscription while being told.
void DownloadPorts::Notify() {
    std::vector<std::uint64_t> ids;
    for (const auto& [id, listener] : listeners_) ids.push_back(id);
    for (const std::uint64_t id : ids) {
        const auto found = listeners_.find(id);
        if (found == listeners_.end()) continue;
        const Listener listener = found->second;
        listener();
    }
}

}  // namespace viz
