#include "update/ArchiveDownload.h"

#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>

#include "update/UpdateTexts.h"

namespace viz {
namespace {

namespace t = texts::update;
using Clock = std::chrono::steady_clock;
constexpr int kWorkerNice = 5;

// A fresh file beside `target` that no other download uses.
int CreateTemporaryFile(const std::filesystem::path& target, std::filesystem::path& created) {
    static std::atomic<unsigned> counter{0};
    for (int attempt = 0; attempt < 100; ++attempt) {
        created = target;
        created += ".part-" + std::to_string(::getpid()) + "-" + std::to_string(counter++);
        const int fd = ::open(created.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST) return fd;
    }
    return -1;
}

bool WriteAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t written = ::write(fd, bytes.data(), bytes.size());
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) return false;
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

}  // namespace

DownloadFigures FiguresOf(std::optional<std::uint64_t> total, std::uint64_t received,
                          std::chrono::milliseconds elapsed) {
    DownloadFigures figures;
    figures.receivedKb = received / 1024;
    const auto seconds =
        static_cast<std::uint64_t>((std::max<std::int64_t>(elapsed.count(), 0) + 500) / 1000);
    figures.speedKbPerSecond = seconds == 0 ? 0 : figures.receivedKb / seconds;
    if (total) {
        figures.sizeKb = *total / 1024;
        if (*total > 0) figures.percent = received * 100 / *total;
    }
    return figures;
}

class ArchiveDownload::Receiver : public HttpReceiver {
public:
    Receiver(int fd, DownloadListener& listener, std::chrono::milliseconds interval)
        : fd_(fd), listener_(listener), interval_(interval) {}

    void OnHead(const HttpResponseHead& head) override {
        total_ = head.contentLength;
        start_ = Clock::now();
        listener_.OnStarted(total_, head.lastModified);
    }

    bool OnBody(std::string_view bytes) override {
        if (!WriteAll(fd_, bytes)) {
            writeError_ = errno;
            return false;
        }
        // Count in the blocks the window reports, so the first report is
        // always one block whatever size the network delivered.
        for (std::size_t offset = 0; offset < bytes.size(); offset += kBlockBytes) {
            received_ += std::min(kBlockBytes, bytes.size() - offset);
            const Clock::time_point now = Clock::now();
            if (!reported_ || now - lastReport_ >= interval_) Report(now);
        }
        return true;
    }

    void ReportLast() {
        if (!reported_ || lastReported_ != received_) Report(Clock::now());
    }

    int writeError() const { return writeError_; }

private:
    void Report(Clock::time_point now) {
        reported_ = true;
        lastReport_ = now;
        lastReported_ = received_;
        listener_.OnProgress(
            {total_, received_, std::chrono::duration_cast<std::chrono::milliseconds>(now - start_)});
    }

    const int fd_;
    DownloadListener& listener_;
    const std::chrono::milliseconds interval_;
    std::optional<std::uint64_t> total_;
    Clock::time_point start_ = Clock::now();
    std::uint64_t received_ = 0;
    bool reported_ = false;
    Clock::time_point lastReport_;
    std::uint64_t lastReported_ = 0;
    int writeError_ = 0;
};

ArchiveDownload::ArchiveDownload(std::string url, std::filesystem::path target, DownloadListener& listener,
                                 std::chrono::milliseconds progressInterval)
    : url_(std::move(url)),
      target_(std::move(target)),
      listener_(listener),
      progressInterval_(progressInterval),
      worker_([this] { Work(); }) {}

ArchiveDownload::~ArchiveDownload() {
    Cancel();
}

void ArchiveDownload::Work() {
    // A download is background work: on a busy machine the window's own
    // thread should get the processor first. Failing to lower it is harmless.
    ::setpriority(PRIO_PROCESS, static_cast<id_t>(::gettid()), kWorkerNice);
    std::filesystem::path temporary;
    const int fd = CreateTemporaryFile(target_, temporary);
    if (fd < 0) {
        listener_.OnEnded(DownloadResult::Failed, std::string(t::kCannotCreateFile) + std::strerror(errno));
        return;
    }
    listener_.OnChecking();
    Receiver receiver(fd, listener_, progressInterval_);
    const HttpOutcome outcome = transfer_.Run(url_, HttpLimits{}, receiver);
    const bool closed = ::close(fd) == 0;
    const int closeError = errno;

    std::string error;
    DownloadResult result = DownloadResult::Failed;
    if (outcome.end == HttpEnd::Complete) {
        receiver.ReportLast();
        if (!closed) {
            error = std::string(t::kCannotWriteFile) + std::strerror(closeError);
        } else if (std::rename(temporary.c_str(), target_.c_str()) != 0) {
            error = std::string(t::kCannotSaveArchive) + std::strerror(errno);
        } else {
            result = DownloadResult::Finished;
        }
    } else if (outcome.end == HttpEnd::Cancelled) {
        result = DownloadResult::Cancelled;
    } else if (receiver.writeError() != 0) {
        error = std::string(t::kCannotWriteFile) + std::strerror(receiver.writeError());
    } else {
        error = outcome.error;
    }
    if (result != DownloadResult::Finished) ::unlink(temporary.c_str());
    listener_.OnEnded(result, error);
}

}  // namespace viz
