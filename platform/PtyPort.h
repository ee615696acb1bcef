#pragma once

// The serial port of a simulated board: a pseudo-terminal whose slave the
// serial page opens like any port and whose master the simulator side reads
// and writes. The slave is also held open here, so the master never sees a
// hang-up (which would wake poll() for ever) while no page has the port open;
// closing the port ends the master and with it the page's open slave, which
// then sees the board go away like an unplugged device.

#include <string>

namespace viz {

class PtyPort {
public:
    PtyPort() = default;
    ~PtyPort();
    PtyPort(const PtyPort&) = delete;
    PtyPort& operator=(const PtyPort&) = delete;

    // 0 or errno. The line is raw, 8 bits, no echo; the master is non-blocking.
    int Open();
    void Close();

    bool isOpen() const { return master_ >= 0; }
    int master() const { return master_; }
    // "/dev/pts/N"
    const std::string& path() const { return path_; }

private:
    int master_ = -1;
    int heldSlave_ = -1;
    std::string path_;
};

}  // namespace viz
