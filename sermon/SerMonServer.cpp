#include "sermon/SerMonServer.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <exception>
#include <new>
#include <system_error>
#include <vector>

namespace viz::sermon {
namespace {

// A client that does not read its answers is not read from either.
constexpr std::size_t kClientOutLimit = 256 * 1024;
// While ports are watched, line settings are compared at least this often.
constexpr int kLineCheckMs = 50;

bool FillAddress(const std::filesystem::path& path, sockaddr_un& address) {
    address = {};
    address.sun_family = AF_UNIX;
    const std::string text = path.string();
    if (text.size() >= sizeof address.sun_path) return false;
    std::memcpy(address.sun_path, text.c_str(), text.size() + 1);
    return true;
}

// The folder holds the socket and the aliases: the user's alone.
int PrepareFolder(const std::filesystem::path& folder) {
    if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) return errno;
    struct stat info {};
    if (::lstat(folder.c_str(), &info) != 0) return errno;
    if (!S_ISDIR(info.st_mode) || info.st_uid != ::getuid()) return EPERM;
    if ((info.st_mode & 077) != 0 && ::chmod(folder.c_str(), 0700) != 0) return errno;
    return 0;
}

bool Answering(const sockaddr_un& address) {
    const int probe = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (probe < 0) return false;
    const bool answered = ::connect(probe, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
    ::close(probe);
    return answered;
}

struct CaughtFailure {
    int error;
    std::string text;
};

// The error code to answer and the text to log for the exception being handled.
CaughtFailure Caught() {
    try {
        throw;
    } catch (const std::bad_alloc&) {
        return {ENOMEM, "out of memory"};
    } catch (const std::system_error& failure) {
        const std::error_code code = failure.code();
        const bool isErrno =
            code.category() == std::generic_category() || code.category() == std::system_category();
        return {isErrno && code.value() > 0 ? code.value() : EIO, failure.what()};
    } catch (const std::exception& failure) {
        return {EIO, failure.what()};
    } catch (...) {
        return {EIO, "unknown failure"};
    }
}

std::string DevicePath(const std::string& name) {
    if (name.empty() || name.front() == '/') return name;
    return "/dev/" + name;
}

}  // namespace

SerMonServer::SerMonServer(std::filesystem::path socketPath) : socketPath_(std::move(socketPath)) {}

SerMonServer::~SerMonServer() {
    watches_.clear();
    for (Client& client : clients_) ::close(client.fd);
    if (listenFd_ >= 0) {
        ::close(listenFd_);
        ::unlink(socketPath_.c_str());
    }
}

int SerMonServer::Listen() {
    sockaddr_un address{};
    if (!FillAddress(socketPath_, address)) return ENAMETOOLONG;
    if (const int error = PrepareFolder(socketPath_.parent_path())) return error;
    if (Answering(address)) return EADDRINUSE;
    // Left behind by a helper that died.
    ::unlink(socketPath_.c_str());
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0) return errno;
    if (::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
        ::chmod(socketPath_.c_str(), 0600) != 0 || ::listen(fd, 16) != 0) {
        const int error = errno;
        ::close(fd);
        return error;
    }
    listenFd_ = fd;
    return 0;
}

void SerMonServer::Run(int stopFd) {
    for (;;) {
        try {
            if (!Round(stopFd)) return;
        } catch (...) {
            // Requests and watches catch their own failures; this is the last
            // line, so that no fault ends every watch of the user at once.
            std::fprintf(stderr, "duvezer-sermon: %s; serving on\n", Caught().text.c_str());
        }
    }
}

