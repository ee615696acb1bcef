#pragma once

// The serial page's port as it opens, goes away and comes back, without
// widgets: the page tells it what happened and shows the state it is in.
//
//   SerialReconnect port(system);
//   port.Opened(config, extras);                       // the user opened the port
//   if (port.Lost(autoReconnectOn) == SerialReconnect::Loss::Waiting) retryTimer.start();
//   if (std::optional<std::string> path = port.Retry(extras, openWith)) { ...open again at *path... }
//   port.Close();                                       // the user closed it, or stopped waiting
//   port.HandOver();                                    // a download tool takes the port for a while
//
// While it waits, the same device (SerialPortIdentity) is looked for on each
// Retry and opened with the line settings it had; a device that is back but
// cannot be opened yet is tried again on the next Retry. A port a download
// tool has reserved (`reserved`) is never opened: Retry waits until it is free.
// A port handed over to a download tool is reopened at the path it had.

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "base/ExtraSerialPorts.h"
#include "serial/SerialPortConfig.h"
#include "serial/SerialPortIdentity.h"
#include "serial/SerialPorts.h"

namespace viz {

class SerialReconnect {
public:
    enum class State { Closed, Open, Waiting };
    // What a loss of the port came to.
    enum class Loss {
        NotOpen,  // nothing was open: late news of a port already closed
        Closed,   // the user wants no reconnect, or the device could not be told again
        Waiting,  // waited for
    };
    // Opens the channel with `config`; false when it cannot (yet).
    using OpenFn = std::function<bool(const SerialPortConfig& config)>;
    // Whether a download tool holds the port at `path` now.
    using ReservedFn = std::function<bool(const std::string& path)>;

    explicit SerialReconnect(SerialSystem system, ReservedFn reserved = {})
        : system_(std::move(system)), reserved_(std::move(reserved)) {}

    State state() const { return state_; }
    // The line settings of the open (or awaited) port; `device` is where it was last opened.
    const SerialPortConfig& lineConfig() const { return config_; }

    // The port was opened with `config`: who it is is taken now, while it is open.
    void Opened(const SerialPortConfig& config, const std::vector<ExtraSerialPort>& extras);
    Loss Lost(bool autoReconnect);
    // Whether a device node udev reports removed is the open port.
    bool IsRemovalOfOpenPort(const std::string& removedNode) const;
    // While waiting: the path the device was opened at again, or nothing while
    // it is not back or `open` refuses it.
    std::optional<std::string> Retry(const std::vector<ExtraSerialPort>& extras, const OpenFn& open);
    // The open port was closed for a download tool: waited for, with its
    // settings, until Retry finds it free again. False when nothing was open.
    bool HandOver();
    // Waiting for a port handed over to a download tool.
    bool handedOver() const { return state_ == State::Waiting && handedOver_; }
    // Closed by the user; also ends a wait.
    void Close() {
        state_ = State::Closed;
        handedOver_ = false;
    }

private:
    const SerialSystem system_;
    const ReservedFn reserved_;
    bool handedOver_ = false;
    State state_ = State::Closed;
    SerialPortConfig config_;
    SerialPortIdentity identity_;
};

}  // namespace viz
