#include "net/TCPServer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/epoll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <system_error>

#include "net/LinkCore.h"
#include "platform/Descriptors.h"

namespace viz {

namespace {

using Clock = std::chrono::steady_clock;

// How many readiness reports one wait takes, and how many connections one
// report of the listening socket accepts before the clients' data gets its turn.
constexpr int kEventBatch = 256;
constexpr int kAcceptBatch = 64;
// How long accepting rests when the process has no descriptor left.
constexpr std::chrono::milliseconds kAcceptRest{100};

bool AddWatch(int epoll, int fd, void* tag) {
    epoll_event event{};
    event.events = EPOLLIN;
    event.data.ptr = tag;
    return ::epoll_ctl(epoll, EPOLL_CTL_ADD, fd, &event) == 0;
}

}  // namespace

CTCPServer::~CTCPServer() {
    Stop();
}

int CTCPServer::Start(ServerEventSink& sink) {
    Stop();
    listen_ = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, IPPROTO_TCP);
    if (listen_ < 0) {
        lastError_ = errno;
        return kListenFailed;
    }
    lastError_ = BindSourcePort(listen_, localPort_);
    if (lastError_ == 0 && ::listen(listen_, kBacklog) != 0) lastError_ = errno;
    if (lastError_ != 0) {
        CloseDescriptors();
        return kListenFailed;
    }
    epoll_ = ::epoll_create1(EPOLL_CLOEXEC);
    wake_ = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (epoll_ < 0 || wake_ < 0 || !AddWatch(epoll_, listen_, &listen_) || !AddWatch(epoll_, wake_, &wake_)) {
        lastError_ = errno;
        CloseDescriptors();
        return kThreadFailed;
    }
    sink_ = &sink;
    stop_ = false;
    acceptPaused_ = false;
    full_ = false;
    saidFull_ = false;
    const std::size_t taken = OpenDescriptors() + kDescriptorReserve;
    const std::size_t limit = DescriptorLimit();
    clientLimit_ = limit > taken ? limit - taken : 1;
    try {
        thread_ = std::thread([this] { Run(); });
    } catch (const std::system_error& failure) {
        lastError_ = failure.code().value();
        CloseDescriptors();
        return kThreadFailed;
    }
    return kStarted;
}

int CTCPServer::Stop() {
    if (!thread_.joinable()) return kStopped;
    stop_ = true;
    const std::uint64_t one = 1;
    // Cannot fail short of a full counter, which one write never reaches.
    static_cast<void>(::write(wake_, &one, sizeof one));
    thread_.join();
    // The listening socket first, so no client comes in while the others go.
    ::close(listen_);
    listen_ = -1;
    std::vector<std::shared_ptr<CTCPCustom>> clients;
    {
        std::lock_guard lock(clientsMutex_);
        clients.swap(clients_);
    }
    for (const auto& client : clients) client->Close();
    watched_.clear();
    CloseDescriptors();
    return kStopped;
}

void CTCPServer::CloseDescriptors() {
    for (int* fd : {&listen_, &epoll_, &wake_}) {
        if (*fd >= 0) ::close(*fd);
        *fd = -1;
    }
}

std::vector<std::shared_ptr<CTCPCustom>> CTCPServer::Clients() const {
    std::lock_guard lock(clientsMutex_);
    return clients_;
}

std::shared_ptr<CTCPCustom> CTCPServer::ClientAt(std::size_t position) const {
    std::lock_guard lock(clientsMutex_);
    return position < clients_.size() ? clients_[position] : nullptr;
}

void CTCPServer::RemoveClient(const CTCPCustom& client) {
    std::lock_guard lock(clientsMutex_);
    std::erase_if(clients_, [&](const auto& listed) { return listed.get() == &client; });
}

void CTCPServer::Run() {
    epoll_event ready[kEventBatch];
    while (!stop_) {
        const int count = ::epoll_wait(epoll_, ready, kEventBatch, ResumeAcceptTimeout());
        if (count < 0) {
            if (errno == EINTR) continue;
            Emit(ServerEventKind::ServerError, nullptr, errno);
            return;
        }
        for (int i = 0; i < count && !stop_; ++i) {
            void* tag = ready[i].data.ptr;
            if (tag == &wake_) continue;
            if (tag == &listen_) {
                if ((ready[i].events & EPOLLERR) != 0) {
                    int error = 0;
                    socklen_t length = sizeof error;
                    ::getsockopt(listen_, SOL_SOCKET, SO_ERROR, &error, &length);
                    Emit(ServerEventKind::ServerError, nullptr, error);
                    return;
                }
                Accept();
                continue;
            }
            // A client's report: it is watched until End(), which stops the watch.
            const auto found = watched_.find(static_cast<const CTCPCustom*>(tag));
            if (found != watched_.end()) Read(found->second);
        }
    }
}

