#pragma once

#include <optional>
#include <string>

#include "serial/PortHolder.h"

namespace viz {

enum class SerialOpenError {
    None,
    NotFound,          // no such device
    PermissionDenied,  // the user may not open it
    Busy,              // another program holds it
    NotSerial,         // the path is not a tty
    Unsupported,       // the driver refused the rate or framing
    Other,
};

struct SerialOpenResult {
    SerialOpenError error = SerialOpenError::None;
    int systemError = 0;  // errno behind the failure
    std::string device;
    // For PermissionDenied, read from the device: the group that owns it,
    // whether membership would grant access (the group may read and write it
    // and this process is not in it yet), and whether the user is already
    // listed in it although this login session does not carry it.
    std::string group;
    bool joiningGroupHelps = false;
    bool memberNotYetActive = false;
    // For Busy, the process holding the port when the system tells.
    std::optional<PortHolder> holder;

    bool ok() const { return error == SerialOpenError::None; }
};

// Sorts an errno from opening or configuring `device` into a result; for a
// permission failure it looks at the device's owning group, for a busy port
// for the process that holds it.
SerialOpenResult ClassifySerialOpenFailure(const std::string& device, int error);

// The Chinese message for a failed open: its cause and, where there is one,
// the remedy. Empty for a successful result.
std::string SerialOpenFailureText(const SerialOpenResult& result);

// The line for the receive area when the device disappears while open.
std::string SerialDeviceLostText(const std::string& device);

}  // namespace viz
