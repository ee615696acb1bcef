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

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace viz {

inline constexpr char kPortDownloading[] = "该串口正在下载程序，请稍候";

class DownloadPorts {
public:
    using Listener = std::function<void()>;

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

    // Ends a subscription when destroyed.
    class Subscription {
    public:
        Subscription() = default;
        Subscription(Subscription&& other) noexcept;
        Subscription& operator=(Subscription&& other) noexcept;
        ~Subscription();

    private:
        friend class DownloadPorts;
        Subscription(DownloadPorts* ports, std::uint64_t id) : ports_(ports), id_(id) {}

        DownloadPorts* ports_ = nullptr;
        std::uint64_t id_ = 0;
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
    [[nodiscard]] Subscription Subscribe(Listener changed);

private:
    void Release(const std::string& path);
    void Notify();

    // The path given, by the device it names.
    std::map<std::string, std::string> reserved_;
    std::map<std::uint64_t, Listener> listeners_;
    std::uint64_t nextListener_ = 1;
};

}  // namespace viz