void CTCPServer::Accept() {
    for (int i = 0; i < kAcceptBatch && !full_; ++i) {
        sockaddr_in peer{};
        socklen_t length = sizeof peer;
        const int fd =
            ::accept4(listen_, reinterpret_cast<sockaddr*>(&peer), &length, SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (fd < 0) {
            switch (errno) {
                case EMFILE:
                case ENFILE:
                case ENOBUFS:
                case ENOMEM:
                    // The connection stays queued; taking it again at once
                    // would only spin.
                    PauseAccept();
                    return;
                case EINTR:
                case ECONNABORTED:
                    continue;
                default:
                    return;
            }
        }
        char text[INET_ADDRSTRLEN] = {};
        ::inet_ntop(AF_INET, &peer.sin_addr, text, sizeof text);
        auto client = std::make_shared<CTCPCustom>(fd, text, ntohs(peer.sin_port));
        if (!AddWatch(epoll_, fd, client.get())) continue;
        watched_.emplace(client.get(), client);
        {
            std::lock_guard lock(clientsMutex_);
            clients_.push_back(client);
        }
        Emit(ServerEventKind::Connected, std::move(client));
        if (watched_.size() >= clientLimit_) BecomeFull();
    }
}

void CTCPServer::BecomeFull() {
    full_ = true;
    WatchListener();
    // Once until it accepts again: taking a waiting client as another leaves is no news.
    if (!saidFull_) sink_->Push(ServerEvent{ServerEventKind::Full, nullptr, {}, 0, clientLimit_});
    saidFull_ = true;
}

void CTCPServer::RoomAfterEnd() {
    if (!full_ || watched_.size() >= clientLimit_) return;
    full_ = false;
    Accept();
    if (full_) return;
    WatchListener();
    if (saidFull_ && !acceptPaused_) {
        saidFull_ = false;
        Emit(ServerEventKind::Accepting, nullptr);
    }
}

void CTCPServer::WatchListener() {
    epoll_event event{};
    event.events = full_ || acceptPaused_ ? 0u : static_cast<std::uint32_t>(EPOLLIN);
    event.data.ptr = &listen_;
    ::epoll_ctl(epoll_, EPOLL_CTL_MOD, listen_, &event);
}

void CTCPServer::Read(const std::shared_ptr<CTCPCustom>& client) {
    std::uint8_t buffer[kReadLimit];
    const ssize_t received = ::recv(client->socket(), buffer, sizeof buffer, MSG_DONTWAIT);
    if (received > 0) {
        ServerEvent event{ServerEventKind::Data, client, Chunk::JustRead({buffer, buffer + received}), 0};
        sink_->Push(std::move(event));
        return;
    }
    if (received < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)) return;
    End(client, received < 0 ? errno : 0);
}

void CTCPServer::End(const std::shared_ptr<CTCPCustom>& client, int readError) {
    // Held here: the watch below was the last owner but one.
    const std::shared_ptr<CTCPCustom> ending = client;
    ::epoll_ctl(epoll_, EPOLL_CTL_DEL, ending->socket(), nullptr);
    watched_.erase(ending.get());
    RemoveClient(*ending);
    ending->Close();
    // A client closed by a failed write ends here too, with that write's error.
    const int error = readError != 0 ? readError : ending->sendError();
    if (error != 0) Emit(ServerEventKind::ClientError, ending, error);
    Emit(ServerEventKind::Closed, ending);
    RoomAfterEnd();
}

void CTCPServer::Emit(ServerEventKind kind, std::shared_ptr<CTCPCustom> client, int error) {
    sink_->Push(ServerEvent{kind, std::move(client), {}, error});
}

void CTCPServer::PauseAccept() {
    acceptPaused_ = true;
    acceptResumes_ = Clock::now() + kAcceptRest;
    WatchListener();
}

int CTCPServer::ResumeAcceptTimeout() {
    if (!acceptPaused_) return -1;
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(acceptResumes_ - Clock::now()).count();
    if (left > 0) return static_cast<int>(left);
    acceptPaused_ = false;
    WatchListener();
    return -1;
}

}  // namespace viz
