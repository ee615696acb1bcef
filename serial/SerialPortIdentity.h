#pragma once

// Finding an open serial port again after it went away. The same port is
// the same device, not the same name: a USB adapter that comes back as
// ttyUSB1 instead of ttyUSB0 is found by its /dev/serial/by-id link or its
// USB identity, a port a part of this program offers by its id, and any
// other port by the path it was opened with.
//
//   const SerialPortIdentity who = IdentifySerialPort(path, system, extras);   // right after opening
//   ...the device goes away...
//   const std::string again = FindSerialPort(who, system, extras);   // empty while it is not back

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "base/ExtraSerialPorts.h"
#include "serial/SerialPorts.h"

namespace viz {

// A link as it was when the port was opened: a link made anew since is
// another inode or was changed later.
struct LinkStamp {
    std::uint64_t inode = 0;
    std::int64_t changedNs = 0;
    bool operator==(const LinkStamp&) const = default;
};

struct SerialPortIdentity {
    std::string path;  // as it was opened
    // The node sysfs knows the device by ("/dev/ttyUSB0"), for telling its
    // removal; empty for ports sysfs does not list (pseudo-terminals).
    std::string node;
    std::string extraId;   // the id of an extra port opened by its path
    std::string byIdLink;  // a /dev/serial/by-id link to the device
    std::optional<UsbSerialIdentity> usb;
    // Found again by its path: a link, or a device node without a USB
    // identity. Never a pseudo-terminal opened by its own name: its number
    // goes to the next terminal that is opened, which is another device.
    bool byPath = false;
    // When `path` is a link: its inode and change time, so a stale link to a
    // pseudo-terminal number that was given to someone else is not followed.
    std::optional<LinkStamp> linkStamp;

    // Whether there is any way to tell the device when it comes back.
    bool CanReturn() const { return !extraId.empty() || !byIdLink.empty() || usb.has_value() || byPath; }
};

// Who the port at `path` is; call it while the port is open.
SerialPortIdentity IdentifySerialPort(const std::string& path, const SerialSystem& system,
                                      const std::vector<ExtraSerialPort>& extras);

// Who the port is after it was found again at `path`: as `before`, where
// the port's own paths and nodes are now those at `path`.
SerialPortIdentity IdentifyReopenedSerialPort(const SerialPortIdentity& before, const std::string& path,
                                              const SerialSystem& system,
                                              const std::vector<ExtraSerialPort>& extras);

// The path to open for the identified device now; empty while it is not there.
std::string FindSerialPort(const SerialPortIdentity& identity, const SerialSystem& system,
                           const std::vector<ExtraSerialPort>& extras);

// Whether a node that went away (as udev names it) is the identified device.
bool IsSerialPortRemoval(const SerialPortIdentity& identity, const std::string& removedNode);

}  // namespace viz
