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
    for (const int fd : {terminal_, watched_, program_}) {
        if (fd >= 0) ::close(fd);
    }
}

int Peers::OpenRawTerminal(std::string& path) {
    const int fd = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) return -1;
    const char* name = nullptr;
    if (::grantpt(fd) != 0 || ::unlockpt(fd) != 0 || !(name = ::ptsname(fd))) {
        ::close(fd);
        return -1;
    }
    // Raw, so what the other end sends is not echoed back.
    termios settings{};
    if (::tcgetattr(fd, &settings) == 0) {
        ::cfmakeraw(&settings);
        ::tcsetattr(fd, TCSANOW, &settings);
    }
    path = name;
    return fd;
}

std::string Peers::OpenWatchedBoard() {
    std::string path;
    watched_ = OpenRawTerminal(path);
    return watched_ >= 0 ? path : std::string();
}

bool Peers::WatchedBoardWrites(const std::string& bytes) {
    return watched_ >= 0 && WriteAllBytes(watched_, bytes);
}

bool Peers::OpenProgram(const std::string& alias) {
    program_ = ::open(alias.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (program_ < 0) return false;
    termios settings{};
    if (::tcgetattr(program_, &settings) == 0) {
        ::cfmakeraw(&settings);
        ::tcsetattr(program_, TCSANOW, &settings);
    }
    return true;
}

bool Peers::ProgramWrites(const std::string& bytes) {
    return program_ >= 0 && WriteAllBytes(program_, bytes);
}

std::string Peers::ProgramReads() {
    char buffer[256];
    const ssize_t got = program_ >= 0 ? ::read(program_, buffer, sizeof buffer) : -1;
    return got > 0 ? std::string(buffer, static_cast<std::size_t>(got)) : std::string();
}

void Peers::CloseProgram() {
    if (program_ >= 0) ::close(program_);
    program_ = -1;
}

std::string Peers::OpenBoardTerminal() {
    std::string path;
    terminal_ = OpenRawTerminal(path);
    return terminal_ >= 0 ? path : std::string();
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
