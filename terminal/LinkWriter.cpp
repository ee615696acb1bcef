#include "terminal/LinkWriter.h"

#include <sys/eventfd.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <utility>

namespace viz {
namespace {

using Clock = std::chrono::steady_clock;

// File data is read in pieces of about this size and written block by block.
constexpr std::size_t kReadSize = 64 * 1024;
constexpr std::chrono::milliseconds kProgressWakeInterval{40};

// Why a send ends when a write fails: the one place a channel's errno
// becomes the reason the user reads.
SendEnd EndOfFailedWrite(int error) {
    switch (error) {
        case ENOTCONN:
        case EPIPE:
        case ECONNRESET:
        case ECONNABORTED:
            // Closed here, or closed or reset by the peer.
            return SendEnd::LinkClosed;
        case ENODEV:
            return SendEnd::DeviceRemoved;
        default:
            return SendEnd::WriteFailed;
    }
}

bool EndsWithTheLink(SendEnd end) {
    return end == SendEnd::LinkClosed || end == SendEnd::DeviceRemoved || end == SendEnd::WriteFailed;
}

}  // namespace

LinkWriter::LinkWriter(Config config)
    : config_(std::move(config)), cancelFd_(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {
    thread_ = std::thread([this] { Run(); });
}

LinkWriter::~LinkWriter() {
    Cancel(SendEnd::LinkClosed);
    {
        std::lock_guard lock(mutex_);
        stop_ = true;
    }
    queued_.notify_all();
    thread_.join();
    if (cancelFd_ >= 0) ::close(cancelFd_);
}

std::uint64_t LinkWriter::Queue(SendJob job, Admit admit) {
    const bool isFile = job.file != nullptr;
    const std::size_t bytes = isFile ? 0 : job.bytes.size();
    std::uint64_t id = 0;
    {
        std::lock_guard lock(mutex_);
        const bool busy = writing_ != 0 || !queue_.empty();
        if (stop_ || (admit == Admit::IfIdle && busy)) return 0;
        if (isFile && (writingFile_ || std::any_of(queue_.begin(), queue_.end(),
                                                   [](const Entry& e) { return e.job.file != nullptr; }))) {
            return 0;
        }
        // One send larger than the bound is still taken when nothing waits.
        if (!isFile && queuedBytes_ > 0 && queuedBytes_ + bytes > config_.limits.queuedBytes) return 0;
        id = ++lastId_;
        queuedBytes_ += bytes;
        queue_.push_back({id, std::move(job)});
    }
    queued_.notify_one();
    return id;
}

void LinkWriter::Cancel(SendEnd why) {
    bool ended = false;
    {
        std::lock_guard lock(mutex_);
        for (const Entry& entry : queue_) {
            finished_.push_back({entry.id,
                                 entry.job.file != nullptr,
                                 entry.job.recorded,
                                 why,
                                 0,
                                 0,
                                 entry.job.file ? entry.job.file->size() : entry.job.bytes.size(),
                                 {}});
            ended = true;
        }
        queue_.clear();
        queuedBytes_ = 0;
        cancelWhy_ = why;
        cancelUpTo_ = lastId_;
        if (writing_ != 0) {
            const std::uint64_t one = 1;
            // Cannot fail short of a full counter, which one write never reaches.
            static_cast<void>(::write(cancelFd_, &one, sizeof one));
        }
    }
    if (ended) Wake();
}

bool LinkWriter::idle() const {
    std::lock_guard lock(mutex_);
    return writing_ == 0 && queue_.empty();
}

bool LinkWriter::sendingFile() const {
    std::lock_guard lock(mutex_);
    return writingFile_;
}

SendReport LinkWriter::Take() {
    // Cleared first, so whatever happens from here on wakes the page again.
    wakePending_.store(false);
    SendReport report;
    report.counted = counted_.exchange(0);
    report.stalled = stalled_.exchange(false);
    std::lock_guard lock(mutex_);
    report.finished.swap(finished_);
    if (const std::uint64_t job = fileJob_.load(); job != 0) {
        report.file = SendReport::FileProgress{job, fileDone_.load(), fileTotal_.load()};
    }
    return report;
}

void LinkWriter::Run() {
    for (;;) {
        Entry entry;
        {
            std::unique_lock lock(mutex_);
            queued_.wait(lock, [this] { return stop_ || !queue_.empty(); });
            if (queue_.empty()) return;
            entry = std::move(queue_.front());
            queue_.pop_front();
            if (!entry.job.file) queuedBytes_ -= entry.job.bytes.size();
            writing_ = entry.id;
            writingFile_ = entry.job.file != nullptr;
            // A cancel meant for earlier sends is over.
            std::uint64_t drained = 0;
            static_cast<void>(::read(cancelFd_, &drained, sizeof drained));
            if (entry.job.file) {
                fileDone_.store(0);
                fileTotal_.store(entry.job.file->size());
                fileJob_.store(entry.id);
            }
        }
        progressed_ = true;
        stallSaid_ = false;
        Finish(entry, entry.job.file ? WriteFile(entry) : Write(entry));
    }
}

bool LinkWriter::Cancelled(std::uint64_t id, SendEnd& why) const {
    std::lock_guard lock(mutex_);
    if (id > cancelUpTo_) return false;
    why = cancelWhy_;
    return true;
}

LinkWriter::Outcome LinkWriter::Write(const Entry& entry) {
    return WriteAll(entry, entry.job.bytes.data(), entry.job.bytes.size());
}

LinkWriter::Outcome LinkWriter::WriteFile(const Entry& entry) {
    const FileSource& file = *entry.job.file;
    const std::size_t block = std::max<std::size_t>(entry.job.blockSize, 1);
    std::vector<std::uint8_t> buffer(std::max(block, kReadSize / block * block));
    Outcome outcome;
    while (outcome.done < file.size()) {
        if (Cancelled(entry.id, outcome.end)) return outcome;
        const auto want =
            static_cast<std::size_t>(std::min<std::uint64_t>(buffer.size(), file.size() - outcome.done));
        const long long got = file.ReadAt(outcome.done, buffer.data(), want);
        if (got <= 0) {
            outcome.end = SendEnd::ReadFailed;
            outcome.error = got < 0 ? errno : 0;
            return outcome;
        }
        for (std::size_t at = 0; at < static_cast<std::size_t>(got); at += block) {
            const std::size_t size = std::min(block, static_cast<std::size_t>(got) - at);
            const Outcome written = WriteAll(entry, buffer.data() + at, size);
            outcome.done += written.done;
            if (written.end != SendEnd::Done) {
                outcome.end = written.end;
                outcome.error = written.error;
                return outcome;
            }
        }
    }
    return outcome;
}

LinkWriter::Outcome LinkWriter::WriteAll(const Entry& entry, const std::uint8_t* data, std::size_t size) {
    const bool file = entry.job.file != nullptr;
    Outcome outcome;
    while (outcome.done < size) {
        const WriteStep step =
            config_.write(data + outcome.done, size - outcome.done, {cancelFd_, config_.limits.waitSliceMs});
        if (step.consumed > 0) {
            outcome.done += step.consumed;
            outcome.counted += step.counted;
            // Files count their own bytes, typed data what the link counted.
            if (entry.job.counted) unpublishedCounted_ += file ? step.consumed : step.counted;
            if (file) unpublishedFileDone_ += step.consumed;
            progressed_ = true;
            // The last step of a send wakes the page once, with its end.
            if (file || outcome.done < size) WakeForProgress();
        }
        if (step.error == 0) continue;
        if (step.error == EAGAIN) {
            if (Cancelled(entry.id, outcome.end)) return outcome;
            // The clock is read only while the link takes nothing: a write
            // that goes through costs no more than the write.
            const auto now = Clock::now();
            if (progressed_) {
                // The page shows exactly what went out while the link waits.
                Publish();
                Wake();
                waitingSince_ = now;
                progressed_ = false;
            } else if (!stallSaid_ && now - waitingSince_ >= config_.limits.stallLimit) {
                stallSaid_ = true;
                stalled_.store(true);
                Wake();
            }
            continue;
        }
        if (step.error == ECANCELED) {
            if (!Cancelled(entry.id, outcome.end)) outcome.end = SendEnd::Cancelled;
            return outcome;
        }
        outcome.end = EndOfFailedWrite(step.error);
        if (outcome.end == SendEnd::WriteFailed) outcome.error = step.error;
        // A close the page asked for carries its own reason.
        Cancelled(entry.id, outcome.end);
        return outcome;
    }
    return outcome;
}

void LinkWriter::Finish(const Entry& entry, Outcome outcome) {
    Publish();
    if (entry.job.file && EndsWithTheLink(outcome.end) && config_.undelivered) {
        const std::uint64_t lost = std::min(outcome.done, config_.undelivered());
        outcome.done -= lost;
        // The sent total was counted as the link took the bytes; it takes
        // back the same, so it agrees with the message.
        if (entry.job.counted) counted_.fetch_sub(static_cast<std::int64_t>(lost));
    }
    SendResult result;
    result.job = entry.id;
    result.file = entry.job.file != nullptr;
    result.recorded = entry.job.recorded;
    result.end = outcome.end;
    result.error = outcome.error;
    result.done = outcome.done;
    result.total = result.file ? entry.job.file->size() : entry.job.bytes.size();
    if (!result.file) {
        const auto taken = entry.job.bytes.begin() + static_cast<std::ptrdiff_t>(outcome.done);
        result.written.assign(entry.job.bytes.begin(), taken);
        if (outcome.counted > result.written.size()) result.written.resize(outcome.counted, 0);
    }
    {
        std::lock_guard lock(mutex_);
        finished_.push_back(std::move(result));
        writing_ = 0;
        writingFile_ = false;
        fileJob_.store(0);
    }
    Wake();
}

void LinkWriter::WakeForProgress() {
    // The page shows progress a few dozen times a second; waking it for
    // every block would cost more than writing the block. A coarse clock is
    // fine for that and far cheaper to read once per block.
    timespec now{};
    ::clock_gettime(CLOCK_MONOTONIC_COARSE, &now);
    const auto at = std::chrono::seconds(now.tv_sec) + std::chrono::nanoseconds(now.tv_nsec);
    if (at - lastProgressWake_ < kProgressWakeInterval) return;
    lastProgressWake_ = std::chrono::duration_cast<std::chrono::nanoseconds>(at);
    Publish();
    Wake();
}

void LinkWriter::Publish() {
    if (unpublishedCounted_ != 0)
        counted_.fetch_add(static_cast<std::int64_t>(std::exchange(unpublishedCounted_, 0)));
    if (unpublishedFileDone_ != 0) fileDone_.fetch_add(std::exchange(unpublishedFileDone_, 0));
}

void LinkWriter::Wake() {
    if (!wakePending_.exchange(true) && config_.wake) config_.wake();
}

}  // namespace viz
