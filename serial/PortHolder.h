#pragma once

// Which process holds a serial port, so a refused open can name it. Best
// effort from what /proc shows this user, and bounded in time: it runs on
// the window's thread right after the refusal.

#include <optional>
#include <string>

namespace viz {

struct PortHolder {
    int pid = 0;
    std::string name;  // the process's command name
};

// The process holding `device` with the common advisory lock; failing
// that, a process that has it open (a holder in the kernel's exclusive
// mode refuses the open itself), another process before this one. Nothing
// when the system does not tell within a few tens of milliseconds.
std::optional<PortHolder> FindPortHolder(const std::string& device);

}  // namespace viz
