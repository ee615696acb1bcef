#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "terminal/Chunk.h"
#include "terminal/LinkWrite.h"
#include "usb/HidDevices.h"
#include "platform/Hotplug.h"
#include "usb/HidOpenResult.h"

namespace viz {

// One row of the device table the USB page fills at a search.
struct HidDeviceRecord {
    std::uint32_t productId = 0;
    std::uint32_t vendorId = 0;
    std::uint32_t version = 0;
    std::u16string product;
};

// What the HID channel reports besides input reports. Called on the
// channel's threads; an implementation hands the news to the page's thread
// and must not call back into the channel from here.
class HidListener {
public:
    virtual ~HidListener() = default;
    // Reader thread: the open device stopped answering (it was unplugged).
    // Reading has stopped; the channel stays open until Close.
    virtual void OnDeviceLost() = 0;
    // Hot-plug thread: a HID device node arrived or went away. Reported from
    // the first successful open until EndNotifications, also while closed.
    virtual void OnDeviceEvent(const HotplugEvent& event) = 0;
};

// Where the channel finds the system. Tests give a sysfs tree of their own,
// an opener that hands out one end of a socket pair, and their own events.
struct HidSystem {
    std::filesystem::path classRoot = "/sys/class/hidraw";
    std::string deviceRoot = "/dev";
    // Opens a device node as open(2) does: a descriptor, or -1 with errno.
    std::function<int(const std::string& path, int flags)> open = OpenDeviceNode;
    HotplugEventSourceFactory events = [] { return MakeUdevHotplugEvents("hidraw"); };

    static int OpenDeviceNode(const std::string& path, int flags);
};

// The USB page's HID device: lists the HID devices present, opens the first
// with a given vendor and product number, reads its input reports on a
// thread of its own into a chunk sink (one chunk per report, data bytes
// only), writes output reports through the send path's write, and passes
// on arrival and removal of HID devices. Open, Close and the listing run
// on the page's thread, Write on the send path's writer thread.
class CHIDUSB {
public:
    static constexpr std::size_t kMaxDevices = 64;
    // Data bytes of one report; on the wire a report-ID byte comes first.
    static constexpr std::size_t kReportData = 64;
    // A report the device does not take within this time fails.
    static constexpr int kWriteLimitMs = 3000;

    explicit CHIDUSB(HidSystem system = {});
    virtual ~CHIDUSB();
    CHIDUSB(const CHIDUSB&) = delete;
    CHIDUSB& operator=(const CHIDUSB&) = delete;

    // At most kMaxDevices records, in the order of the device nodes.
    std::vector<HidDeviceRecord> ListDevices() const;

    // Opens the first device with these numbers for reading and for writing
    // and starts its reader; true when at least one direction opened. An
    // open channel is closed first. The sink and listener must outlive the
    // open device; the listener also hears of arrivals and removals until
    // EndNotifications (the first listener given stays the one told).
    bool Open(ChunkSink& sink, HidListener& listener, std::uint32_t vendorId, std::uint32_t productId);

    // Stops the reader and waits for it; a pushed report is allowed to
    // finish, so a page whose sink may block closes its sink first. A write
    // waiting for the device returns ENOTCONN at once. Safe when closed.
    bool Close();

    // One output report: report ID 0, then the first kReportData bytes of
    // `data` (zero-padded), cut to the device's output report length.
    // Consumes at most one report's data and counts the report's data size.
    // A report the device has not taken within kWriteLimitMs gives ETIMEDOUT.
    WriteStep Write(const std::uint8_t* data, std::size_t size, const WriteWait& wait);

    // Arrivals and removals are no longer reported once this returns.
    void EndNotifications();

    bool IsOpen() const;
    // The device examined during the last open that found one; kept after close.
    const std::string& devicePath() const { return devicePath_; }
    // Built during open: the class line, the device's numbers and path, how
    // each direction opened and whether notifications are registered.
    const std::u16string& information() const { return information_; }
    const HidOpenResult& lastOpen() const { return lastOpen_; }

private:
    struct Device;

    bool OpenDevice(const HidInterface& found, ChunkSink& sink, HidListener& listener);
    void Register(HidListener& listener);
    static void ReadLoop(std::shared_ptr<Device> device, ChunkSink& sink, HidListener& listener);
    std::shared_ptr<Device> Current() const;

    const HidSystem system_;
    std::string devicePath_;
    std::u16string information_;
    HidOpenResult lastOpen_;

    // The open device; writes hold it while they use it.
    mutable std::mutex deviceMutex_;
    std::shared_ptr<Device> device_;
    std::thread reader_;
    std::unique_ptr<HotplugWatch> hotplug_;
};

}  // namespace viz
