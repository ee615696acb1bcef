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

constexpr char kPartInfix[] = ".part-";

TemporaryNames PartNames(const std::filesystem::path& target) {
    return {target.filename().string() + kPartInfix, true};
}

// A fresh file beside `target` that no other download uses.
int CreateTemporaryFile(const std::filesystem::path& target, std::filesystem::path& created) {
    static std::atomic<unsigned> counter{0};
    for (int attempt = 0; attempt < 100; ++attempt) {
        created = target;
        created += kPartInfix + std::to_string(::getpid()) + "-" + std::to_string(counter++);
        const int fd = ::open(created.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST) return fd;
    }
    return -1;
}

std::string WithReason(const char* lead, int error) {
    return std::string(lead) + std::strerror(error);
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
        if (!WriteAllBytes(fd_, bytes)) {
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
                                 DownloadOptions options)
    : url_(std::move(url)),
      target_(std::move(target)),
      listener_(listener),
      options_(options),
      worker_([this] { Work(); }) {}

ArchiveDownload::~ArchiveDownload() {
    Cancel();
}

void ArchiveDownload::RemoveLeftovers(const std::filesystem::path& target, OwnFiles own) {
    RemoveFilesOfEndedProcesses(FolderOf(target), PartNames(target), own);
}

void ArchiveDownload::Work() {
    // A download is background work: on a busy machine the window's own
    // thread should get the processor first. Failing to lower it is harmless.
    ::setpriority(PRIO_PROCESS, static_cast<id_t>(::gettid()), kWorkerNice);
    std::filesystem::path temporary;
    const int fd = CreateTemporaryFile(target_, temporary);
    if (fd < 0) {
        listener_.OnEnded(DownloadResult::Failed, WithReason(t::kCannotCreateFile, errno));
        return;
    }
    listener_.OnChecking();
    Receiver receiver(fd, listener_, options_.progressInterval);
    HttpLimits limits;
    limits.lowSpeedTime = options_.lowSpeedWindow;
    limits.lowSpeedBytesPerSecond = options_.lowSpeedBytesPerSecond;
    const HttpOutcome outcome = transfer_.Run(url_, limits, receiver);
    if (outcome.end == HttpEnd::Complete) receiver.ReportLast();
    // A whole archive is on disk before it takes the archive's name.
    int fileError = outcome.end == HttpEnd::Complete && ::fsync(fd) != 0 ? errno : 0;
    if (::close(fd) != 0 && fileError == 0) fileError = errno;

    std::string error;
    DownloadResult result = DownloadResult::Failed;
    if (outcome.end == HttpEnd::Complete) {
        if (fileError != 0) {
            error = WithReason(t::kCannotWriteFile, fileError);
        } else if (std::rename(temporary.c_str(), target_.c_str()) != 0 || !SyncFolder(FolderOf(target_))) {
            // The name on disk, too, before the download says it is finished.
            error = WithReason(t::kCannotSaveArchive, errno);
        } else {
            result = DownloadResult::Finished;
        }
    } else if (outcome.end == HttpEnd::Cancelled) {
        result = DownloadResult::Cancelled;
    } else if (receiver.writeError() != 0) {
        error = WithReason(t::kCannotWriteFile, receiver.writeError());
    } else {
        error = outcome.error;
    }
    if (result != DownloadResult::Finished) ::unlink(temporary.c_str());
    RemoveLeftovers(target_, OwnFiles::Keep);
    listener_.OnEnded(result, error);
}

}  // namespace viz
