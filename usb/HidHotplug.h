#pragma once

// Arrival and removal of HID device nodes. The system's device manager is
// reached through HidEventSource, so tests can stand in for it; the watch
// waits for its events on a thread of its own and hands each one on.
//
//   HidHotplugWatch watch(MakeUdevHidEvents(), [](const HidDeviceEvent& e) { ... });  // watch thread
//   // ~HidHotplugWatch: the thread has ended; no call comes after it.

#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace viz {

struct HidDeviceEvent {
    enum class Kind { Arrived, Removed };
    Kind kind = Kind::Arrived;
    std::string devicePath;  // "/dev/hidraw3"
};

class HidEventSource {
public:
    virtual ~HidEventSource() = default;
    // Readable while events wait.
    virtual int fd() const = 0;
    // The arrivals and removals waiting now, oldest first; never blocks.
    virtual std::vector<HidDeviceEvent> Take() = 0;
};

using HidEventSourceFactory = std::function<std::unique_ptr<HidEventSource>()>;

// hidraw nodes as udev announces them (after its rules have set the node's
// owner and access). Null when udev cannot be reached.
std::unique_ptr<HidEventSource> MakeUdevHidEvents();

class HidHotplugWatch {
public:
    using Handler = std::function<void(const HidDeviceEvent&)>;

    // Throws std::system_error when no thread or wake-up descriptor can be made.
    HidHotplugWatch(std::unique_ptr<HidEventSource> source, Handler handler);
    ~HidHotplugWatch();
    HidHotplugWatch(const HidHotplugWatch&) = delete;
    HidHotplugWatch& operator=(const HidHotplugWatch&) = delete;

private:
    void Run();

    const std::unique_ptr<HidEventSource> source_;
    const Handler handler_;
    int stopFd_ = -1;
    std::thread thread_;
};

}  // namespace viz
