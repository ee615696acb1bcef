// The arrivals and removals of one subsystem's nodes that udev announces.
#include <libudev.h>

#include <cstring>

#include "platform/Hotplug.h"

namespace viz {
namespace {

class UdevHotplugEvents : public HotplugEventSource {
public:
    UdevHotplugEvents(udev* context, udev_monitor* monitor) : context_(context), monitor_(monitor) {}
    ~UdevHotplugEvents() override {
        udev_monitor_unref(monitor_);
        udev_unref(context_);
    }
    UdevHotplugEvents(const UdevHotplugEvents&) = delete;
    UdevHotplugEvents& operator=(const UdevHotplugEvents&) = delete;

    int fd() const override { return udev_monitor_get_fd(monitor_); }

    std::vector<HotplugEvent> Take() override {
        std::vector<HotplugEvent> events;
        // The monitor's socket does not block: null means nothing is left.
        while (udev_device* device = udev_monitor_receive_device(monitor_)) {
            const char* action = udev_device_get_action(device);
            const char* node = udev_device_get_devnode(device);
            if (action && node) {
                if (std::strcmp(action, "add") == 0) events.push_back({HotplugEvent::Kind::Arrived, node});
                if (std::strcmp(action, "remove") == 0) events.push_back({HotplugEvent::Kind::Removed, node});
            }
            udev_device_unref(device);
        }
        return events;
    }

private:
    udev* const context_;
    udev_monitor* const monitor_;
};

}  // namespace

std::unique_ptr<HotplugEventSource> MakeUdevHotplugEvents(const char* subsystem) {
    udev* context = udev_new();
    if (!context) return nullptr;
    udev_monitor* monitor = udev_monitor_new_from_netlink(context, "udev");
    if (!monitor || udev_monitor_filter_add_match_subsystem_devtype(monitor, subsystem, nullptr) < 0 ||
        udev_monitor_enable_receiving(monitor) < 0 || udev_monitor_get_fd(monitor) < 0) {
        if (monitor) udev_monitor_unref(monitor);
        udev_unref(context);
        return nullptr;
    }
    return std::make_unique<UdevHotplugEvents>(context, monitor);
}

}  // namespace viz
