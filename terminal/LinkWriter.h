#pragma once

// The writer of one link: sends are queued here and return at once; a
// thread of the writer's own writes them through the channel as fast as the
// link takes data, and the page collects what happened (bytes counted,
// file progress, finished sends) on its own thread when woken.
//
//   LinkWriter writer({.write = channelWrite, .wake = [&] { post a collect to the UI thread; }});
//   writer.Queue({.bytes = typed}, LinkWriter::Admit::Always);
//   writer.Queue({.file = file, .blockSize = 1024}, LinkWriter::Admit::Always);
//   // UI thread, when woken:
//   SendReport report = writer.Take();
//   // closing the link: what is queued or being written ends now
//   writer.Cancel(SendEnd::LinkClosed);
//
// The memory a stalled link can hold is bounded: typed data waiting is at
// most Limits::queuedBytes, and at most one file is queued or being sent.

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "terminal/LinkWrite.h"
#include "terminal/FileSource.h"
#include "terminal/TextCodec.h"

namespace viz {

enum class SendEnd {
    Done,
    Cancelled,      // the user cancelled it
    LinkClosed,     // the link was closed (button, peer)
    DeviceRemoved,  // the device went away
    WriteFailed,    // the system refused a write; `error` says why
    ReadFailed,     // the file could not be read on; `error` 0: it became shorter
};

struct SendJob {
    Bytes bytes{};                             // typed data, or
    std::shared_ptr<const FileSource> file{};  // a file, read and written in blocks
    std::size_t blockSize = 1024;
    bool counted = true;   // adds to the page's sent total
    bool recorded = true;  // typed data: an S record for the monitor
};

struct SendResult {
    std::uint64_t job = 0;
    bool file = false;
    bool recorded = false;
    SendEnd end = SendEnd::Done;
    int error = 0;
    // Input bytes the link took; for a file that ended with its link, less
    // what the link says never reached the peer.
    std::uint64_t done = 0;
    std::uint64_t total = 0;  // input bytes of the send
    // Typed data as written: the bytes the link took, padded to what it
    // counted (a report link writes whole reports).
    Bytes written;
};

struct SendReport {
    // To add to the sent total since the last report; less than 0 when a
    // file send that ended with its link took back what never reached the peer.
    std::int64_t counted = 0;
    struct FileProgress {
        std::uint64_t job = 0;
        std::uint64_t done = 0;
        std::uint64_t total = 0;
    };
    // The file being sent, while one is.
    std::optional<FileProgress> file;
    // Sends that ended since the last report, in order.
    std::vector<SendResult> finished;
    // A send has waited the stall limit without the link taking a byte
    // (said once per send).
    bool stalled = false;
};

class LinkWriter {
public:
    struct Limits {
        std::size_t queuedBytes = 1 << 20;
        std::chrono::milliseconds stallLimit{10000};
        // How long one write may wait before the writer looks at the clock.
        int waitSliceMs = 250;
    };
    struct Config {
        LinkWriteFn write;
        UndeliveredFn undelivered{};
        // Called on the writer's thread at most once per Take(); must not block.
        std::function<void()> wake;
        Limits limits{};
    };

    explicit LinkWriter(Config config);
    // Ends every send as LinkClosed and waits for the thread.
    ~LinkWriter();
    LinkWriter(const LinkWriter&) = delete;
    LinkWriter& operator=(const LinkWriter&) = delete;

    enum class Admit {
        Always,  // queued unless the bound is reached
        IfIdle,  // only when nothing is queued or being written (timer ticks)
    };
    // The send's number, or 0 when it was refused.
    std::uint64_t Queue(SendJob job, Admit admit);

    // Every send queued or being written ends with `why`, at once; the link
    // is not written again by them.
    void Cancel(SendEnd why);

    bool idle() const;
    bool sendingFile() const;

    SendReport Take();

private:
    struct Entry {
        std::uint64_t id;
        SendJob job;
    };
    struct Outcome {
        SendEnd end = SendEnd::Done;
        int error = 0;
        std::uint64_t done = 0;
        std::uint64_t counted = 0;
    };

    void Run();
    Outcome Write(const Entry& entry);
    Outcome WriteFile(const Entry& entry);
    // Writes all of [data, data + size) unless the send ends; adds the
    // link's counted size to `counted`.
    Outcome WriteAll(const Entry& entry, const std::uint8_t* data, std::size_t size);
    bool Cancelled(std::uint64_t id, SendEnd& why) const;
    void Finish(const Entry& entry, Outcome outcome);
    void Wake();
    // Writer thread only: what was written since it last told the page,
    // told now.
    void WakeForProgress();
    void Publish();

    const Config config_;
    const int cancelFd_;

    mutable std::mutex mutex_;
    std::condition_variable queued_;
    std::deque<Entry> queue_;
    std::size_t queuedBytes_ = 0;
    std::uint64_t lastId_ = 0;
    std::uint64_t writing_ = 0;
    bool writingFile_ = false;
    std::uint64_t cancelUpTo_ = 0;
    SendEnd cancelWhy_ = SendEnd::Cancelled;
    std::vector<SendResult> finished_;
    bool stop_ = false;

    std::atomic<std::int64_t> counted_{0};
    std::atomic<std::uint64_t> fileJob_{0};
    std::atomic<std::uint64_t> fileDone_{0};
    std::atomic<std::uint64_t> fileTotal_{0};
    std::atomic<bool> stalled_{false};
    std::atomic<bool> wakePending_{false};
    // Writer thread only: whether the link took something since the last
    // wait for room, since when it has taken nothing, whether that was said.
    bool progressed_ = true;
    std::chrono::steady_clock::time_point waitingSince_{};
    bool stallSaid_ = false;
    std::chrono::nanoseconds lastProgressWake_{0};
    std::uint64_t unpublishedCounted_ = 0;
    std::uint64_t unpublishedFileDone_ = 0;

    std::thread thread_;
};

}  // namespace viz
