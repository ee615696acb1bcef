#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace viz::testing {

// What the server answers for one path.
struct HttpRoute {
    enum class Length {
        Exact,      // Content-Length is the body's size
        Absent,     // no Content-Length: the body ends when the connection closes
        Announced,  // Content-Length is `announced`, whatever the body holds
    };

    HttpRoute() = default;
    explicit HttpRoute(std::string bodyBytes, int statusCode = 200)
        : body(std::move(bodyBytes)), status(statusCode) {}

    std::string body;
    int status = 200;
    Length length = Length::Exact;
    std::uint64_t announced = 0;
    std::string lastModified;
    // Send the body in blocks of this size with a pause before each; 0 sends it at once.
    std::size_t blockBytes = 0;
    std::chrono::milliseconds blockPause{0};
    // Accept the request and send nothing for this long (until the server ends).
    std::chrono::milliseconds silence{0};
};

// A small HTTP/1.1 server on 127.0.0.1 for the update tests: one thread per
// connection, every answer closes its connection, unknown paths get 404.
// It counts the requests it received and notices a client that hung up.
class LocalHttpServer {
public:
    LocalHttpServer();
    ~LocalHttpServer();
    LocalHttpServer(const LocalHttpServer&) = delete;
    LocalHttpServer& operator=(const LocalHttpServer&) = delete;

    void Serve(const std::string& path, HttpRoute route);
    // "http://127.0.0.1:PORT"
    std::string base() const;

    int requests() const { return requests_.load(); }
    int requests(const std::string& path) const;
    // Answers whose body the client stopped reading before the end.
    int abandoned() const { return abandoned_.load(); }

private:
    void Accept();
    void Answer(int fd);
    bool Pause(std::chrono::milliseconds duration);

    int listener_ = -1;
    int stopPipe_[2] = {-1, -1};
    std::uint16_t port_ = 0;
    mutable std::mutex mutex_;
    std::map<std::string, HttpRoute> routes_;
    std::map<std::string, int> requestsByPath_;
    std::atomic<int> requests_{0};
    std::atomic<int> abandoned_{0};
    std::vector<std::thread> connections_;
    std::thread acceptor_;
};

// An address on 127.0.0.1 where nothing listens.
std::string UnreachableBase();

}  // namespace viz::testing