bool SerMonServer::Round(int stopFd) {
    std::vector<pollfd> fds;
    std::vector<Client*> polled;
    fds.push_back({stopFd, POLLIN, 0});
    fds.push_back({listenFd_, POLLIN, 0});
    for (auto& [id, watch] : watches_) watch.port->AddPollFds(fds);
    std::size_t at = fds.size();
    for (Client& client : clients_) {
        short events = client.out.size() - client.outStart < kClientOutLimit ? POLLIN : 0;
        if (!client.out.empty()) events |= POLLOUT;
        fds.push_back({client.fd, events, 0});
        polled.push_back(&client);
    }
    if (::poll(fds.data(), fds.size(), watches_.empty() ? -1 : kLineCheckMs) < 0) {
        if (errno == EINTR) return true;
        std::fprintf(stderr, "duvezer-sermon: poll failed: %s\n", std::strerror(errno));
        return false;
    }
    if (fds[0].revents != 0) return false;
    if (fds[1].revents & POLLIN) Accept();

    // Watches before clients: a request may end a watch whose entries are in this round.
    HandleWatches(&fds[2]);
    std::vector<Client*> gone;
    for (Client* client : polled) {
        const short revents = fds[at++].revents;
        const bool ok = (!(revents & (POLLIN | POLLHUP | POLLERR)) || ReadFrom(*client)) &&
                        (!(revents & POLLOUT) || WriteTo(*client));
        if (!ok) gone.push_back(client);
    }
    for (Client* client : gone) Drop(client);
    AnswerPending();
    gone.clear();
    for (Client& client : clients_) {
        if (!client.out.empty() && !WriteTo(client)) gone.push_back(&client);
    }
    for (Client* client : gone) Drop(client);
    return true;
}

void SerMonServer::HandleWatches(const pollfd* fds) {
    std::vector<std::uint32_t> failed;
    for (auto& [id, watch] : watches_) {
        try {
            watch.port->Handle(fds);
        } catch (...) {
            std::fprintf(stderr, "duvezer-sermon: the watch of %s failed: %s; it ends\n",
                         watch.port->device().c_str(), Caught().text.c_str());
            failed.push_back(id);
        }
        fds += SerMonWatch::kPollFds;
    }
    for (const std::uint32_t id : failed) EndWatch(watches_.find(id), EIO);
}

