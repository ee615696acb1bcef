#pragma once

// Which process holds a serial port, so a refused open can name it. Best
// effort from what /proc shows this user, and bounded in time: it runs on
// the window's thread right after the refusal.

#include <chrono>
#include <optional>
#include <string>

namespace viz {

struct PortHolder {
    int pid = 0;
    std::string name;  // the process's command name
};

// A desktop's /proc is read in a few milliseconds; past this the open's
// message just leaves the holder out.
inline constexpr std::chrono::milliseconds kPortHolderSearchLimit{30};

// The process holding `device` with the common advisory lock; failing
// that, a process that has it open (a holder in the kernel's exclusive
// mode refuses the open itself), another process before this one. Nothing
// when the system does not tell within `limit`.
std::optional<PortHolder> FindPortHolder(const std::string& device,
                                         std::chrono::milliseconds limit = kPortHolderSearchLimit);

}  // namespace viz
