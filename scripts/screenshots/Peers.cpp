#include "Peers.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <stdlib.h>
#include <sys/socket.h>
#include <termios.h>
#include <unistd.h>

#include "platform/DurableFiles.h"

namespace viz::screenshots {
namespace {

sockaddr_in Loopback(int port) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return address;
}

// Binds a socket of `type` to port 0 on 127.0.0.1 and returns the port the
// system chose, or 0.
int FreePort(int type) {
    const int fd = ::socket(AF_INET, type | SOCK_CLOEXEC, 0);
    if (fd < 0) return 0;
    sockaddr_in address = Loopback(0);
    socklen_t length = sizeof address;
    int port = 0;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) == 0) {
        port = ntohs(address.sin_port);
    }
    ::close(fd);
    return port;
}

}  // namespace

Peers::~Peers() {
    for (const int fd : clients_) ::close(fd);
    if (terminal_ >= 0) ::close(terminal_);
}

std::string Peers::OpenBoardTerminal() {
    terminal_ = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (terminal_ < 0 || ::grantpt(terminal_) != 0 || ::unlockpt(terminal_) != 0) return {};
    // Raw on the board's side, so what the page sends is not echoed back.
    termios settings{};
    if (::tcgetattr(terminal_, &settings) == 0) {
        ::cfmakeraw(&settings);
        ::tcsetattr(terminal_, TCSANOW, &settings);
    }
    const char* path = ::ptsname(terminal_);
    return path ? path : std::string();
}

bool Peers::WriteToTerminal(const std::string& bytes) {
    return terminal_ >= 0 && WriteAllBytes(terminal_, bytes);
}

bool Peers::ConnectBoard(int port, const std::string& greeting) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return false;
    clients_.push_back(fd);
    const sockaddr_in address = Loopback(port);
    return ::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0 &&
           WriteAllBytes(fd, greeting);
}

int Peers::FreeTcpPort() {
    return FreePort(SOCK_STREAM);
}

int Peers::FreeUdpPort() {
    return FreePort(SOCK_DGRAM);
}

}  // namespace viz::screenshots
