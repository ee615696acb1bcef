#pragma once

// Arrival and removal of device nodes. The system's device manager is
// reached through HotplugEventSource, so tests can stand in for it; the watch
// waits for its events on a thread of its own and hands each one on.
//
//   HotplugWatch watch(MakeUdevHotplugEvents("tty"), [](const HotplugEvent& e) { ... });  // watch thread
//   // ~HotplugWatch: the thread has ended; no call comes after it.

#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace viz {

struct HotplugEvent {
    enum class Kind { Arrived, Removed };
    Kind kind = Kind::Arrived;
    std::string devicePath;  // "/dev/hidraw3", "/dev/ttyUSB0"
};

class HotplugEventSource {
public:
    virtual ~HotplugEventSource() = default;
    // Readable while events wait.
    virtual int fd() const = 0;
    // The arrivals and removals waiting now, oldest first; never blocks.
    virtual std::vector<HotplugEvent> Take() = 0;
};

using HotplugEventSourceFactory = std::function<std::unique_ptr<HotplugEventSource>()>;

// The device nodes of one kernel subsystem ("hidraw", "tty") as udev
// announces them, after its rules have set the node's owner and access and
// made its links. Null when udev cannot be reached.
std::unique_ptr<HotplugEventSource> MakeUdevHotplugEvents(const char* subsystem);

class HotplugWatch {
public:
    using Handler = std::function<void(const HotplugEvent&)>;

    // Throws std::system_error when no thread or wake-up descriptor can be made.
    HotplugWatch(std::unique_ptr<HotplugEventSource> source, Handler handler);
    ~HotplugWatch();
    HotplugWatch(const HotplugWatch&) = delete;
    HotplugWatch& operator=(const HotplugWatch&) = delete;

private:
    void Run();

    const std::unique_ptr<HotplugEventSource> source_;
    const Handler handler_;
    int stopFd_ = -1;
    std::thread thread_;
};

}  // namespace viz
