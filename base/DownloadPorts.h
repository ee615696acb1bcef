#pragma once

// Serial ports a download tool is using right now. The download window
// reserves its port for the tool's run; whoever would open a port (the
// serial page, the monitor page, reconnecting, the command line) asks first
// and tells the user kPortDownloading instead of opening it.
//
//   std::optional<DownloadPorts::Reservation> held = context.downloadPorts().Reserve("/dev/ttyUSB0");
//   if (!held) ...;                                    // another download has it
//   context.downloadPorts().IsReserved("/dev/ttyUSB0");  // true until `held` goes
//
// Used on the UI thread only; listeners are called there, within Reserve
// and when a reservation ends.

#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "base/Listeners.h"

namespace viz {

inline constexpr char kPortDownloading[] = "该串口正在下载程序，请稍候";

class DownloadPorts {
public:
    using Listener = Listeners::Listener;
    using Subscription = viz::Subscription;

    // Holds a port until destroyed.
    class Reservation {
    public:
        Reservation(Reservation&& other) noexcept;
        Reservation& operator=(Reservation&& other) noexcept;
        ~Reservation();
        const std::string& path() const { return path_; }

    private:
        friend class DownloadPorts;
        Reservation(DownloadPorts* ports, std::string path) : ports_(ports), path_(std::move(path)) {}
        void Release();

        DownloadPorts* ports_ = nullptr;
        std::string path_;
    };

    // Nothing when the port (by any of its names: a by-id link and its
    // ttyUSB node are one port) is reserved already.
    [[nodiscard]] std::optional<Reservation> Reserve(const std::string& path);
    bool IsReserved(const std::string& path) const;
    // The reserved ports, as they were reserved.
    std::vector<std::string> paths() const;

    // `changed` is called after every reservation and release until the
    // subscription ends; the registry must outlive its subscriptions and
    // reservations.
    [[nodiscard]] Subscription Subscribe(Listener changed) {
        return listeners_.Subscribe(std::move(changed));
    }

private:
    void Release(const std::string& path);

    // The path given, by the device it names.
    std::map<std::string, std::string> reserved_;
    Listeners listeners_;
};

}  // namespace viz
