#include "LocalHttpServer.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>

namespace viz::testing {
namespace {

int ListenOnLoopback(std::uint16_t& port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&address), size) != 0 || ::listen(fd, 16) != 0) {
        ::close(fd);
        return -1;
    }
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size);
    port = ntohs(address.sin_port);
    return fd;
}

bool SendAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t sent = ::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
        if (sent <= 0) return false;
        bytes.remove_prefix(static_cast<std::size_t>(sent));
    }
    return true;
}

std::string ReasonOf(int status) {
    return status == 200 ? "OK" : status == 404 ? "Not Found" : "Error";
}

}  // namespace

LocalHttpServer::LocalHttpServer() {
    listener_ = ListenOnLoopback(port_);
    if (::pipe2(stopPipe_, O_CLOEXEC) != 0) stopPipe_[0] = stopPipe_[1] = -1;
    acceptor_ = std::thread([this] { Accept(); });
}

LocalHttpServer::~LocalHttpServer() {
    if (stopPipe_[1] >= 0) (void)!::write(stopPipe_[1], "x", 1);
    acceptor_.join();
    for (std::thread& connection : connections_) connection.join();
    ::close(listener_);
    ::close(stopPipe_[0]);
    ::close(stopPipe_[1]);
}

void LocalHttpServer::Serve(const std::string& path, HttpRoute route) {
    std::lock_guard lock(mutex_);
    routes_[path] = std::move(route);
}

int LocalHttpServer::requests(const std::string& path) const {
    std::lock_guard lock(mutex_);
    const auto found = requestsByPath_.find(path);
    return found == requestsByPath_.end() ? 0 : found->second;
}

std::string LocalHttpServer::base() const {
    return "http://127.0.0.1:" + std::to_string(port_);
}

bool LocalHttpServer::Pause(std::chrono::milliseconds duration) {
    pollfd stop{stopPipe_[0], POLLIN, 0};
    return ::poll(&stop, 1, static_cast<int>(duration.count())) == 0;
}

void LocalHttpServer::Accept() {
    for (;;) {
        pollfd fds[2] = {{listener_, POLLIN, 0}, {stopPipe_[0], POLLIN, 0}};
        if (::poll(fds, 2, -1) < 0 || (fds[1].revents & POLLIN) != 0) return;
        const int fd = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd >= 0) connections_.emplace_back([this, fd] { Answer(fd); });
    }
}

void LocalHttpServer::Answer(int fd) {
    std::string request;
    char buffer[2048];
    while (request.find("\r\n\r\n") == std::string::npos && request.size() < 65536) {
        pollfd fds[2] = {{fd, POLLIN, 0}, {stopPipe_[0], POLLIN, 0}};
        if (::poll(fds, 2, 5000) <= 0 || (fds[1].revents & POLLIN) != 0) break;
        const ssize_t got = ::recv(fd, buffer, sizeof buffer, 0);
        if (got <= 0) break;
        request.append(buffer, static_cast<std::size_t>(got));
    }
    const std::size_t pathStart = request.find(' ');
    const std::size_t pathEnd = request.find(' ', pathStart + 1);
    if (pathStart == std::string::npos || pathEnd == std::string::npos) {
        ::close(fd);
        return;
    }
    ++requests_;
    HttpRoute route{"not here", 404};
    {
        std::lock_guard lock(mutex_);
        const std::string path = request.substr(pathStart + 1, pathEnd - pathStart - 1);
        ++requestsByPath_[path];
        const auto found = routes_.find(path);
        if (found != routes_.end()) route = found->second;
    }
    if (route.silence.count() > 0 && !Pause(route.silence)) {
        ::close(fd);
        return;
    }
    std::string head = "HTTP/1.1 " + std::to_string(route.status) + " " + ReasonOf(route.status) +
                       "\r\nConnection: close\r\n";
    if (route.length == HttpRoute::Length::Exact)
        head += "Content-Length: " + std::to_string(route.body.size()) + "\r\n";
    if (route.length == HttpRoute::Length::Announced)
        head += "Content-Length: " + std::to_string(route.announced) + "\r\n";
    if (!route.lastModified.empty()) head += "Last-Modified: " + route.lastModified + "\r\n";
    head += "\r\n";

    bool whole = SendAll(fd, head);
    const std::size_t block =
        route.blockBytes == 0 ? std::max<std::size_t>(route.body.size(), 1) : route.blockBytes;
    for (std::size_t offset = 0; whole && offset < route.body.size(); offset += block) {
        if (route.blockPause.count() > 0 && !Pause(route.blockPause)) break;
        whole = SendAll(fd, std::string_view(route.body).substr(offset, block));
    }
    if (!whole) ++abandoned_;
    ::shutdown(fd, SHUT_WR);
    ::close(fd);
}

std::string UnreachableBase() {
    std::uint16_t port = 0;
    // A port just released by a listener of ours is free, and refuses.
    const int fd = ListenOnLoopback(port);
    ::close(fd);
    return "http://127.0.0.1:" + std::to_string(port);
}

}  // namespace viz::testing
