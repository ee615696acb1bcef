#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <thread>

#include "platform/DurableFiles.h"
#include "update/HttpTransfer.h"

namespace viz {

// What the downloader window shows for a moment of a download.
struct DownloadFigures {
    std::optional<std::uint64_t> sizeKb;  // none when the server gave no size
    std::uint64_t receivedKb = 0;
    std::uint64_t speedKbPerSecond = 0;
    std::optional<std::uint64_t> percent;  // none when the server gave no size
};

// Sizes in whole KB, truncated; speed is KB over the elapsed time rounded to
// whole seconds (0 within the first half second); percent of the size.
DownloadFigures FiguresOf(std::optional<std::uint64_t> total, std::uint64_t received,
                          std::chrono::milliseconds elapsed);

struct DownloadProgress {
    std::optional<std::uint64_t> total;
    std::uint64_t received = 0;
    std::chrono::milliseconds elapsed{0};
};

enum class DownloadResult { Finished, Cancelled, Failed };

struct DownloadOptions {
    // Besides the first and the last, at most one progress report per interval.
    std::chrono::milliseconds progressInterval{50};
    // Receiving less than this rate for the whole window (a server that went
    // silent or trickles) ends the download as failed.
    std::chrono::seconds lowSpeedWindow{30};
    std::uint32_t lowSpeedBytesPerSecond = 1024;
};

// Reports of one download, called on its worker thread in this order:
// OnChecking, OnStarted (once the server answered), OnProgress (any number
// of times), OnEnded (always, exactly once).
class DownloadListener {
public:
    virtual ~DownloadListener() = default;
    virtual void OnChecking() = 0;
    virtual void OnStarted(std::optional<std::uint64_t> total, const std::string& lastModified) = 0;
    virtual void OnProgress(const DownloadProgress& progress) = 0;
    virtual void OnEnded(DownloadResult result, const std::string& error) = 0;
};

// Downloads `url` on a thread of its own into a temporary file beside
// `target` ("<target>.part-<pid>-<n>"), which is synced to disk and then
// replaces `target` only once the whole body arrived; a cancelled or failed
// download removes the temporary file and leaves `target` as it was.
// Progress is counted in 1024-byte blocks: the first block is always
// reported, then at most one report per interval, and the last before
// OnEnded. After each download the temporary files of ended processes go.
class ArchiveDownload {
public:
    static constexpr std::size_t kBlockBytes = 1024;

    ArchiveDownload(std::string url, std::filesystem::path target, DownloadListener& listener,
                    DownloadOptions options = {});
    // Cancels and waits for the worker, which ends at once.
    ~ArchiveDownload();
    ArchiveDownload(const ArchiveDownload&) = delete;
    ArchiveDownload& operator=(const ArchiveDownload&) = delete;

    // Thread-safe; the download ends as Cancelled without writing more.
    void Cancel() { transfer_.Cancel(); }

    // Removes the temporary files beside `target` that downloads of processes
    // no longer running left behind (killed before they could).
    static void RemoveLeftovers(const std::filesystem::path& target, OwnFiles own);

private:
    class Receiver;
    void Work();

    const std::string url_;
    const std::filesystem::path target_;
    DownloadListener& listener_;
    const DownloadOptions options_;
    HttpTransfer transfer_;
    std::jthread worker_;
};

}  // namespace viz
