#include "platform/PtyPort.h"

#include <cerrno>
#include <cstdlib>

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

namespace viz {

PtyPort::~PtyPort() {
    Close();
}

int PtyPort::Open() {
    Close();
    const int master = ::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (master < 0) return errno;
    char name[64];
    if (::grantpt(master) != 0 || ::unlockpt(master) != 0 || ::ptsname_r(master, name, sizeof name) != 0) {
        const int error = errno;
        ::close(master);
        return error;
    }
    const int slave = ::open(name, O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (slave < 0) {
        const int error = errno;
        ::close(master);
        return error;
    }
    termios line{};
    if (::tcgetattr(slave, &line) == 0) {
        ::cfmakeraw(&line);
        ::tcsetattr(slave, TCSANOW, &line);
    }
    master_ = master;
    heldSlave_ = slave;
    path_ = name;
    return 0;
}

void PtyPort::Close() {
    if (heldSlave_ >= 0) ::close(heldSlave_);
    if (master_ >= 0) ::close(master_);
    heldSlave_ = -1;
    master_ = -1;
    path_.clear();
}

}  // namespace viz
