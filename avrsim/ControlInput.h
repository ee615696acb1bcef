#pragma once

// The window's commands to the runner, read from the descriptor its
// --control-fd option names (protocol in board/AvrSimProtocol.h).
//
//   ControlInput control(fd);
//   pollfd wait{control.fd(), POLLIN, 0};   // -1 once the window closed its end
//   for (const Line& command : control.Take()) ...

#include <string>
#include <vector>

#include "board/AvrSimProtocol.h"

namespace viz::avrsim {

class ControlInput {
public:
    // -1: no commands come.
    explicit ControlInput(int fd);

    // The descriptor to wait on; -1 once its writer closed it.
    int fd() const { return fd_; }
    // The whole command lines that arrived since the last call, without waiting.
    // Lines that are no command are passed over.
    std::vector<Line> Take();

private:
    int fd_;
    std::string pending_;
};

}  // namespace viz::avrsim
