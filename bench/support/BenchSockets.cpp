#include "BenchSockets.h"

#include "BenchPty.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <thread>
#include <vector>

namespace bench {
namespace {

sockaddr_in Loopback(int port) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return address;
}

}  // namespace

int ListenOnLoopback(int& port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address = Loopback(0);
    ::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address);
    ::listen(fd, 4);
    socklen_t length = sizeof address;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
    port = ntohs(address.sin_port);
    return fd;
}

int ConnectTo(int port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const sockaddr_in address = Loopback(port);
    ::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address);
    return fd;
}

void SendAll(int fd, std::size_t total, std::size_t block) {
    std::vector<std::uint8_t> data(block + 251);
    for (std::size_t i = 0; i < data.size(); ++i) data[i] = PatternByte(i);
    for (std::size_t done = 0; done < total;) {
        const ssize_t sent = ::send(fd, data.data() + done % 251, std::min(block, total - done), MSG_NOSIGNAL);
        if (sent <= 0) return;
        done += static_cast<std::size_t>(sent);
    }
}

std::size_t ReceiveAll(int fd, std::size_t limit) {
    std::vector<char> buffer(256 * 1024);
    std::size_t total = 0;
    while (total < limit) {
        const ssize_t got = ::recv(fd, buffer.data(), buffer.size(), 0);
        if (got <= 0) break;
        total += static_cast<std::size_t>(got);
    }
    return total;
}

double RawLoopbackSeconds(std::size_t total, std::size_t block, bool checked) {
    int port = 0;
    const int listening = ListenOnLoopback(port);
    const int writer = ConnectTo(port);
    const int reader = ::accept(listening, nullptr, nullptr);
    const auto start = std::chrono::steady_clock::now();
    std::thread read([&] {
        if (checked) {
            ReadPattern(reader, total, 64 * 1024);
        } else {
            ReceiveAll(reader, total);
        }
    });
    SendAll(writer, total, block);
    read.join();
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    ::close(writer);
    ::close(reader);
    ::close(listening);
    return seconds;
}

}  // namespace bench