void SerMonServer::Accept() {
    for (;;) {
        const int fd = ::accept4(listenFd_, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (fd < 0) return;
        try {
            clients_.push_back(Client{});
        } catch (...) {
            ::close(fd);
            throw;
        }
        clients_.back().fd = fd;
    }
}

bool SerMonServer::ReadFrom(Client& client) {
    std::uint8_t buffer[16 * 1024];
    const ssize_t count = ::recv(client.fd, buffer, sizeof buffer, 0);
    if (count < 0) return errno == EAGAIN || errno == EINTR;
    if (count == 0) return false;
    client.in.Feed(buffer, static_cast<std::size_t>(count));
    while (std::optional<Frame> request = client.in.Next()) Serve(client, *request);
    return !client.in.broken();
}

bool SerMonServer::WriteTo(Client& client) {
    while (client.outStart < client.out.size()) {
        const ssize_t sent = ::send(client.fd, client.out.data() + client.outStart,
                                    client.out.size() - client.outStart, MSG_NOSIGNAL);
        if (sent < 0) return errno == EAGAIN || errno == EINTR;
        client.outStart += static_cast<std::size_t>(sent);
    }
    client.out.clear();
    client.outStart = 0;
    return true;
}

void SerMonServer::Drop(Client* client) {
    pending_.remove_if([client](const Pending& pending) { return pending.client == client; });
    for (auto watch = watches_.begin(); watch != watches_.end();) {
        const auto next = std::next(watch);
        if (watch->second.owner == client) EndWatch(watch, ECANCELED);
        watch = next;
    }
    ::close(client->fd);
    clients_.remove_if([client](const Client& each) { return &each == client; });
}

void SerMonServer::EndWatch(Watches::iterator watch, std::int32_t status) {
    if (watch == watches_.end()) return;
    std::erase_if(pending_, [&](const Pending& pending) {
        if (pending.watch != watch->first) return false;
        AnswerSize(*pending.client, pending.tag, status);
        return true;
    });
    watches_.erase(watch);
}

void SerMonServer::Serve(Client& client, const Frame& request) {
    try {
        Dispatch(client, request);
    } catch (...) {
        const CaughtFailure failure = Caught();
        std::fprintf(stderr, "duvezer-sermon: request %#x failed: %s\n", request.code, failure.text.c_str());
        Answer(client, request, failure.error);
    }
}

void SerMonServer::Dispatch(Client& client, const Frame& request) {
    switch (request.code) {
        case kStart:
            return Start(client, request);
        case kStop:
            return Stop(client, request);
        case kSize:
            return Size(client, request);
        case kFetch:
            return Fetch(client, request);
        default:
            return Answer(client, request, EINVAL);
    }
}

void SerMonServer::Start(Client& client, const Frame& request) {
    const std::optional<std::string> name = DecodeStartInput(request.body);
    if (!name) return Answer(client, request, EINVAL);
    const std::string device = DevicePath(*name);
    if (device.empty()) {
        std::fprintf(stderr, "duvezer-sermon: no port was named\n");
        return Answer(client, request, ENOENT);
    }
    int error = 0;
    std::string cause;
    std::unique_ptr<SerMonWatch> port = SerMonWatch::Attach(device, FreeAlias(device), error, cause);
    if (!port) {
        std::fprintf(stderr, "duvezer-sermon: cannot watch %s: %s\n", device.c_str(), cause.c_str());
        return Answer(client, request, error);
    }
    const std::uint32_t id = nextWatch_++;
    if (nextWatch_ == 0) nextWatch_ = 1;
    Bytes output = EncodeWatchId(id);
    const std::string alias = port->alias().string();
    output.insert(output.end(), alias.begin(), alias.end());
    watches_[id] = Watch{std::move(port), &client};
    Answer(client, request, 0, output);
}

SerMonServer::Watches::iterator SerMonServer::OwnedWatch(Client& client, const Frame& request) {
    const std::optional<std::uint32_t> id = DecodeWatchId(request.body);
    const auto found = id ? watches_.find(*id) : watches_.end();
    if (found != watches_.end() && found->second.owner == &client) return found;
    Answer(client, request, kNoSuchWatch);
    return watches_.end();
}

void SerMonServer::Stop(Client& client, const Frame& request) {
    const auto found = OwnedWatch(client, request);
    if (found == watches_.end()) return;
    EndWatch(found, ECANCELED);
    Answer(client, request, 0);
}

void SerMonServer::Size(Client& client, const Frame& request) {
    const auto found = OwnedWatch(client, request);
    if (found == watches_.end()) return;
    // Answered by AnswerPending once a record is queued.
    pending_.push_back(Pending{&client, request.tag, found->first});
}

void SerMonServer::Fetch(Client& client, const Frame& request) {
    const auto found = OwnedWatch(client, request);
    if (found == watches_.end()) return;
    RecordQueue& records = found->second.port->records();
    if (records.empty()) return Answer(client, request, found->second.port->lost() ? ENODEV : EAGAIN);
    Answer(client, request, 0, records.Pop());
}

void SerMonServer::Answer(Client& client, const Frame& request, std::int32_t status, const Bytes& output) {
    const Bytes frame = EncodeFrame(request.code, request.tag, status, output);
    client.out.insert(client.out.end(), frame.begin(), frame.end());
}

void SerMonServer::AnswerSize(Client& client, std::uint32_t tag, std::int32_t status, const Bytes& output) {
    Frame request;
    request.code = kSize;
    request.tag = tag;
    Answer(client, request, status, output);
}

void SerMonServer::AnswerPending() {
    std::erase_if(pending_, [&](const Pending& pending) {
        const auto watch = watches_.find(pending.watch);
        if (watch == watches_.end()) {
            AnswerSize(*pending.client, pending.tag, ECANCELED);
            return true;
        }
        SerMonWatch& port = *watch->second.port;
        if (!port.records().empty()) {
            AnswerSize(*pending.client, pending.tag, 0,
                       EncodeWatchId(static_cast<std::uint32_t>(port.records().frontSize())));
            return true;
        }
        if (port.lost()) {
            AnswerSize(*pending.client, pending.tag, ENODEV);
            return true;
        }
        return false;
    });
}

std::filesystem::path SerMonServer::FreeAlias(const std::string& device) const {
    const std::filesystem::path folder = socketPath_.parent_path();
    std::string base =
        device.rfind("/dev/", 0) == 0 ? device.substr(5) : std::filesystem::path(device).filename().string();
    std::replace(base.begin(), base.end(), '/', '_');
    if (base.empty()) base = "port";
    for (int suffix = 1;; ++suffix) {
        const std::string name = suffix == 1 ? base : base + "-" + std::to_string(suffix);
        const std::filesystem::path candidate = folder / name;
        bool taken = candidate == socketPath_;
        for (const auto& [id, watch] : watches_) taken = taken || watch.port->alias() == candidate;
        if (!taken) return candidate;
    }
}

}  // namespace viz::sermon
